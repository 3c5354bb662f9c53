# cmake --install: the programs, the public headers, the libraries (static, or shared
# with BUILD_SHARED_LIBS), the man pages and the CMake package, so that another project
# can write
#   find_package(sudoku 3.0 CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE sudoku::engine)
include(CMakePackageConfigHelpers)

# The name of the Debian package and of its folder of documents. Debian's own `sudoku`
# package is an unrelated console game, so ours may not take that name.
set(SUDOKU_PACKAGE_NAME sudoku-toolkit)

set(SUDOKU_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/sudoku)

install(TARGETS sudoku_reference sudoku_engine sudoku_io sudoku_logic sudoku_generate
  EXPORT sudokuTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/sudoku ${SUDOKU_GENERATED_INCLUDE_DIR}/sudoku
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development
  FILES_MATCHING PATTERN "*.h")
install(EXPORT sudokuTargets
  NAMESPACE sudoku::
  DESTINATION ${SUDOKU_CMAKE_DIR} COMPONENT development)

configure_package_config_file(cmake/sudokuConfig.cmake.in ${PROJECT_BINARY_DIR}/sudokuConfig.cmake
  INSTALL_DESTINATION ${SUDOKU_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/sudokuConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/sudokuConfig.cmake ${PROJECT_BINARY_DIR}/sudokuConfigVersion.cmake
  DESTINATION ${SUDOKU_CMAKE_DIR} COMPONENT development)

if(SUDOKU_BUILD_PROGRAMS)
  install(TARGETS sudoku sudoku-solve sudoku-generate RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
  if(NOT WIN32)
    install(FILES man/sudoku.1 man/sudoku-solve.1 man/sudoku-generate.1
      DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
  endif()
endif()
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${SUDOKU_PACKAGE_NAME} COMPONENT programs)
