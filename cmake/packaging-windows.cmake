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

# Qt's own words (Next, Cancel, the command line's errors) in the languages
# the programs speak. The MinGW Qt has none; translations are data, the same
# for every platform, so Debian's for this Qt version serve.
set(KORVANE_QT_TRANSLATIONS /usr/share/qt5/translations
  CACHE PATH "Folder with Qt's qtbase_LANG.qm files, for the installer")
foreach(lang fr de)
  if(NOT EXISTS ${KORVANE_QT_TRANSLATIONS}/qtbase_${lang}.qm)
    message(FATAL_ERROR "${KORVANE_QT_TRANSLATIONS}/qtbase_${lang}.qm is missing (scripts/packages.sh installs qttranslations5-l10n)")
  endif()
  install(FILES ${KORVANE_QT_TRANSLATIONS}/qtbase_${lang}.qm DESTINATION translations)
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/resources/windows/README.txt DESTINATION .)

# What the LGPL and the runtime's licences ask: their texts beside the DLLs,
# and a notice of what is shipped and where its source is, shown before the
# install. The texts are the ones Debian ships for the sources these DLLs
# were built from.
set(KORVANE_LICENCE_TEXTS
  /usr/share/common-licenses/LGPL-3|LGPL-3.txt
  /usr/share/common-licenses/GPL-3|GPL-3.txt
  /usr/share/doc/libqt5core5a/copyright|Qt-copyright.txt
  /usr/share/doc/libqt5serialport5/copyright|QtSerialPort-copyright.txt
  /usr/share/doc/qttranslations5-l10n/copyright|Qt-translations-copyright.txt
  /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright|GCC-runtime-copyright.txt
  /usr/share/doc/mingw-w64-common/copyright|mingw-w64-copyright.txt)
foreach(entry ${KORVANE_LICENCE_TEXTS})
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 source)
  list(GET entry 1 name)
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "${source} is missing: the installer must carry ${name} (scripts/packages.sh installs it)")
  endif()
  install(FILES ${source} DESTINATION licences RENAME ${name})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/windows/NOTICE.txt DESTINATION licences)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/resources/windows/NOTICE.txt)

# korvane-flash from any console: the installer offers to put its bin folder
# on PATH (CPack's page "Install Options", or /PATH=all|user|none), and the
# uninstaller takes it off. The program itself stays beside the DLLs and
# plug-ins it loads; bin holds a launcher only, a program of its own
# (tools/korvane-flash/launcher_win.cpp says why not a batch file).
add_executable(korvane-flash-launcher ${PROJECT_SOURCE_DIR}/tools/korvane-flash/launcher_win.cpp)
set_target_properties(korvane-flash-launcher PROPERTIES OUTPUT_NAME korvane-flash
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/launcher)
# What edits PATH for the installer, which cannot hold a long one itself
# (tools/korvane-flash/path_win.cpp).
add_executable(korvane-path ${PROJECT_SOURCE_DIR}/tools/korvane-flash/path_win.cpp)
foreach(helper korvane-flash-launcher korvane-path)
  target_link_options(${helper} PRIVATE -static)
endforeach()
install(TARGETS korvane-flash-launcher RUNTIME DESTINATION bin)
install(TARGETS korvane-path RUNTIME DESTINATION .)
set(CPACK_NSIS_MODIFY_PATH ON)
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "!insertmacro KorvanePreinstall")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro KorvaneInstall")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro KorvaneUninstall")

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
set(CPACK_NSIS_HELP_LINK https://korvane.example/upgrader)
set(CPACK_NSIS_URL_INFO_ABOUT https://korvane.example/upgrader)
# A 64-bit installer for 64-bit programs: it also writes the uninstall entry
# where 64-bit Windows looks, and runs where only 64-bit programs can. The
# installer's own version resource names what it installs, as the programs'
# do (cmake/windows-resources.cmake).
string(JOIN "\n" CPACK_NSIS_DEFINES
  "Target amd64-unicode"
  "!include \"${PROJECT_SOURCE_DIR}/resources/windows/installer.nsh\""
  "VIProductVersion ${PROJECT_VERSION}.0"
  "VIFileVersion ${PROJECT_VERSION}.0"
  "VIAddVersionKey /LANG=1033 CompanyName Korvane"
  "VIAddVersionKey /LANG=1033 ProductName \"Korvane Upgrader\""
  "VIAddVersionKey /LANG=1033 ProductVersion ${PROJECT_VERSION}"
  "VIAddVersionKey /LANG=1033 FileVersion ${PROJECT_VERSION}"
  "VIAddVersionKey /LANG=1033 FileDescription \"Korvane Upgrader ${PROJECT_VERSION} installer\""
  "VIAddVersionKey /LANG=1033 LegalCopyright \"Copyright 2026 Korvane\"")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME korvane-upgrader.exe)
# Start-menu entries for the two windows; korvane-flash is for a console.
set(CPACK_PACKAGE_EXECUTABLES korvane-upgrader "Korvane Upgrader" korvane-station "Korvane Station")
# What the "Desktop Icon" box of the PATH page puts on the desktop; unset,
# the box did nothing.
set(CPACK_CREATE_DESKTOP_LINKS korvane-upgrader korvane-station)
# A new version is installed over an older one: installer.nsh runs the older
# one's uninstaller in place first, so that files it alone carried go; when
# that is missing (a folder deleted by hand), the install goes on without.
set(CPACK_STRIP_FILES ON)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/windows/korvane.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/windows/korvane.ico)

# Signing (Debian's osslsigncode): the programs before they are packed, then
# the installer. A certificate and its key, in PEM or DER, named at configure
# time: -DKORVANE_SIGN_CERT=... -DKORVANE_SIGN_KEY=... [-DKORVANE_SIGN_TIMESTAMP=URL]
set(KORVANE_SIGN_CERT "" CACHE FILEPATH "Code-signing certificate for the Windows programs and installer")
set(KORVANE_SIGN_KEY "" CACHE FILEPATH "Private key of KORVANE_SIGN_CERT")
set(KORVANE_SIGN_TIMESTAMP "" CACHE STRING "Time-stamping server for the signatures (empty: none)")
if(KORVANE_SIGN_CERT)
  find_program(KORVANE_OSSLSIGNCODE NAMES osslsigncode REQUIRED)
  set(CPACK_KORVANE_SIGN_COMMAND ${KORVANE_OSSLSIGNCODE} sign -certs ${KORVANE_SIGN_CERT} -key ${KORVANE_SIGN_KEY}
    -n "Korvane Upgrader" -h sha256)
  if(KORVANE_SIGN_TIMESTAMP)
    list(APPEND CPACK_KORVANE_SIGN_COMMAND -ts ${KORVANE_SIGN_TIMESTAMP})
  endif()
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/windows-sign.cmake)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/windows-sign.cmake)
  # The uninstaller is made by makensis inside the installer: signed there,
  # as makensis writes it (%1), by the same command.
  list(JOIN CPACK_KORVANE_SIGN_COMMAND "\" \"" sign)
  string(APPEND CPACK_NSIS_DEFINES
    "\n!uninstfinalize '\"${sign}\" -in \"%1\" -out \"%1.signed\" && mv -f \"%1.signed\" \"%1\"' = 0")
endif()
# The NSIS lines above hold quotes, which CPack's configuration would
# otherwise take as its own.
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
