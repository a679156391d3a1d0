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
  if(TIDEFRAY_SANITIZER_FLAGS)
    target_compile_options(${target} PRIVATE ${TIDEFRAY_SANITIZER_FLAGS})
    target_link_options(${target} PRIVATE ${TIDEFRAY_SANITIZER_FLAGS})
  endif()
endfunction()
