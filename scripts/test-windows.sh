#!/usr/bin/env bash
# Builds Tidefray for Windows with MinGW-w64 and tests it under Wine: the engine's unit suites
# against the headless host, the graphics device conformance test and the game end to end in a
# virtual X server with a PulseAudio null sink. Installs what is missing (as root).
#
# The shipped program is the 32-bit build (preset "windows"). A machine that cannot execute
# 32-bit code (some container kernels refuse it) runs the same tests on the 64-bit build of the
# same tree (preset "windows64") under 64-bit Wine, and says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

packages=(wine wine32:i386 wine64 xvfb xdotool x11-apps pulseaudio pulseaudio-utils
          libgl1-mesa-dri:i386 libglx-mesa0:i386 libgl1-mesa-dri libglx-mesa0)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run: sudo dpkg --add-architecture i386 && sudo apt-get update &&" \
         "sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The shipped 32-bit program is always built.
scripts/windows-deps.sh
cmake --preset windows >/dev/null

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  preset=windows
  wine=wine
  export WINEARCH=win32
else
  echo "=== this machine cannot run 32-bit programs: testing the 64-bit build under 64-bit Wine"
  cmake --build --preset windows --target tidefray
  scripts/windows-deps.sh x86_64
  cmake --preset windows64 >/dev/null
  preset=windows64
  wine=/usr/lib/wine/wine64
  export WINEARCH=win64
fi
echo "=== build ($preset)"
cmake --build --preset "$preset"

# A fresh prefix for every run, so nothing of an earlier run (or of the user's own) counts.
export WINEPREFIX="$root/build/$preset-wine"
export WINEDEBUG=-all
rm -rf "$WINEPREFIX"
# Wine's helper processes inherit the output of the process that starts them; they are started
# here with theirs discarded, so that later commands' output pipes are closed when they end.
"$wine" wineboot -i >/dev/null 2>&1 </dev/null || true

echo "=== unit suites under Wine ($preset)"
ctest --preset "$preset"

echo "=== tidefray.exe under Wine: X server, PulseAudio null sink, keys, Escape"
python3 tests/windows/wine_e2e.py --game "build/$preset/tidefray.exe" --wine "$wine" \
  --source "$root" --artifacts "build/$preset/wine-e2e"
wineserver -k 2>/dev/null || true
