#include "appendonly.h"

namespace AppendOnly {

bool open(QFile *file, const QString &path)
{
    // O_APPEND: the system moves to the end at every write.
    file->setFileName(path);
    return file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

QByteArray lineEnd()
{
    return QByteArrayLiteral("\n");
}

} // namespace AppendOnly
