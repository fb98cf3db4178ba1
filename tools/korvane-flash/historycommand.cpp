#include "historycommand.h"

#include "history.h"
#include "options.h"
#include "unitresult.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>

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
    for (const QJsonObject &record : qAsConst(records)) {
        if (options.json) {
            std::fputs(QJsonDocument(record).toJson(QJsonDocument::Compact).constData(), stdout);
            std::fputc('\n', stdout);
            continue;
        }
        auto field = [&record](const char *name) { return record.value(QLatin1String(name)).toString(); };
        const QString port = field("port_path").isEmpty() ? field("port") : field("port_path");
        const QString unit = field("unit_id").isEmpty() ? QStringLiteral("-") : field("unit_id");
        const QString image = record.value(QStringLiteral("image")).toObject().value(QStringLiteral("name")).toString();
        const QString line = QStringLiteral("%1  %2  %3 -> %4  %5  %6  %7 %8")
                                 .arg(field("time"), unit, field("version_before"), field("version_after"),
                                      UnitResult::resultShown(field("result")),
                                      image.isEmpty() ? QStringLiteral("-") : image, field("host"),
                                      port);
        std::fputs(line.toLocal8Bit().constData(), stdout);
        std::fputc('\n', stdout);
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
