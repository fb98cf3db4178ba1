#ifndef LOGCAPTURE_H
#define LOGCAPTURE_H

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>

// Collects the program's debug lines, from any thread, while it lives. Other
// messages still reach the test runner's own handler; debug lines do too
// unless `quiet`: whole runs print thousands, shown only when a test fails.
class LogCapture
{
public:
    explicit LogCapture(bool quiet = false)
        : m_quiet(quiet)
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
    void dumpTail(int n) const
    {
        const QStringList all = lines();
        for (int i = std::max(0, int(all.size()) - n); i < all.size(); ++i)
            fprintf(stderr, "  log: %s\n", qPrintable(all.at(i).left(200)));
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
        if (type == QtDebugMsg) {
            QMutexLocker lock(&self->m_mutex);
            self->m_lines.append(message);
        }
        // The offscreen platform warns about every window it cannot size.
        if (message.contains(QLatin1String("propagateSizeHints")))
            return;
        if (self->m_previous && !(self->m_quiet && type == QtDebugMsg))
            self->m_previous(type, context, message);
    }

    mutable QMutex m_mutex;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
    const bool m_quiet;
};

#endif
