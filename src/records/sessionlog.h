#ifndef KORVANE_RECORDS_SESSIONLOG_H
#define KORVANE_RECORDS_SESSIONLOG_H

#include <QString>

// A window program's diagnostics in a file of its own per session, beside
// the history, so that a technician whose update failed has something to
// send: a Windows window program has no standard error. The oldest files
// of the same program go once more than `keep` sessions are there.
namespace SessionLog {

// Every message of this process from now on goes to a new file as well as
// where it went before. The file's path; empty when none could be made (the
// messages still go where they went).
QString start(const QString &program, int keep = 5);
// The file of this session, empty before start().
QString path();

} // namespace SessionLog

#endif
