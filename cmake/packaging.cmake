# The wizard and korvane-flash as a Debian package, made with `cpack -G DEB` in a build folder.
# Only what a technician runs goes in: the simulator and the tests stay out.
# The package's dependencies are read off the binary by dpkg-shlibdeps, so
# they name the Qt 5 packages the build really links, at the versions it
# needs.
include(GNUInstallDirs)

set(korvane_linux ${PROJECT_SOURCE_DIR}/resources/linux)
set(korvane_docdir ${CMAKE_INSTALL_DATADIR}/doc/korvane-upgrader)

# Debian wants manual pages and changelogs compressed, reproducibly (-n
# leaves out the name and time stamp).
set(korvane_gzipped)
foreach(source korvane-upgrader.1 korvane-flash.1 changelog)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/packaging/${source}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${korvane_linux}/${source} ${out}
    DEPENDS ${korvane_linux}/${source} VERBATIM)
  list(APPEND korvane_gzipped ${out})
endforeach()
add_custom_target(korvane_package_files ALL DEPENDS ${korvane_gzipped})

install(TARGETS korvane-upgrader korvane-flash RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${korvane_linux}/korvane-upgrader.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/images/KorvaneIcon.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME korvane-upgrader.png)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/korvane-upgrader.1.gz
  ${CMAKE_CURRENT_BINARY_DIR}/packaging/korvane-flash.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz ${korvane_linux}/copyright
  ${korvane_linux}/README.Debian DESTINATION ${korvane_docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane-upgrader)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_CONTACT "Korvane Upgrader developers <upgrader@korvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for Korvane grippers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A wizard that replaces the firmware of a Korvane gripper attached through
its auxiliary USB port: it finds grippers on every serial port, shows the
installed firmware against the one it carries, and erases, writes, verifies
and starts the new firmware. Grippers with missing or corrupt firmware are
recovered with a guided power cycle, one unit after another.
.
korvane-flash does the same from a terminal, for many grippers at once.
.
The user needs access to the serial port: membership of the dialout group.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
