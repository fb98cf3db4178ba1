#ifndef KORVANE_RECORDS_REPORTFILE_H
#define KORVANE_RECORDS_REPORTFILE_H

#include "unitresult.h"

#include <QFile>
#include <QString>

// A file of records, one JSON line per unit (a named report, or the user's
// history), appended and on disk before the next unit ends. Kept open; a
// line that cannot be written is counted, never written again with the next
// one.
class ReportFile
{
public:
    // Empty: no report. The file is opened at once, created if need be.
    bool open(const QString &path, QString *error);
    QString path() const { return filePath; }
    // False, with `error` set, when the line is lost.
    bool write(const UnitResult &result, QString *error);
    int linesLost() const { return lost; }

private:
    QString filePath;
    QFile file;
    int lost = 0;
    // A write failed, perhaps half done: the next record begins a new line.
    bool endsMidLine = false;
};

#endif
