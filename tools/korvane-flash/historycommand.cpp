#include "historycommand.h"

#include "history.h"
#include "options.h"
#include "unitresult.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QVector>

#include <cstdio>

int runHistory(const Options &options)
{
    History::Query query;
    query.unit = options.unitId;
    if (!options.since.isEmpty()) {
        query.since = History::parseSince(options.since);
        if (!query.since.isValid()) {
            std::fprintf(stderr, "korvane-flash: %s\n",
                         qPrintable(QCoreApplication::translate("History", "--since %1: not a date (2026-12-08, "
                                                                           "2026-12-08T14:00)").arg(options.since)));
            return 2;
        }
    }
    const QString file = options.reportPath.isEmpty() ? History::path() : options.reportPath;
    // A report named that is not there is a mistyped name, not a report
    // without records; the history is not there until a first update.
    if (!options.reportPath.isEmpty() && !QFileInfo::exists(file)) {
        std::fprintf(stderr, "korvane-flash: %s\n",
                     qPrintable(QCoreApplication::translate("History", "%1: no such file").arg(file)));
        return 1;
    }
    QList<QJsonObject> records;
    int skipped = 0;
    QString error;
    if (!History::read(file, query, &records, &skipped, &error)) {
        std::fprintf(stderr, "korvane-flash: %s\n", qPrintable(error));
        return 1;
    }
    // Columns under a header, the time as the clock on the wall shows it
    // (--since is read in the same local time).
    QList<QStringList> rows;
    for (const QJsonObject &record : qAsConst(records)) {
        if (options.json) {
            std::fputs(QJsonDocument(record).toJson(QJsonDocument::Compact).constData(), stdout);
            std::fputc('\n', stdout);
            continue;
        }
        auto field = [&record](const char *name) { return record.value(QLatin1String(name)).toString(); };
        auto orDash = [](const QString &text) { return text.isEmpty() ? QStringLiteral("-") : text; };
        const QDateTime time = QDateTime::fromString(field("time"), Qt::ISODateWithMs);
        const QString port = field("port_path").isEmpty() ? field("port") : field("port_path");
        rows.append({time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : field("time"),
                     orDash(field("unit_id")), field("version_before") + QLatin1String(" -> ") + field("version_after"),
                     UnitResult::resultShown(field("result")),
                     orDash(record.value(QStringLiteral("image")).toObject().value(QStringLiteral("name")).toString()),
                     orDash(field("host")), orDash(port)});
    }
    if (!rows.isEmpty()) {
        rows.prepend({QCoreApplication::translate("History", "Time"), QCoreApplication::translate("History", "Unit"),
                      QCoreApplication::translate("History", "Versions"),
                      QCoreApplication::translate("History", "Result"), QCoreApplication::translate("History", "Image"),
                      QCoreApplication::translate("History", "Host"), QCoreApplication::translate("History", "Port")});
        QVector<int> widths(rows.first().size());
        for (const QStringList &row : qAsConst(rows)) {
            for (int i = 0; i < row.size(); ++i)
                widths[i] = qMax(widths[i], int(row.at(i).size()));
        }
        for (const QStringList &row : qAsConst(rows)) {
            QString line;
            for (int i = 0; i < row.size(); ++i)
                line += i + 1 < row.size() ? row.at(i).leftJustified(widths[i] + 2) : row.at(i);
            std::fputs(line.toLocal8Bit().constData(), stdout);
            std::fputc('\n', stdout);
        }
    }
    if (skipped > 0)
        std::fprintf(stderr, "korvane-flash: %s\n",
                     qPrintable(QCoreApplication::translate("History", "%1: %n line(s) that are no record skipped",
                                                            nullptr, skipped).arg(file)));
    if (records.isEmpty()) {
        // Silence would leave the user to guess whether the file was read,
        // held nothing, or held nothing that answers the question.
        QList<QJsonObject> all;
        History::read(file, History::Query(), &all, &skipped, &error);
        const QString said = !QFileInfo::exists(file)
            ? QCoreApplication::translate("History", "No record kept yet (%1).").arg(file)
            : all.isEmpty() ? QCoreApplication::translate("History", "%1 holds no record.").arg(file)
                            : QCoreApplication::translate("History", "%1: %n record(s), none that answers the question.",
                                                          nullptr, all.size()).arg(file);
        // --json output stays a list of records, here an empty one.
        std::fprintf(options.json ? stderr : stdout, "%s\n", qPrintable(said));
    }
    return 0;
}
