#include "reportfile.h"

#include "appendonly.h"

#include <QCoreApplication>
#include <QFileInfo>

bool ReportFile::open(const QString &path, QString *error)
{
    if (file.isOpen() && path == filePath)
        return true;
    file.close();
    filePath = path;
    if (path.isEmpty())
        return true;
    // Unbuffered: a line that cannot be written fails where it is written,
    // and is not written again with the next one.
    if (!AppendOnly::open(&file, path)) {
        *error = QCoreApplication::translate("Batch", "%1: cannot be opened for appending (%2)").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool ReportFile::write(const UnitResult &result, QString *error)
{
    if (filePath.isEmpty())
        return true;
    // A report that could not be opened before may be now (its folder made).
    if (!file.isOpen() && !open(filePath, error)) {
        ++lost;
        return false;
    }
    // A line cut short (a crash, a power loss, a full disk; the history is
    // shared by the programs) would swallow the record appended to it: that
    // one starts a line of its own.
    QFile last(filePath);
    if (QFileInfo(filePath).isFile() && last.open(QIODevice::ReadOnly) && last.size() > 0
        && last.seek(last.size() - 1) && last.read(1) != "\n")
        endsMidLine = true;
    QByteArray line = result.toJsonLine();
    line.chop(1);
    line = (endsMidLine ? AppendOnly::lineEnd() : QByteArray()) + line + AppendOnly::lineEnd();
    if (file.write(line) != line.size() || !file.flush()) {
        ++lost;
        *error = file.errorString();
        // Part of it may be there.
        endsMidLine = true;
        return false;
    }
    endsMidLine = false;
    return true;
}

