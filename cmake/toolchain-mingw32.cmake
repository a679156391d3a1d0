# Cross-compiles Tidefray for 32-bit Windows with Debian's MinGW-w64 compilers. The "posix"
# thread model is needed: the "win32" one has no std::thread or std::mutex.
# TIDEFRAY_MINGW_TRIPLE=x86_64-w64-mingw32 makes a 64-bit build instead, for test machines
# that cannot run 32-bit code (see scripts/test-windows.sh).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT TIDEFRAY_MINGW_TRIPLE)
  set(TIDEFRAY_MINGW_TRIPLE i686-w64-mingw32)
endif()
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${TIDEFRAY_MINGW_TRIPLE})
# try_compile projects see the same target.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TIDEFRAY_MINGW_TRIPLE TIDEFRAY_WINDOWS_DEPS)
set(CMAKE_C_COMPILER ${TIDEFRAY_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIDEFRAY_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TIDEFRAY_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${TIDEFRAY_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TIDEFRAY_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries built by scripts/windows-deps.sh (libpng, libmodplug, Google Test) and the
# archive's zlib. Only static archives are looked for: the program needs no DLL of ours.
if(NOT TIDEFRAY_WINDOWS_DEPS)
  set(TIDEFRAY_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps/prefix)
endif()
get_filename_component(TIDEFRAY_WINDOWS_DEPS ${TIDEFRAY_WINDOWS_DEPS} ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH ${TIDEFRAY_WINDOWS_DEPS} /usr/${TIDEFRAY_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
# The Windows platform files put the import libraries back among the suffixes; name zlib's
# static archive so that no zlib DLL is needed.
set(ZLIB_LIBRARY /usr/${TIDEFRAY_MINGW_TRIPLE}/lib/libz.a CACHE FILEPATH "static zlib")
set(ENV{PKG_CONFIG_LIBDIR} ${TIDEFRAY_WINDOWS_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# One self-contained executable: the C and C++ run-times and the thread library linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run under Wine.
if(TIDEFRAY_MINGW_TRIPLE MATCHES "^x86_64")
  # Debian installs the 64-bit loader without a command of its own.
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
