#include "firmwarechoice.h"

#include "carriedfirmware.h"
#include "freescaleconfig.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Sector sizes of the two layouts: four 128 KiB sectors, or CH's twelve
// from the start of the second bank.
constexpr quint32 kMainRegion = 4 * 128 * 1024;
constexpr quint32 kMainRegionCH = 4 * 16 * 1024 + 64 * 1024 + 7 * 128 * 1024;

bool parseName(const QString &name, FirmwareImage *image)
{
    static const QRegularExpression pattern(QStringLiteral("^([A-Z0-9]{2,3})-(\\d+)\\.(\\d+)\\.(\\d+)(\\..*)?$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return false;
    image->name = name;
    image->typeCode = match.captured(1);
    image->major = match.captured(2).toInt();
    image->minor = match.captured(3).toInt();
    image->patch = match.captured(4).toInt();
    // The gripper reports each part in a signed byte.
    return image->major < 128 && image->minor < 128 && image->patch < 128;
}

bool readFile(const QString &path, QByteArray *content, bool text)
{
    QFile file(path);
    if (!file.open(text ? QIODevice::ReadOnly | QIODevice::Text : QIODevice::ReadOnly))
        return false;
    *content = file.readAll();
    return true;
}

} // namespace

QString FirmwareImage::versionText() const
{
    return typeCode + QStringLiteral("-%1.%2.%3").arg(major).arg(minor).arg(patch);
}

DeviceKind FirmwareChoice::kindForTypeCode(const QString &typeCode)
{
    if (typeCode == QLatin1String("K01"))
        return K01;
    if (typeCode == QLatin1String("GB1"))
        return GB1;
    if (typeCode == QLatin1String("GS"))
        return GS;
    const QString family = typeCode.left(2);
    if (family == QLatin1String("GC"))
        return GC;
    if (family == QLatin1String("GD"))
        return GD;
    if (family == QLatin1String("GU"))
        return GU;
    if (family == QLatin1String("GV"))
        return GV;
    if (family == QLatin1String("CH"))
        return CH;
    // An STM32 part on the common main layout, as the wizard writes it.
    if (family == QLatin1String("FS"))
        return FS;
    return Unidentified;
}

quint32 FirmwareChoice::mainRegionSize(DeviceKind kind)
{
    return kind == CH ? kMainRegionCH : kMainRegion;
}

bool FirmwareChoice::loadImageFile(const QString &path, FirmwareImage *image, QString *error)
{
    const QString name = QFileInfo(path).fileName();
    FirmwareImage loaded;
    const DeviceKind kind = parseName(name, &loaded) ? kindForTypeCode(loaded.typeCode) : Unidentified;
    if (kind == Unidentified) {
        *error = QStringLiteral("%1: the name must start with the gripper's type code and version, as in "
                                "GC3-1.6.9.bin")
                     .arg(path);
        return false;
    }
    if (!readFile(path, &loaded.content, isGsFamily(kind))) {
        *error = QStringLiteral("%1: cannot be read").arg(path);
        return false;
    }
    if (loaded.content.isEmpty()) {
        *error = QStringLiteral("%1: the file is empty").arg(path);
        return false;
    }
    if (isGsFamily(kind)) {
        // The Freescale bootloader takes S-records and checks them itself.
        if (!loaded.content.startsWith('S')) {
            *error = QStringLiteral("%1: not an S-record file").arg(path);
            return false;
        }
    } else if (quint32(loaded.content.size()) > mainRegionSize(kind)) {
        *error = QStringLiteral("%1: %2 bytes do not fit the %3 bytes of a %4's main firmware region")
                     .arg(path)
                     .arg(loaded.content.size())
                     .arg(mainRegionSize(kind))
                     .arg(loaded.typeCode);
        return false;
    }
    *image = loaded;
    return true;
}

bool FirmwareChoice::imageFor(const QString &typeCode, DeviceKind kind, const QList<FirmwareImage> &given,
                              FirmwareImage *image, QString *error)
{
    // An older GS announces itself by its banner only, without a type code.
    const QString code = typeCode.isEmpty() && isGsFamily(kind) ? QStringLiteral("GS") : typeCode;
    for (const FirmwareImage &candidate : given) {
        if (candidate.typeCode == code) {
            *image = candidate;
            return true;
        }
    }
    FirmwareImage carried;
    bool found = false;
    if (isGsFamily(kind)) {
        const QString name = QLatin1String(FreescaleConfig::kImageName);
        found = FreescaleConfig::carriesImage() && parseName(name, &carried) && carried.typeCode == code
                && (readFile(QLatin1String(FreescaleConfig::kLocalFirmwareFolder) + name, &carried.content, true)
                    || readFile(QLatin1String(FreescaleConfig::kResourceFirmwareFolder) + name, &carried.content,
                                true));
    } else {
        const QString name = CarriedFirmware::mainImageFor(code);
        found = !name.isEmpty() && parseName(name, &carried)
                && readFile(QStringLiteral(":/firmware/") + name, &carried.content, false);
    }
    if (code.isEmpty()) {
        *error = QStringLiteral("the gripper's type code is not known (give it with --type)");
        return false;
    }
    if (!found || carried.content.isEmpty()) {
        *error = QStringLiteral("no firmware for a %1 gripper (give one with --image %1-X.Y.Z.bin)").arg(code);
        return false;
    }
    *image = carried;
    return true;
}
