#ifndef SIMFLASH_H
#define SIMFLASH_H

// The images the runs send and where a simulated gripper keeps them, for the
// engine's tests and the wizard's alike, so both judge a flash by one rule.

#include "freescaleconfig.h"
#include "gripper_sim.h"

#include <QFile>
#include <QString>
#include <QTest>

#include <vector>

namespace sim = korvane::sim;

const QString kCarried = QStringLiteral("GC3-1.6.9.bin");
constexpr uint32_t kBootloaderAddress = 0x08000000;
constexpr uint32_t kMainAddress = 0x08080000;
constexpr uint32_t kMainAddressCH = 0x08100000;
// Regions as erased: the bootloader's two 16 KiB sectors; the main image's
// four 128 KiB ones; CH's twelve in the second bank (four of 16 KiB, one of
// 64 KiB, seven of 128 KiB).
constexpr uint32_t kBootloaderRegion = 2 * 16 * 1024;
constexpr uint32_t kMainRegion = 4 * 128 * 1024;
constexpr uint32_t kMainRegionCH = 4 * 16 * 1024 + 64 * 1024 + 7 * 128 * 1024;

inline QByteArray resourceBytes(const QString &name)
{
    QFile file(QStringLiteral(":/firmware/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QByteArray toBytes(const std::vector<uint8_t> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
}

// A stand-in image of `type` linked for `address`, as the build makes them.
inline QByteArray standin(const std::string &type, sim::Version version, uint32_t size,
                          uint32_t address = kMainAddress)
{
    return toBytes(sim::buildStandinImage(type, version, size, address));
}

inline std::vector<int> sectorRange(int first, int count)
{
    std::vector<int> sectors;
    for (int i = 0; i < count; ++i)
        sectors.push_back(first + i);
    return sectors;
}

// The image at `address`, and nothing but erased flash after it up to the
// end of the region the run erased: no stale bytes a start-up could pick up.
inline bool flashHoldsExactly(const sim::Gripper &gripper, uint32_t address, const QByteArray &image,
                              uint32_t region, int unit = 0)
{
    const QByteArray flash = toBytes(gripper.readFlash(address, region, unit));
    return flash.size() == int(region) && flash.left(image.size()) == image
           && flash.mid(image.size()) == QByteArray(int(region) - image.size(), char(0xFF));
}

template <typename T>
sim::Faults oneFault(T sim::Faults::*field, T value)
{
    sim::Faults faults;
    faults.*field = value;
    return faults;
}

// The GS image as the runs send it: as text, line ends without their
// carriage returns.
inline QByteArray freescaleImage()
{
    QFile file(QLatin1String(FreescaleConfig::kLocalFirmwareFolder) + QLatin1String(FreescaleConfig::kImageName));
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? file.readAll() : QByteArray();
}

// Why a GS run cannot be played here, or empty when it can.
inline QString freescaleSkipReason()
{
    if (!FreescaleConfig::carriesImage() || QByteArray(FreescaleConfig::kReadyMarkers[0]).isEmpty())
        return QStringLiteral("built without a Freescale image and ready marker: configure with "
                              "-C tests/download/freescale-test.cmake");
    if (freescaleImage().isEmpty())
        return QStringLiteral("no firmwares/%1 in the working directory").arg(FreescaleConfig::kImageName);
    return QString();
}

#define KORVANE_SKIP_IF(reason) \
    do { const QString skipReason = (reason); if (!skipReason.isEmpty()) QSKIP(qPrintable(skipReason)); } while (false)

// A GS gripper whose bootloader greets with the marker this build waits for.
inline sim::GripperConfig gsGripper()
{
    sim::GripperConfig config;
    config.kind = sim::Kind::GS;
    config.freescaleBanner = std::string("\r\n") + FreescaleConfig::kReadyMarkers[0] + "\r\n";
    return config;
}

#endif
