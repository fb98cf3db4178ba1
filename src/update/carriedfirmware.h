#ifndef CARRIEDFIRMWARE_H
#define CARRIEDFIRMWARE_H

#include <QString>
#include <QStringList>

// The firmware this build carries. Nothing is read from the image itself: the
// title, the introduction and the version check all follow these constants.
namespace CarriedFirmware {

constexpr const char *kTypeCodes[3] = {"GC3", "", ""};
constexpr int kMajor = 1;
constexpr int kMinor = 6;
constexpr int kPatch = 9;
constexpr const char *kUpgraderVersion = "1.2.0";

// What the images under :/firmware/ are, by their names (case-sensitive:
// "bl1-..." is not a bootloader).
bool isBootloaderImage(const QString &name);
bool isMainImage(const QString &name);
// The carried main image made for the product with this type code ("GC3-..."
// for GC3), empty when there is none.
QString mainImageFor(const QString &typeCode);
// Every carried main image, by name.
QStringList mainImages();

// "GC3---1.6.9": the three codes joined by "-" (empty ones keep their
// separators), then "-" and the version.
QString designation();
// "Korvane Upgrader for firmware version " followed by the designation.
QString windowTitle();

} // namespace CarriedFirmware

#endif
