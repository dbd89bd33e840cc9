# Warnings for every target of ours.
function(quorvel_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  elseif(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
  endif()
endfunction()
