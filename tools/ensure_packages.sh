#!/usr/bin/env bash
# Installs whichever of the named Debian packages are missing; does nothing (and needs no network)
# when all are there. Needs root for an install, as CI and the README's commands run.
#
# usage: tools/ensure_packages.sh PACKAGE...
set -euo pipefail

missing=()
for package in "$@"; do
  dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
((${#missing[@]})) || exit 0

if ((EUID != 0)); then
  echo "ensure_packages: missing packages (run as root to install): ${missing[*]}" >&2
  exit 2
fi
echo "== installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync can fail one index (often a foreign architecture's) while the rest is
# fine; let the install itself decide whether what we need is there.
apt-get update -qq </dev/null || echo "ensure_packages: apt-get update reported errors; trying anyway" >&2
apt-get install -y -qq "${missing[@]}" </dev/null >/dev/null
