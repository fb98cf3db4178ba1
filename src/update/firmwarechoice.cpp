#include "firmwarechoice.h"

#include "carriedfirmware.h"
#include "flashlayout.h"
#include "freescaleconfig.h"
#include "freescaleparse.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The library's words, English for the records and translated for the screen.
Phrase choiceText(const char *source)
{
    return Phrase("Update", source);
}

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
    return ::versionText(typeCode, major, minor, patch);
}

QString FirmwareChoice::localFirmwareFolder()
{
    // Without an application object Qt would answer with an empty path,
    // which is the working directory again.
    if (!QCoreApplication::instance())
        return QString();
    return QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(FreescaleConfig::kLocalFirmwareFolder));
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
    // An STM32 part on the common main layout.
    if (family == QLatin1String("FS"))
        return FS;
    return Unidentified;
}

bool FirmwareChoice::describeImage(const QString &name, FirmwareImage *image)
{
    FirmwareImage described;
    if (!parseName(name, &described))
        return false;
    *image = described;
    return true;
}

quint32 FirmwareChoice::mainRegionSize(DeviceKind kind)
{
    return FlashLayout::mainRegionSize(kind);
}

bool FirmwareChoice::loadImageFile(const QString &path, FirmwareImage *image, Phrase *error)
{
    const QString name = QFileInfo(path).fileName();
    FirmwareImage loaded;
    const DeviceKind kind = parseName(name, &loaded) ? kindForTypeCode(loaded.typeCode) : Unidentified;
    if (kind == Unidentified) {
        *error = choiceText(QT_TRANSLATE_NOOP("Update", "%1: the name must start with the gripper's type code and "
                                                        "version, as in GC3-1.6.9.bin"))
                     .arg(path);
        return false;
    }
    if (!readFile(path, &loaded.content, isGsFamily(kind))) {
        *error = choiceText(QT_TRANSLATE_NOOP("Update", "%1: cannot be read")).arg(path);
        return false;
    }
    if (loaded.content.isEmpty()) {
        *error = choiceText(QT_TRANSLATE_NOOP("Update", "%1: the file is empty")).arg(path);
        return false;
    }
    if (isGsFamily(kind)) {
        // The Freescale bootloader takes S-records and checks them itself.
        if (!loaded.content.startsWith('S')) {
            *error = choiceText(QT_TRANSLATE_NOOP("Update", "%1: not an S-record file")).arg(path);
            return false;
        }
    } else if (quint32(loaded.content.size()) > mainRegionSize(kind)) {
        *error = choiceText(QT_TRANSLATE_NOOP("Update", "%1: %2 bytes do not fit the %3 bytes of a %4's main firmware "
                                                        "region"))
                     .arg(path)
                     .arg(loaded.content.size())
                     .arg(mainRegionSize(kind))
                     .arg(loaded.typeCode);
        return false;
    } else if (const Phrase problem = FlashLayout::vectorTableProblem(loaded.content, FlashLayout::mainAddress(kind));
               !problem.isEmpty()) {
        *error = choiceText(QT_TRANSLATE_NOOP("Update", "%1: not a %2 image: %3")).arg(path, loaded.typeCode, problem);
        return false;
    }
    *image = loaded;
    return true;
}

