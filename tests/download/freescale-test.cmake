# Initial cache for a build whose tests run the GS family's whole Freescale
# path against the simulated gripper: cmake -C tests/download/freescale-test.cmake
#
# The first marker is the simulated bootloader's start-up line; the other two
# stand for the wording of other bootloader releases. The image is looked up
# in the "firmwares/" folder that the download tests run in.
set(KORVANE_FREESCALE_MARKER_1 "Freescale bootloader ready" CACHE STRING "Text that shows the Freescale bootloader is ready")
set(KORVANE_FREESCALE_MARKER_2 "S-record loader ready" CACHE STRING "Second ready marker")
set(KORVANE_FREESCALE_MARKER_3 "FSL BOOT>" CACHE STRING "Third ready marker")
set(KORVANE_FREESCALE_IMAGE "GS-1.6.9.s19" CACHE STRING "Freescale image file name, looked up in firmwares/ or :/firmware/")
