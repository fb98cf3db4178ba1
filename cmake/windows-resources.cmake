# Each Windows program carries the icon and a version resource (windres), so
# Explorer shows both and the Details tab names the product and its version.
enable_language(RC)
set(KORVANE_RC_ICON ${PROJECT_SOURCE_DIR}/resources/windows/korvane.ico)
foreach(entry
    "korvane-upgrader|Korvane Upgrader: firmware updater for a Korvane gripper"
    "korvane-station|Korvane Station: every gripper on a bench updated at once"
    "korvane-flash|korvane-flash: firmware updater for Korvane grippers, command line")
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 KORVANE_RC_PROGRAM)
  list(GET entry 1 KORVANE_RC_DESCRIPTION)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/windows-resources/${KORVANE_RC_PROGRAM}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/program.rc.in ${rc} @ONLY)
  target_sources(${KORVANE_RC_PROGRAM} PRIVATE ${rc})
endforeach()
