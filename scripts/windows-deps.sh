#!/usr/bin/env bash
# Builds the static libraries the 32-bit Windows build links, from Debian's own sources, into
# build/windows-deps/prefix (or $TIDEFRAY_WINDOWS_DEPS): libpng and libmodplug from their
# source packages, Google Test from the googletest package. zlib is the archive's
# libz-mingw-w64-dev. A library already built from the same source version is kept, so a
# second run only checks.
#   scripts/windows-deps.sh [x86_64]   the 64-bit set instead, in build/windows64-deps/prefix
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ "${1:-}" == "x86_64" ]]; then
  triple=x86_64-w64-mingw32
  compiler_package=g++-mingw-w64-x86-64-posix
  deps=${TIDEFRAY_WINDOWS_DEPS:-$root/build/windows64-deps/prefix}
else
  triple=i686-w64-mingw32
  compiler_package=g++-mingw-w64-i686-posix
  deps=${TIDEFRAY_WINDOWS_DEPS:-$root/build/windows-deps/prefix}
fi
work=$(dirname "$deps")/work
cc=$triple-gcc-posix
cxx=$triple-g++-posix
ar=$triple-gcc-ar-posix
jobs=${TIDEFRAY_JOBS:-2}

packages=("$compiler_package" libz-mingw-w64-dev dpkg-dev googletest cmake make)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

# Source packages need deb-src entries for the suites the machine already uses.
src_list=/etc/apt/sources.list.d/tidefray-src.sources
need_src=0
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  need_src=1
fi

if [[ ${#missing[@]} -gt 0 || $need_src -eq 1 ]]; then
  if [[ $(id -u) -ne 0 ]]; then
    echo "The Windows build needs root once: packages ${missing[*]:-none}, deb-src entries" >&2
    echo "Run: sudo $0" >&2
    exit 1
  fi
  if [[ $need_src -eq 1 ]]; then
    # Mirror every binary entry of the deb822 lists (URIs, suites, components) as deb-src.
    : >"$src_list"
    for f in /etc/apt/sources.list.d/*.sources; do
      [[ "$f" == "$src_list" ]] && continue
      awk 'BEGIN{RS=""; ORS="\n\n"} /Types:[^\n]*deb/ && /debian/ {
             sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f" >>"$src_list"
    done
    if [[ -f /etc/apt/sources.list ]]; then
      sed -n 's/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list \
        >/etc/apt/sources.list.d/tidefray-src.list
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  [[ ${#missing[@]} -gt 0 ]] && apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

mkdir -p "$deps/include" "$deps/lib/pkgconfig" "$work"

# Fetches and unpacks a source package into $work/<package>, newest version first; a version
# whose files the archive no longer serves (a security revision can vanish) falls back to
# the next older one. Prints the version it got.
source_get() {
  local package=$1 version
  for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV | uniq); do
    rm -rf "${work:?}/$package" && mkdir -p "$work/$package"
    if (cd "$work/$package" && apt-get source -qq "$package=$version" >/dev/null 2>&1); then
      echo "$version"
      return 0
    fi
  done
  echo "no source of $package could be fetched" >&2
  return 1
}

# Newest version of a source package that apt knows about; the build is redone when it moves.
newest() {
  apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -rV | head -n 1
}

# The stamp holds the newest version apt offered when the library was built, then the one
# that was really built (older when the newest one's files were missing).
stamp_ok() {
  [[ -f "$deps/$1.stamp" && "$(head -n 1 "$deps/$1.stamp")" == "$(newest "$1")" ]]
}
stamp_write() {
  printf '%s\n%s\n' "$(newest "$1")" "$2" >"$deps/$1.stamp"
}

# Compiles the given sources in parallel into $2.a in $deps/lib.
archive_build() {
  local compiler=$1 name=$2 objdir=$3
  shift 3
  local flags=()
  while [[ $# -gt 0 && "$1" != "--" ]]; do flags+=("$1"); shift; done
  shift
  mkdir -p "$objdir"
  printf '%s\n' "$@" | xargs -P "$jobs" -I{} sh -c \
    "$compiler ${flags[*]} -c {} -o $objdir/\$(basename {}).o"
  rm -f "$deps/lib/lib$name.a"
  "$ar" rcs "$deps/lib/lib$name.a" "$objdir"/*.o
}

if ! stamp_ok libpng1.6; then
  echo "windows-deps: libpng"
  version=$(source_get libpng1.6)
  src=$(find "$work/libpng1.6" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  cp "$src/scripts/pnglibconf.h.prebuilt" "$src/pnglibconf.h"
  files=()
  for f in png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset pngtrans \
           pngwio pngwrite pngwtran pngwutil; do
    files+=("$src/$f.c")
  done
  archive_build "$cc" png16 "$work/png-obj" -O2 -I"$src" -I/usr/$triple/include -- "${files[@]}"
  cp "$deps/lib/libpng16.a" "$deps/lib/libpng.a"
  cp "$src/png.h" "$src/pngconf.h" "$src/pnglibconf.h" "$deps/include/"
  stamp_write libpng1.6 "$version"
fi

if ! stamp_ok libmodplug; then
  echo "windows-deps: libmodplug"
  version=$(source_get libmodplug)
  src=$(find "$work/libmodplug" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  archive_build "$cxx" modplug "$work/modplug-obj" -O2 -w -DMODPLUG_BUILD -DMODPLUG_STATIC \
    -DHAVE_STDINT_H -DHAVE_INTTYPES_H -DHAVE_SINF -I"$src/src" \
    -I"$src/src/libmodplug" -- "$src"/src/*.cpp
  mkdir -p "$deps/include/libmodplug"
  cp "$src/src/modplug.h" "$deps/include/libmodplug/"
  cat >"$deps/lib/pkgconfig/libmodplug.pc" <<EOF
prefix=$deps
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: libmodplug
Description: tracker module renderer, static
Version: ${version#*:}
Libs: -L\${libdir} -lmodplug
Cflags: -I\${includedir} -DMODPLUG_STATIC
EOF
  stamp_write libmodplug "$version"
fi

gtest_version=$(dpkg-query -W -f='${Version}' googletest)
if [[ ! -f "$deps/googletest.stamp" || "$(cat "$deps/googletest.stamp")" != "$gtest_version" ]]; then
  echo "windows-deps: googletest"
  rm -rf "$work/googletest-build"
  cmake -S /usr/src/googletest -B "$work/googletest-build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" \
    -DTIDEFRAY_MINGW_TRIPLE="$triple" -DTIDEFRAY_WINDOWS_DEPS="$deps" -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF \
    -DCMAKE_INSTALL_PREFIX="$deps" >/dev/null
  cmake --build "$work/googletest-build" -j "$jobs" >/dev/null
  cmake --install "$work/googletest-build" >/dev/null
  echo "$gtest_version" >"$deps/googletest.stamp"
fi
echo "windows-deps: ready in $deps"
