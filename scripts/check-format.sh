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
# The files checked in groups, on every processor at once; each one that differs is printed.
mapfile -t bad < <(printf '%s\0' "${files[@]}" | xargs -0 -n 32 -P "$(nproc)" sh -c \
  'for f; do clang-format --dry-run --Werror --style=file "$f" >/dev/null 2>&1 || echo "$f"; done' sh | sort)
if [ ${#bad[@]} -gt 0 ]; then
  printf 'not in the layout of .clang-format (scripts/check-format.sh --fix rewrites them):\n' >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
