#!/usr/bin/env bash
# Installs the Debian packages Tidefray needs to build, run and test, if any are missing.
# Quick when everything is there; as a non-root user it prints the one command to run.
set -euo pipefail

packages=(
  g++ clang cmake make pkg-config
  libpng-dev zlib1g-dev libmodplug-dev libsdl2-dev
  googletest libgtest-dev libbenchmark-dev libclang-rt-14-dev
  xvfb xdotool x11-apps openmpt123
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
