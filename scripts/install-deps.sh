#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running VELmora need, skipping the
# ones already present. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libfftw3-dev
  libceres-dev libeigen3-dev
  # Opened at run time when a FITS or TIFF frame is read: the run-time libraries these bring
  # (libcfitsio10, libtiff6) stay needed after the build.
  libcfitsio-dev libtiff-dev
  qt6-base-dev libgl-dev
  pybind11-dev python3-dev python3-numpy python3-distributed python3-pytest
  clang libclang-rt-dev clang-format
  xvfb xauth fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
