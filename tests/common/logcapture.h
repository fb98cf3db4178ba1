#ifndef LOGCAPTURE_H
#define LOGCAPTURE_H

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

// Collects the program's debug lines while it lives, and still passes them
// on to the test runner's own handler.
class LogCapture
{
public:
    LogCapture()
    {
        current() = this;
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        current() = nullptr;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    // Lines that start with `prefix`.
    QStringList linesStartingWith(const QString &prefix) const
    {
        QStringList found;
        for (const QString &line : lines()) {
            if (line.startsWith(prefix))
                found.append(line);
        }
        return found;
    }

private:
    static LogCapture *&current()
    {
        static LogCapture *instance = nullptr;
        return instance;
    }
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        LogCapture *self = current();
        if (!self)
            return;
        {
            QMutexLocker lock(&self->m_mutex);
            if (type == QtDebugMsg)
                self->m_lines.append(message);
        }
        if (self->m_previous)
            self->m_previous(type, context, message);
    }

    mutable QMutex m_mutex;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

#endif
