#include "sessionlog.h"

#include "history.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>

namespace SessionLog {

namespace {

struct State
{
    QMutex mutex;
    QFile file;
    QtMessageHandler previous = nullptr;
};

State &state()
{
    // Never destroyed: Qt may still log while the program's statics go.
    static State *instance = new State;
    return *instance;
}

const char *levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "";
}

void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    State &s = state();
    QtMessageHandler previous = nullptr;
    {
        QMutexLocker lock(&s.mutex);
        previous = s.previous;
        // A closed file would itself warn, and the warning come back here.
        if (s.file.isOpen()) {
            const QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' '
                                    + (context.category ? context.category : "default") + ' ' + levelName(type)
                                    + ": " + text.toUtf8() + '\n';
            // Unbuffered: the lines before a crash are the ones that matter.
            s.file.write(line);
        }
    }
    if (previous)
        previous(type, context, text);
}

} // namespace

QString start(const QString &program, int keep)
{
    State &s = state();
    QDir folder(History::logFolder());
    if (!folder.mkpath(QStringLiteral(".")))
        return QString();
    const QString pattern = program + QStringLiteral("-*.log");
    // The names sort by their time: the first ones are the oldest.
    QStringList old = folder.entryList({pattern}, QDir::Files, QDir::Name);
    while (old.size() >= qMax(keep, 1))
        folder.remove(old.takeFirst());
    const QString name = QStringLiteral("%1-%2-%3.log")
                             .arg(program, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")))
                             .arg(QCoreApplication::applicationPid());
    QMutexLocker lock(&s.mutex);
    s.file.close();
    s.file.setFileName(folder.filePath(name));
    if (!s.file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered))
        return QString();
    // Whoever took the messages since (a test's capture) passes them on.
    const QtMessageHandler previous = qInstallMessageHandler(handle);
    if (previous != handle)
        s.previous = previous;
    return s.file.fileName();
}

QString path()
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    return s.file.isOpen() ? s.file.fileName() : QString();
}

} // namespace SessionLog
