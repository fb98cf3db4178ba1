#ifndef KORVANE_RECORDS_APPENDONLY_H
#define KORVANE_RECORDS_APPENDONLY_H

#include <QByteArray>
#include <QFile>
#include <QString>

// A file that each write lands at the end of, wherever other programs have
// taken it meanwhile: the history is shared by the wizard, the station and
// korvane-flash, each of which holds it open while it runs.
namespace AppendOnly {

// Opens `file` on `path` for appending, unbuffered, creating it if need be.
bool open(QFile *file, const QString &path);

// What ends a line of a text file on this system, written with the line in
// one write: a record written in two pieces could be split by another's.
QByteArray lineEnd();

} // namespace AppendOnly

#endif
