#ifndef KORVANE_RECORDS_HISTORY_H
#define KORVANE_RECORDS_HISTORY_H

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

// Where every front end of this user keeps its records and its session logs
// (the platform's data folder, shared by the programs: ~/.local/share/Korvane
// on Linux), and the questions asked of a file of records.
struct UnitResult;

namespace History {

QString folder();
// The records of every update this user ran where no report file was named.
QString path();
// The session logs' folder.
QString logFolder();

// Appends one record to the history. Empty, or why the line is not there.
QString append(const UnitResult &record);

struct Query
{
    // A unit's ID (case does not matter); empty: every unit.
    QString unit;
    // Records from this moment on; invalid: all.
    QDateTime since;
};

// The records of the file that answer the query, oldest first. Lines that
// are no record (cut short by a crash) are skipped and counted in `skipped`.
// False, with `error` set, when the file cannot be read; a file not there
// yet holds no record.
bool read(const QString &file, const Query &query, QList<QJsonObject> *records, int *skipped, QString *error);

// "2026-12-08", "2026-12-08T14:00" or a full ISO time; local time unless
// the text says otherwise. Invalid when the text is none of those.
QDateTime parseSince(const QString &text);

} // namespace History

#endif
