# Warnings every target of the project is built with.
add_library(sudoku_warnings INTERFACE)
target_compile_options(sudoku_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion)
if(SUDOKU_WARNINGS_AS_ERRORS)
  target_compile_options(sudoku_warnings INTERFACE -Werror)
endif()