bool FirmwareChoice::imageFor(const QString &typeCode, DeviceKind kind, const QList<FirmwareImage> &given,
                              FirmwareImage *image, Phrase *error)
{
    // The GS family takes one image, whichever code the unit reports (an
    // older GS announces itself by its banner only, without a type code).
    const QString code = isGsFamily(kind) ? QStringLiteral("GS") : typeCode;
    // Without a ready sign the image would go to a GS gripper still running
    // its firmware: refused however it came.
    const auto sendable = [kind, error] {
        *error = isGsFamily(kind) ? missingMarkerRefusal() : Phrase();
        return error->isEmpty();
    };
    for (const FirmwareImage &candidate : given) {
        if (candidate.typeCode == code) {
            *image = candidate;
            return sendable();
        }
    }
    FirmwareImage carried;
    bool found = false;
    if (isGsFamily(kind)) {
        const QString name = QLatin1String(FreescaleConfig::kImageName);
        const QString local = localFirmwareFolder();
        found = FreescaleConfig::carriesImage() && parseName(name, &carried) && carried.typeCode == code
                && ((!local.isEmpty() && readFile(local + name, &carried.content, true))
                    || readFile(QLatin1String(FreescaleConfig::kResourceFirmwareFolder) + name, &carried.content,
                                true));
    } else {
        const QString name = CarriedFirmware::mainImageFor(code);
        found = !name.isEmpty() && parseName(name, &carried)
                && readFile(QStringLiteral(":/firmware/") + name, &carried.content, false);
    }
    if (code.isEmpty()) {
        *error = choiceText(QT_TRANSLATE_NOOP("Update", "the gripper's type code is not known"));
        return false;
    }
    if (!found || carried.content.isEmpty()) {
        *error = choiceText(QT_TRANSLATE_NOOP("Update", "no firmware for a %1 gripper")).arg(code);
        return false;
    }
    if (!isGsFamily(kind)) {
        const Phrase problem = FlashLayout::vectorTableProblem(carried.content, FlashLayout::mainAddress(kind));
        if (!problem.isEmpty()) {
            *error = choiceText(QT_TRANSLATE_NOOP("Update", "the carried %1 cannot run on a %2 gripper: %3"))
                         .arg(carried.name, code, problem);
            return false;
        }
    }
    *image = carried;
    return sendable();
}

Phrase FirmwareChoice::noFirmwareText(const KorvaneDevice &device)
{
    const QString product = isGsFamily(device.kind) ? QStringLiteral("GS") : device.typeCode;
    if (product.isEmpty() || product == QLatin1String("unknown"))
        return choiceText(QT_TRANSLATE_NOOP("Update", "This upgrader carries no firmware for the selected gripper."));
    return choiceText(QT_TRANSLATE_NOOP("Update", "This upgrader carries no firmware for the %1 gripper."))
        .arg(product);
}

bool FirmwareChoice::planFor(const KorvaneDevice &device, const QString &bootloaderName, const QString &mainName,
                             UpdatePlan *plan, Phrase *error)
{
    *error = Phrase();
    plan->target.portName = device.portName;
    plan->target.kind = device.kind;
    plan->target.secondaryUnit = device.secondaryUnit;
    plan->target.inBootloader = device.inBootloader;
    plan->target.baud = device.portSettings.BaudRate;
    if (isGsFamily(device.kind)) {
        // Rebooting a gripper into a bootloader that is then sent nothing
        // leaves it there: a build without the image, or without a sign of
        // the bootloader, says so first.
        FirmwareImage image;
        Phrase why;
        if (!imageFor(device.typeCode, device.kind, {}, &image, &why)) {
            *error = why == missingMarkerRefusal() ? why : noFirmwareText(device);
            return false;
        }
        plan->mainImage = image.content;
        return true;
    }
    const QString folder = QStringLiteral(":/firmware/");
    if (!bootloaderName.isEmpty() && !readFile(folder + bootloaderName, &plan->bootloaderImage, false))
        *error = noFirmwareText(device);
    if (!mainName.isEmpty() && !readFile(folder + mainName, &plan->mainImage, false))
        *error = noFirmwareText(device);
    FirmwareImage named;
    if (parseName(mainName, &named))
        plan->product = kindForTypeCode(named.typeCode);
    if (error->isEmpty() && !GripperUpdate::refusal(*plan).isEmpty())
        *error = Phrase::verbatim(QStringLiteral("%1: %2"))
                     .arg(mainName.isEmpty() ? bootloaderName : mainName, GripperUpdate::refusal(*plan));
    return error->isEmpty();
}
