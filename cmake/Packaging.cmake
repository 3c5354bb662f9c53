# cpack: a Debian package (programs, man pages, headers, libraries, CMake package) on
# Linux, a zip of the .exe files on Windows.
set(SUDOKU_PACKAGE_MAINTAINER "sudoku-toolkit maintainers <maintainers@users.noreply.c-seed-5f014dce.example>"
  CACHE STRING "The Debian package's maintainer, as: Name <address>")
set(CPACK_PACKAGE_NAME ${SUDOKU_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "the sudoku-toolkit authors")
set(CPACK_PACKAGE_CONTACT "${SUDOKU_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL programs)
  set(CPACK_ARCHIVE_PROGRAMS_FILE_NAME ${SUDOKU_PACKAGE_NAME}-${PROJECT_VERSION}-windows-x86_64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SUDOKU_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  # Lines of at most 79 characters, as dpkg shows each one after a space: 80 columns.
  string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "sudoku solves its built-in puzzle by plain backtracking; sudoku-solve solves"
    "your own puzzles, one or millions, with exactly the same answers, fast, and"
    "rates, explains or hints them; sudoku-generate makes new puzzles with exactly"
    "one solution, minimal for a chosen symmetry. The static libraries, headers and"
    "CMake package let other programs use the engine, the logical solver and the"
    "generator."
    "."
    "This is not Debian's sudoku package, a console game: the two install side by"
    "side. On the default PATH /usr/bin comes before /usr/games, so the command"
    "sudoku runs this package's /usr/bin/sudoku, not the game's /usr/games/sudoku.")
endif()
include(CPack)
