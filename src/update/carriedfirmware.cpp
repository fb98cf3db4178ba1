#include "carriedfirmware.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <algorithm>

namespace CarriedFirmware {

namespace {

const char *const kBootloaderPrefix = "BL1-";
// Tested in this order; the first match makes a main image.
const char *const kMainPrefixes[] = {"K01-", "GB1-", "FS", "CH", "GC", "GD", "GU", "GV", "GS"};
const char *const kFolder = ":/firmware/";

} // namespace

bool isBootloaderImage(const QString &name)
{
    return name.startsWith(QLatin1String(kBootloaderPrefix));
}

bool isMainImage(const QString &name)
{
    for (const char *prefix : kMainPrefixes) {
        if (name.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

QString mainImageFor(const QString &typeCode)
{
    // Only an image named after the installed type code is made for the
    // product: a GC1 given a GC3 image may never start again.
    if (typeCode.isEmpty())
        return QString();
    const QString prefix = typeCode + QLatin1Char('-');
    const QStringList names = QDir(QLatin1String(kFolder)).entryList();
    for (const QString &name : names) {
        if (name.startsWith(prefix) && isMainImage(name))
            return name;
    }
    return QString();
}

QStringList mainImages()
{
    QStringList names = QDir(QLatin1String(kFolder)).entryList();
    names.erase(std::remove_if(names.begin(), names.end(), [](const QString &name) { return !isMainImage(name); }),
                names.end());
    return names;
}

QString designation()
{
    return QStringLiteral("%1-%2-%3-%4.%5.%6")
        .arg(QLatin1String(kTypeCodes[0]), QLatin1String(kTypeCodes[1]), QLatin1String(kTypeCodes[2]))
        .arg(kMajor)
        .arg(kMinor)
        .arg(kPatch);
}

QString windowTitle()
{
    return QCoreApplication::translate("CarriedFirmware", "Korvane Upgrader for firmware version %1").arg(designation());
}

} // namespace CarriedFirmware
