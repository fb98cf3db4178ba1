#include "terminal.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <windows.h>

namespace {

// The tool that receives them lives until the process ends.
QObject *interruptReceiver = nullptr;
std::function<void()> interruptHandler;
std::function<void()> closeHandler;

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (interruptReceiver)
            QMetaObject::invokeMethod(interruptReceiver, [] { interruptHandler(); }, Qt::QueuedConnection);
        return TRUE;
    case CTRL_CLOSE_EVENT:
        // The console is closing: the system ends the process once this
        // returns, or a few seconds from now. The units under way are given
        // up in that time, each with its report line, and those left in
        // their bootloader are named.
        if (interruptReceiver && closeHandler)
            Terminal::callAndWait(interruptReceiver, closeHandler);
        return TRUE;
    default:
        return FALSE;
    }
}

DWORD userOutput = STD_OUTPUT_HANDLE;

HANDLE output()
{
    return GetStdHandle(userOutput);
}

} // namespace

void Terminal::useStandardError()
{
    userOutput = STD_ERROR_HANDLE;
}

bool Terminal::isInteractive()
{
    DWORD mode = 0;
    if (!GetConsoleMode(output(), &mode))
        return false;
    // The live lines move the cursor with escape sequences; a console that
    // does not take them gets plain lines.
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING)
           || SetConsoleMode(output(), mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool Terminal::size(int *columns, int *rows)
{
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    if (!GetConsoleScreenBufferInfo(output(), &info))
        return false;
    *columns = info.srWindow.Right - info.srWindow.Left + 1;
    *rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    return true;
}

Terminal::WriteResult Terminal::writeOut(const QString &text, QString *error)
{
    const auto failed = [error] {
        const DWORD code = GetLastError();
        // The reader of the pipe ended: the user gone, not a fault of the
        // update.
        if (code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA)
            return WriteResult::Gone;
        *error = QStringLiteral("error %1").arg(code);
        return WriteResult::Failed;
    };
    DWORD mode = 0;
    if (GetConsoleMode(output(), &mode)) {
        // The console reads bytes in its OEM code page, where the ANSI
        // page's accents come out garbled; UTF-16 it shows as it is.
        const auto *chars = reinterpret_cast<const wchar_t *>(text.utf16());
        qint64 done = 0;
        while (done < text.size()) {
            DWORD written = 0;
            if (!WriteConsoleW(output(), chars + done, DWORD(text.size() - done), &written, nullptr) || written == 0)
                return failed();
            done += written;
        }
        return WriteResult::Written;
    }
    // Redirected to a file or a pipe: UTF-8, whatever the code pages.
    const QByteArray bytes = text.toUtf8();
    qint64 done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(output(), bytes.constData() + done, DWORD(bytes.size() - done), &written, nullptr)
            || written == 0)
            return failed();
        done += written;
    }
    return WriteResult::Written;
}

bool Terminal::watchInterrupts(QObject *receiver, std::function<void()> onInterrupt, std::function<void()> onClose)
{
    interruptReceiver = receiver;
    interruptHandler = std::move(onInterrupt);
    closeHandler = std::move(onClose);
    return SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}
