# The wizard and korvane-flash as two Debian packages, made with `cpack -G DEB`
# in a build folder:
#   korvane-flash     the command-line tool, which links no GUI library, so a
#                     robot cell PC without a desktop installs it alone;
#   korvane-upgrader  the wizard, its desktop entry and icon, and the
#                     station for a bench of grippers with its own entry.
# Only what a technician runs goes in: the simulator and the tests stay out.
# Each package's dependencies are read off its binary by dpkg-shlibdeps, so
# they name the Qt 5 packages the build really links, at the versions it
# needs.
include(GNUInstallDirs)

set(korvane_linux ${PROJECT_SOURCE_DIR}/resources/linux)
set(korvane_packaging ${CMAKE_CURRENT_BINARY_DIR}/packaging)

# korvane-flash's page: the template's prose around the commands and options
# of the program's own tables, which its --help shows as well.
add_custom_command(OUTPUT ${korvane_packaging}/korvane-flash.1
  COMMAND ${CMAKE_COMMAND} -E make_directory ${korvane_packaging}
  COMMAND korvane-flash-manpage ${korvane_linux}/korvane-flash.1.in ${korvane_packaging}/korvane-flash.1
  DEPENDS korvane-flash-manpage ${korvane_linux}/korvane-flash.1.in VERBATIM)

# Debian wants manual pages and changelogs compressed, reproducibly (-n
# leaves out the name and time stamp).
set(korvane_gzipped)
foreach(source ${korvane_linux}/korvane-upgrader.1 ${korvane_linux}/korvane-station.1
    ${korvane_packaging}/korvane-flash.1 ${korvane_linux}/changelog)
  get_filename_component(name ${source} NAME)
  set(out ${korvane_packaging}/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${korvane_packaging}
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${source} ${out}
    DEPENDS ${source} VERBATIM)
  list(APPEND korvane_gzipped ${out})
endforeach()
add_custom_target(korvane_package_files ALL DEPENDS ${korvane_gzipped})

# Debian wants a copyright file and a changelog in each package's own doc
# folder, even for packages made from the same source.
install(TARGETS korvane-flash RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT flash)
install(FILES ${korvane_packaging}/korvane-flash.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT flash)
install(FILES ${korvane_packaging}/changelog.gz ${korvane_linux}/copyright ${korvane_linux}/README.Debian
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvane-flash COMPONENT flash)

install(TARGETS korvane-upgrader RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT wizard)
install(FILES ${korvane_linux}/korvane-upgrader.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  COMPONENT wizard)
# Each window its own icon, in every size the desktops ask for and as SVG.
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/images/hicolor/${size}x${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME korvane-upgrader.png
    COMPONENT wizard)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/images/station/${size}x${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME korvane-station.png
    COMPONENT wizard)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/images/korvane-upgrader.svg
  ${PROJECT_SOURCE_DIR}/resources/images/korvane-station.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT wizard)
# What software centres list of the two windows.
install(FILES ${korvane_linux}/example.korvane.upgrader.metainfo.xml ${korvane_linux}/example.korvane.station.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT wizard)
install(FILES ${korvane_packaging}/korvane-upgrader.1.gz ${korvane_packaging}/korvane-station.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT wizard)
# The station needs the same Qt libraries as the wizard: it travels with it.
install(TARGETS korvane-station RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT wizard)
install(FILES ${korvane_linux}/korvane-station.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  COMPONENT wizard)
install(FILES ${korvane_packaging}/changelog.gz ${korvane_linux}/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvane-upgrader COMPONENT wizard)

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL flash wizard)
set(CPACK_PACKAGE_NAME korvane-upgrader)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_CONTACT "Korvane Upgrader developers <upgrader@korvane.example>")
# No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPack would put the same one in front
# of both packages; the first line of each description is its summary.
set(CPACK_DEBIAN_PACKAGE_SOURCE korvane-upgrader)
set(CPACK_DEBIAN_FLASH_PACKAGE_NAME korvane-flash)
set(CPACK_DEBIAN_FLASH_DESCRIPTION "firmware updater for Korvane grippers, command line
korvane-flash replaces the firmware of Korvane grippers attached through
their auxiliary USB ports, from a terminal and many grippers at once: it
identifies what answers on every serial port, then erases, writes, verifies
and starts the firmware it carries, and reads the new version back. It can
also wait for grippers and update each as it is plugged in.
.
It needs no display, for a robot cell PC reached over SSH or a production
line. The user needs access to the serial ports: membership of the dialout
group.")
set(CPACK_DEBIAN_WIZARD_PACKAGE_NAME korvane-upgrader)
# The wizard depends on korvane-flash at the same version rather than sharing
# nothing: korvane-flash carries the note on serial access both programs need,
# and a technician with the wizard has the terminal tool, with the same
# firmware, at hand. The Qt libraries still come from dpkg-shlibdeps.
set(CPACK_DEBIAN_WIZARD_PACKAGE_DEPENDS "korvane-flash (= ${PROJECT_VERSION})")
# Qt's own words (Next, Cancel, the command line's errors) in the user's
# language: without them a French window has English buttons, but works.
set(CPACK_DEBIAN_WIZARD_PACKAGE_RECOMMENDS qttranslations5-l10n)
set(CPACK_DEBIAN_FLASH_PACKAGE_RECOMMENDS qttranslations5-l10n)
set(CPACK_DEBIAN_WIZARD_DESCRIPTION "firmware updater for Korvane grippers, desktop wizard
A wizard that replaces the firmware of a Korvane gripper attached through
its auxiliary USB port: it finds grippers on every serial port, shows the
installed firmware against the one it carries, and erases, writes, verifies
and starts the new firmware. Grippers with missing or corrupt firmware are
recovered with a guided power cycle, one unit after another.
.
korvane-station, a window that updates every gripper on a bench at once,
and korvane-flash, the same from a terminal, come with it. The user needs
access to the serial port: membership of the dialout group.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
