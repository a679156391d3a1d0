# Warnings and sanitizers shared by every target of the project.
set(TIDEFRAY_SANITIZER_FLAGS)
if(TIDEFRAY_SANITIZE STREQUAL "address")
  set(TIDEFRAY_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                               -fno-omit-frame-pointer)
elseif(TIDEFRAY_SANITIZE STREQUAL "thread")
  set(TIDEFRAY_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
endif()

function(tidefray_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(TIDEFRAY_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  # GCC 12 optimising for 32-bit Windows reports bounds errors inside inlined std::vector
  # inserts that cannot happen, and "clobbered" locals of inlined library helpers that run
  # before a setjmp (the Release cross build is the one that inlines them).
  if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow
                           -Wno-stringop-overread -Wno-clobbered)
  endif()
  if(TIDEFRAY_SANITIZER_FLAGS)
    target_compile_options(${target} PRIVATE ${TIDEFRAY_SANITIZER_FLAGS})
    target_link_options(${target} PRIVATE ${TIDEFRAY_SANITIZER_FLAGS})
  endif()
endfunction()
