# The Windows installer, made with `cpack -G NSIS` (Debian's nsis) in a
# MinGW-w64 build folder configured with KORVANE_MINGW_QT: the wizard, the
# station and korvane-flash in one folder with every DLL and plug-in they
# load, a Start-menu entry for each window and an uninstaller. The files are
# named one by one rather than gathered by a deployment tool, so that what
# the installer carries is what this list says.
if(NOT KORVANE_MINGW_QT)
  message(WARNING "KORVANE_MINGW_QT is not set: the installer would carry no Qt")
endif()

set(korvane_windows_programs korvane-upgrader korvane-station korvane-flash)
install(TARGETS ${korvane_windows_programs} RUNTIME DESTINATION .)

# What the three programs import (objdump -p), and Qt Gui for the windows.
# Concurrent is headers only; Network, Xml and PrintSupport are not used.
foreach(module Core Gui Widgets SerialPort)
  install(FILES ${KORVANE_MINGW_QT}/bin/Qt5${module}.dll DESTINATION .)
endforeach()
# Qt looks for plug-ins beside the program. The Windows platform, the
# native look, and .ico for the window icons the system hands Qt (PNG, the
# only format the programs carry, is built into Qt Gui).
install(FILES ${KORVANE_MINGW_QT}/plugins/platforms/qwindows.dll DESTINATION platforms)
install(FILES ${KORVANE_MINGW_QT}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)
install(FILES ${KORVANE_MINGW_QT}/plugins/imageformats/qico.dll DESTINATION imageformats)

# Qt and the programs take the C++ runtime as DLLs (posix threads).
set(KORVANE_MINGW_RUNTIME_DIRS /usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib
  CACHE STRING "Folders that hold the MinGW-w64 runtime DLLs")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  find_file(korvane_runtime_${dll} ${dll} PATHS ${KORVANE_MINGW_RUNTIME_DIRS} NO_DEFAULT_PATH
    NO_CMAKE_FIND_ROOT_PATH)
  if(NOT korvane_runtime_${dll})
    message(FATAL_ERROR "${dll} not found in ${KORVANE_MINGW_RUNTIME_DIRS}")
  endif()
  install(FILES ${korvane_runtime_${dll}} DESTINATION .)
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/resources/windows/README.txt DESTINATION .)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME "Korvane Upgrader")
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware updater for Korvane grippers")
set(CPACK_PACKAGE_FILE_NAME korvane-upgrader-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Korvane Upgrader")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Korvane Upgrader")
set(CPACK_NSIS_DISPLAY_NAME "Korvane Upgrader ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "Korvane Upgrader ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# A 64-bit installer for 64-bit programs: it also writes the uninstall entry
# where 64-bit Windows looks, and runs where only 64-bit programs can.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME korvane-upgrader.exe)
# Start-menu entries for the two windows; korvane-flash is for a console.
set(CPACK_PACKAGE_EXECUTABLES korvane-upgrader "Korvane Upgrader" korvane-station "Korvane Station")
# A new version is installed over an older one: the files are the same
# list, and the new uninstaller replaces the old. (Running the old
# uninstaller first would refuse the install for good once its folder had
# been deleted by hand.)
set(CPACK_STRIP_FILES ON)
include(CPack)
