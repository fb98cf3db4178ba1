#ifndef LOGCAPTURE_H
#define LOGCAPTURE_H

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>

// Keeps the program's debug lines, from any thread, while it lives, instead
// of printing them: whole runs print thousands. dumpTail() shows the last
// ones when a test fails. Other messages reach the test runner as usual.
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

    void dumpTail(int n) const
    {
        QMutexLocker lock(&m_mutex);
        for (int i = std::max(0, int(m_lines.size()) - n); i < m_lines.size(); ++i)
            fprintf(stderr, "  log: %s\n", qPrintable(m_lines.at(i).left(200)));
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
        if (self && type == QtDebugMsg) {
            QMutexLocker lock(&self->m_mutex);
            self->m_lines.append(message);
        } else if (self && self->m_previous && !message.contains(QLatin1String("propagateSizeHints"))) {
            // (The offscreen platform warns about every window it cannot size.)
            self->m_previous(type, context, message);
        }
    }

    mutable QMutex m_mutex;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

#endif
