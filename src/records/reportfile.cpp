#include "reportfile.h"

#include <QCoreApplication>

bool ReportFile::open(const QString &path, QString *error)
{
    if (file.isOpen() && path == filePath)
        return true;
    file.close();
    filePath = path;
    if (path.isEmpty())
        return true;
    file.setFileName(path);
    // Unbuffered: a line that cannot be written fails where it is written,
    // and is not written again with the next one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered)) {
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
    const QByteArray line = result.toJsonLine();
    if (file.write(line) != line.size() || !file.flush()) {
        ++lost;
        *error = file.errorString();
        return false;
    }
    return true;
}

