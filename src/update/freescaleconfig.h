#ifndef FREESCALECONFIG_H
#define FREESCALECONFIG_H

// What the GS family's Freescale path is built with. The markers and the
// image name come from the build (CMake cache options of the same names). An
// empty marker is no marker; a build with none, or without an image name,
// refuses the GS path before anything is sent.

#ifndef KORVANE_FREESCALE_MARKER_1
#define KORVANE_FREESCALE_MARKER_1 ""
#endif
#ifndef KORVANE_FREESCALE_MARKER_2
#define KORVANE_FREESCALE_MARKER_2 ""
#endif
#ifndef KORVANE_FREESCALE_MARKER_3
#define KORVANE_FREESCALE_MARKER_3 ""
#endif
#ifndef KORVANE_FREESCALE_IMAGE
#define KORVANE_FREESCALE_IMAGE ""
#endif

namespace FreescaleConfig {

// The bootloader is ready when what it printed contains one of these.
constexpr const char *kReadyMarkers[3] = {KORVANE_FREESCALE_MARKER_1, KORVANE_FREESCALE_MARKER_2,
                                          KORVANE_FREESCALE_MARKER_3};
constexpr const char *kImageName = KORVANE_FREESCALE_IMAGE;
// A folder of this name beside the program (where an installation puts it)
// takes the place of the image carried in the resources; never one in the
// working directory, where anybody may have left anything.
constexpr const char *kLocalFirmwareFolder = "firmwares/";
constexpr const char *kResourceFirmwareFolder = ":/firmware/";

// Once the reboot request or the image is on its way, the bootloader has this
// long to show a sign of life (its banner, a dot, its report) before the run
// is given up.
constexpr int kWatchdogMs = 5000;

// True when this build names an image to send.
constexpr bool carriesImage()
{
    return kImageName[0] != '\0';
}

} // namespace FreescaleConfig

#endif
