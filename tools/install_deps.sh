#!/usr/bin/env bash
# Installs the Debian 12 packages the native build, its tests and tools need. Idempotent: it only
# runs apt-get when something is missing. Needs root (as CI and the README's commands run).
set -euo pipefail

packages=(
  build-essential cmake pkg-config python3 git zip unzip
  libfftw3-dev libsndfile1-dev libflac-dev libmpg123-dev googletest libgtest-dev libbenchmark-dev
  clang lld llvm libclang-rt-14-dev clang-format
  libmysofa1 python3-h5py python3-numpy python3-scipy python3-matplotlib
  lv2-dev lilv-utils liblilv-dev pipewire-bin wireplumber dbus-daemon
)
bash "$(dirname "$0")/ensure_packages.sh" "${packages[@]}"
