# Warnings every target of the project is built with. Whether they are errors is the
# user's choice: CMAKE_COMPILE_WARNING_AS_ERROR (set by the CI presets).
add_library(sudoku_warnings INTERFACE)
if(MSVC)
  target_compile_options(sudoku_warnings INTERFACE /W4 /permissive-)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(sudoku_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion)
endif()

# Builds a program, statically linked when SUDOKU_STATIC_PROGRAMS asks for it.
function(sudoku_program target)
  add_executable(${target} ${ARGN})
  target_link_libraries(${target} PRIVATE sudoku_warnings)
  if(SUDOKU_STATIC_PROGRAMS AND NOT MSVC)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()
