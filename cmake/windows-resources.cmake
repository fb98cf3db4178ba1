# Each Windows program carries its icon and a version resource (windres), so
# Explorer shows both and the Details tab names the product and its version.
# The station has an icon of its own; the wizard and korvane-flash share one.
enable_language(RC)
foreach(entry
    "korvane-upgrader|Korvane Upgrader: firmware updater for a Korvane gripper"
    "korvane-station|Korvane Station: every gripper on a bench updated at once"
    "korvane-flash|korvane-flash: firmware updater for Korvane grippers, command line")
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 KORVANE_RC_PROGRAM)
  list(GET entry 1 KORVANE_RC_DESCRIPTION)
  set(KORVANE_RC_ICON ${PROJECT_SOURCE_DIR}/resources/windows/korvane.ico)
  if(EXISTS ${PROJECT_SOURCE_DIR}/resources/windows/${KORVANE_RC_PROGRAM}.ico)
    set(KORVANE_RC_ICON ${PROJECT_SOURCE_DIR}/resources/windows/${KORVANE_RC_PROGRAM}.ico)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/windows-resources/${KORVANE_RC_PROGRAM}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/program.rc.in ${rc} @ONLY)
  target_sources(${KORVANE_RC_PROGRAM} PRIVATE ${rc})
endforeach()
