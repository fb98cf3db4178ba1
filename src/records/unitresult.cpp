#include "unitresult.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSysInfo>

double UnitResult::seconds() const
{
    double total = 0;
    for (const auto &phase : phases)
        total += phase.second;
    return total;
}

QString UnitResult::resultName(Result result)
{
    switch (result) {
    case Updated:
        //: How a unit's update ended, one word in korvane-flash's lines and the station's Result column
        return QStringLiteral(QT_TRANSLATE_NOOP("UnitResult", "updated"));
    case UpToDate:
        //: The unit already ran the version it would get, and was left alone
        return QStringLiteral(QT_TRANSLATE_NOOP("UnitResult", "up-to-date"));
    case Refused:
        //: Nothing was written to the unit, for a reason given beside
        return QStringLiteral(QT_TRANSLATE_NOOP("UnitResult", "refused"));
    case Failed:
        return QStringLiteral(QT_TRANSLATE_NOOP("UnitResult", "failed"));
    case GivenUp:
        //: The unit's update was stopped by the user (Stop, Ctrl-C)
        return QStringLiteral(QT_TRANSLATE_NOOP("UnitResult", "given-up"));
    }
    return QString();
}

QString UnitResult::resultShown(const QString &name)
{
    return QCoreApplication::translate("UnitResult", name.toUtf8().constData());
}

QByteArray UnitResult::toJsonLine() const
{
    // A part of the update that comes again (the reboot of a second entry
    // attempt) adds its time to the first.
    QMap<QString, double> sums;
    for (const auto &phase : phases)
        sums[phase.first] += phase.second;
    QJsonObject seconds;
    for (auto it = sums.cbegin(); it != sums.cend(); ++it)
        seconds.insert(it.key(), qRound(it.value() * 1000) / 1000.0);
    QJsonObject object{
        {QStringLiteral("record"), kRecordVersion},
        {QStringLiteral("time"), time.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("host"), QSysInfo::machineHostName()},
        {QStringLiteral("program"), QCoreApplication::applicationName()},
        {QStringLiteral("program_version"), QCoreApplication::applicationVersion()},
        {QStringLiteral("port"), port},
        {QStringLiteral("port_path"), portPath},
        {QStringLiteral("adapter_serial"), adapterSerial},
        {QStringLiteral("unit_id"), unitId},
        {QStringLiteral("product_id"), productId},
        {QStringLiteral("kind"), kind},
        {QStringLiteral("type_code"), typeCode},
        {QStringLiteral("version_before"), versionBefore},
        {QStringLiteral("version_after"), versionAfter},
        {QStringLiteral("image"), QJsonObject{{QStringLiteral("name"), imageName},
                                              {QStringLiteral("size"), imageSize},
                                              {QStringLiteral("sha256"), imageSha256}}},
        {QStringLiteral("result"), resultName(result)},
        {QStringLiteral("seconds"), seconds},
    };
    if (!error.isEmpty())
        object.insert(QStringLiteral("error"), error.english);
    if (leftInBootloader)
        object.insert(QStringLiteral("left_in_bootloader"), true);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

void UnitResult::setImage(const QString &fileName, const QByteArray &content)
{
    imageName = QFileInfo(fileName).fileName();
    imageSize = content.size();
    imageSha256 = QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
}

QString UnitResult::sentence() const
{
    const QString before = versionBefore.isEmpty() ? kind : versionBefore;
    switch (result) {
    case Updated:
        return QCoreApplication::translate("UnitResult", "updated %1 -> %2 (%3 s)").arg(before, versionAfter).arg(seconds(), 0, 'f', 1);
    case UpToDate:
        return QCoreApplication::translate("UnitResult", "%1 is up to date, left alone").arg(before);
    case Refused:
        return QCoreApplication::translate("UnitResult", "%1 not updated: %2").arg(before, error.shown);
    case Failed:
        return QCoreApplication::translate("UnitResult", "%1 FAILED: %2").arg(before, error.shown);
    case GivenUp:
        return QCoreApplication::translate("UnitResult", "%1 given up: %2").arg(before, error.shown);
    }
    return QString();
}

bool PhaseClock::enter(const QString &next, UnitResult *result)
{
    if (next == name)
        return false;
    if (!name.isEmpty())
        result->phases.append({name, clock.nsecsElapsed() / 1e9});
    name = next;
    clock.start();
    return true;
}
