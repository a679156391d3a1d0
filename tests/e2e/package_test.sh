#!/usr/bin/env bash
# The installed package as a user meets it: installs the build into a scratch prefix, checks the
# player's files and the launcher, then builds examples/bounce against the installed CMake
# package and runs it on the headless host.
#   package_test.sh BUILD_DIR SOURCE_DIR [CMAKE]
set -euo pipefail
build=$1
source=$2
cmake=${3:-cmake}
work=$(mktemp -d "${TMPDIR:-/tmp}/tidefray-package-XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log" >&2
  fail "cmake --install"
}

for file in bin/tidefray bin/tidefray-play share/tidefray/Data/sprites01.png \
  share/tidefray/Data/bg_floor01.png share/tidefray/Data/player_bullet01.wav \
  share/tidefray/Data/collision01.wav share/tidefray/Music/evolutionloop.it \
  share/applications/tidefray.desktop include/tidefray/sprite/sprite.h \
  include/tidefray/platform/host/host.h lib/cmake/Tidefray/TidefrayConfig.cmake; do
  [[ -e "$prefix/$file" ]] || fail "$file is not installed"
done
[[ -x "$prefix/bin/tidefray-play" ]] || fail "the launcher is not executable"
if [[ -d "$source/tools/record" ]]; then
  [[ -x "$prefix/bin/tidefray-record" ]] || fail "tidefray-record is not installed"
fi
[[ ! -e "$prefix/include/tidefray/game" ]] || fail "the game's own headers were installed"
grep -q '^Exec=tidefray-play' "$prefix/share/applications/tidefray.desktop" ||
  fail "the desktop entry does not start the launcher"

# The launcher, moved elsewhere with the whole tree, still finds the game; without a display the
# game says so and ends with exit code 0.
mv "$prefix" "$work/moved"
prefix=$work/moved
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=disk \
  SDL_DISKAUDIOFILE="$work/audio.raw" timeout 20 "$prefix/bin/tidefray-play" \
  >"$work/play.out" 2>&1 || status=$?
[[ $status -eq 0 ]] || fail "tidefray-play ended with $status: $(cat "$work/play.out")"
grep -q "Sprite-Umgebung kann nicht initialisiert werden" "$work/play.out" ||
  fail "tidefray-play without a display: $(cat "$work/play.out")"

"$cmake" -S "$source/examples/bounce" -B "$work/bounce" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Debug >"$work/configure.log" 2>&1 || {
  cat "$work/configure.log" >&2
  fail "configuring examples/bounce against the installed package"
}
"$cmake" --build "$work/bounce" -j 2 >"$work/build.log" 2>&1 || {
  cat "$work/build.log" >&2
  fail "building examples/bounce"
}

# 300 frames: the ball starts at (100, 80) moving (5, 4) per frame, so it meets all four walls,
# and on the headless host every frame is presented.
out=$("$work/bounce/bounce" --frames 300) || fail "bounce --frames 300 failed: $out"
echo "$out"
[[ $out =~ ^bounce:\ 300\ frames,\ ([0-9]+)\ bounces,\ 300\ frames\ shown,\ audio\ peak\ ([0-9]+)$ ]] ||
  fail "unexpected output: $out"
((BASH_REMATCH[1] >= 2)) || fail "the ball bounced ${BASH_REMATCH[1]} times in 300 frames"
((BASH_REMATCH[2] > 1000)) || fail "the beeps are not in the mix (peak ${BASH_REMATCH[2]})"
echo "package test passed"
