# Staged into the installer win_setup takes for an earlier version: a file
# this version no longer carries, which installing this version must remove.
file(WRITE "${CMAKE_INSTALL_PREFIX}/dropped.txt" "carried by an earlier version only\n")
