#ifndef KORVANEDEVICE_H
#define KORVANEDEVICE_H

#include "qextserialport.h"

#include <QMetaType>
#include <QString>

enum DeviceKind {
    GC = 0,
    GD = 1,
    GU = 2,
    GV = 3,
    CH = 4,
    GS = 5,
    K01 = 6,
    GB1 = 7,
    FS = 8,
    BL_STM32 = 9,
    GSX = 10,
    GSOther = 11,
    Unidentified = 12
};

// The GS family is updated through its Freescale bootloader, every other kind
// through the STM32 system bootloader.
inline bool isGsFamily(DeviceKind kind)
{
    return kind == GS || kind == GSX || kind == GSOther;
}

// The letter the port list and the identification log give a kind ("C" for
// GC...), or its name where it has none; empty for Unidentified and GSOther.
QString kindLetter(DeviceKind kind);

// "GC3-1.6.9": how a type code and version are written everywhere, in the
// user's texts, the logs and korvane-flash's report alike.
QString versionText(const QString &typeCode, int major, int minor, int patch);

// One device found on one serial port. Records are never deleted while the
// program runs: pages keep pointers to the one the user chose.
class KorvaneDevice
{
public:
    KorvaneDevice(const QString &portName, const QString &typeCode, DeviceKind kind, bool secondaryUnit,
                  PortSettings portSettings);

    QString versionText() const;

    QString portName;
    QString typeCode;
    DeviceKind kind;
    bool secondaryUnit;
    PortSettings portSettings;
    int major = 0;
    int minor = 0;
    int patch = 0;
    bool inBootloader = false;
};

Q_DECLARE_METATYPE(KorvaneDevice *)

#endif
