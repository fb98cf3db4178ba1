#ifndef KORVANE_FLASH_FIRMWARECHOICE_H
#define KORVANE_FLASH_FIRMWARECHOICE_H

#include "korvanedevice.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A main firmware image and what its name says it is made for: names follow
// the carried ones, "GC3-1.6.9.bin" is version 1.6.9 for type code GC3.
struct FirmwareImage
{
    QString name;
    QString typeCode;
    int major = 0;
    int minor = 0;
    int patch = 0;
    QByteArray content;

    QString versionText() const;
};

namespace FirmwareChoice {

// The kind a type code belongs to, Unidentified for codes no image is made for.
DeviceKind kindForTypeCode(const QString &typeCode);

// Bytes of flash the main image of this kind may fill.
quint32 mainRegionSize(DeviceKind kind);

// Reads an image named on the command line. False with `error` set when the
// file cannot be read, is empty, its name does not start with a type code
// and version, or it does not fit the main region of that type.
bool loadImageFile(const QString &path, FirmwareImage *image, QString *error);

// The image for a gripper of this type code: the first of `given` made for
// it, else the one the program carries. False with `error` set when there is
// none.
bool imageFor(const QString &typeCode, DeviceKind kind, const QList<FirmwareImage> &given, FirmwareImage *image,
              QString *error);

} // namespace FirmwareChoice

#endif
