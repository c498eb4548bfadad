#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from the layout of .clang-format; prints the files.
#   scripts/check-format.sh          check
#   scripts/check-format.sh --fix    rewrite the files that differ
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null 2>&1 || scripts/install-deps.sh
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i --style=file "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  if ! clang-format --dry-run --Werror --style=file "$f" >/dev/null 2>&1; then bad+=("$f"); fi
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'not in the layout of .clang-format (scripts/check-format.sh --fix rewrites them):\n' >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
