#ifndef KORVANE_UPDATE_FIRMWARECHOICE_H
#define KORVANE_UPDATE_FIRMWARECHOICE_H

#include "gripperupdate.h"
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

// The folder of kLocalFirmwareFolder beside the running program, with its
// trailing slash; empty without an application object.
QString localFirmwareFolder();

// The kind a type code belongs to, Unidentified for codes no image is made for.
DeviceKind kindForTypeCode(const QString &typeCode);

// What a main image's name says it is, content left empty: "K01-1.1.0.bin"
// is K01 at 1.1.0. False for a name that carries no type code and version.
bool describeImage(const QString &name, FirmwareImage *image);

// The verdict on a finished update, the same in every front end: the unit
// runs the image written to it when the version it reports once started is
// that image's, type code included ("K01-1.1.0" after K01-1.1.0.bin). A unit
// that reports nothing never matches. Inline, so that the byte judges built on
// it need nothing of this library but its header.
inline bool runsImage(const QString &reportedVersion, const FirmwareImage &written)
{
    return !reportedVersion.isEmpty()
           && reportedVersion == ::versionText(written.typeCode, written.major, written.minor, written.patch);
}

// Bytes of flash the main image of this kind may fill.
quint32 mainRegionSize(DeviceKind kind);

// Reads an image named on the command line. False with `error` set when the
// file cannot be read, is empty, its name does not start with a type code
// and version, or it does not fit the main region of that type.
bool loadImageFile(const QString &path, FirmwareImage *image, Phrase *error);

// The image for a gripper of this type code: the first of `given` made for
// it, else the one the program carries. False with `error` set when there is
// none.
bool imageFor(const QString &typeCode, DeviceKind kind, const QList<FirmwareImage> &given, FirmwareImage *image,
              Phrase *error);

// The wizard's plan for the gripper of `device`: the images named (bare file
// names under :/firmware/; empty, that image is left as it is; the GS family
// takes its carried Freescale image whatever is named), laid out for the
// product the main image is made for. False with `error` set (the user's
// words) when nothing may be sent.
// "This upgrader carries no firmware for the GC1 gripper."
Phrase noFirmwareText(const KorvaneDevice &device);
bool planFor(const KorvaneDevice &device, const QString &bootloaderName, const QString &mainName, UpdatePlan *plan,
             Phrase *error);

} // namespace FirmwareChoice

#endif
