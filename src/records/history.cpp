#include "history.h"

#include "reportfile.h"
#include "unitresult.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QStandardPaths>

namespace History {

QString folder()
{
    // The generic folder, not each program's own: the wizard, the station
    // and korvane-flash answer one question about the same units.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Korvane");
}

QString path()
{
    return folder() + QStringLiteral("/history.jsonl");
}

QString logFolder()
{
    return folder() + QStringLiteral("/logs");
}

QString append(const UnitResult &record)
{
    ReportFile history;
    QString failure;
    QDir().mkpath(folder());
    if (!history.open(path(), &failure) || !history.write(record, &failure))
        return failure.isEmpty() ? path() : failure;
    return QString();
}

bool read(const QString &file, const Query &query, QList<QJsonObject> *records, int *skipped, QString *error)
{
    records->clear();
    *skipped = 0;
    QFile in(file);
    if (!in.exists())
        return true;
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("%1: %2").arg(file, in.errorString());
        return false;
    }
    while (!in.atEnd()) {
        const QByteArray line = in.readLine().trimmed();
        if (line.isEmpty())
            continue;
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        const QDateTime time = QDateTime::fromString(record.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
        if (record.isEmpty() || !time.isValid()) {
            ++*skipped;
            continue;
        }
        if (!query.unit.isEmpty()
            && record.value(QStringLiteral("unit_id")).toString().compare(query.unit, Qt::CaseInsensitive) != 0)
            continue;
        if (query.since.isValid() && time < query.since)
            continue;
        records->append(record);
    }
    return true;
}

QDateTime parseSince(const QString &text)
{
    // Local time, as the user's clock and the history's lines show it. A
    // day alone is its midnight; Qt would read a day out of the front of
    // "2026-12-08T14:00" as well and drop the hour.
    if (text.size() == 10)
        return QDateTime(QDate::fromString(text, Qt::ISODate), QTime(0, 0));
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

} // namespace History
