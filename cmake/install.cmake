# Where `cmake --install` puts the program and its documentation, and the Debian package that
# carries the same files under /usr (`cpack -G DEB` in the build folder, or the `package` target).
include(GNUInstallDirs)

install(TARGETS vorn RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/man/vorn.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/completion/vorn.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME vorn)
install(FILES ${PROJECT_SOURCE_DIR}/completion/_vorn DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/site-functions)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the vorn developers")
set(CPACK_PACKAGE_CONTACT "the vorn developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fast, exact command-line tool for numeric data files")
set(CPACK_PACKAGE_DESCRIPTION "vorn reads plain text files of white-space separated numbers, applies one
operation to the columns or rows that a selection names (remove, keep, transpose, sort,
filters, sums, an expression language and more) and writes the result as text, a C array,
CSV or a LaTeX tabular.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
# The run-time libraries are read from the built program when dpkg-shlibdeps (dpkg-dev) is at
# hand; without it the package names the C and C++ run-time libraries it always needs.
find_program(VORN_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VORN_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
endif()
include(CPack)
