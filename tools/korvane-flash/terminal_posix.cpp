#include "terminal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
int userOutput = STDOUT_FILENO;

// Only a write is safe inside a signal handler; the event loop reads it.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

} // namespace

void Terminal::useStandardError()
{
    userOutput = STDERR_FILENO;
}

bool Terminal::isInteractive()
{
    return isatty(userOutput) == 1;
}

bool Terminal::size(int *columns, int *rows)
{
    winsize size = {};
    if (::ioctl(userOutput, TIOCGWINSZ, &size) != 0)
        return false;
    *columns = size.ws_col;
    *rows = size.ws_row;
    return true;
}

Terminal::WriteResult Terminal::writeOut(const QString &text, QString *error)
{
    const QByteArray bytes = text.toLocal8Bit();
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(userOutput, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // A hung-up terminal (EIO) or a closed pipe (EPIPE) is the user
            // gone, not a fault of the update.
            if (errno == EIO || errno == EPIPE)
                return WriteResult::Gone;
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return WriteResult::Failed;
        }
        done += written;
    }
    return WriteResult::Written;
}

bool Terminal::watchInterrupts(QObject *receiver, std::function<void()> onInterrupt, std::function<void()>)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, receiver);
    QObject::connect(notifier, &QSocketNotifier::activated, receiver, [onInterrupt] {
        char byte = 0;
        if (::read(signalPipe[1], &byte, 1) == 1)
            onInterrupt();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // An SSH session that drops hangs up the terminal; output that has
    // nowhere to go is dropped by the caller.
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}
