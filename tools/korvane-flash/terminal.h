#ifndef KORVANE_FLASH_TERMINAL_H
#define KORVANE_FLASH_TERMINAL_H

#include <QByteArray>
#include <QMetaObject>
#include <QObject>
#include <QString>

#include <functional>

// What korvane-flash needs of the console it runs in, one file per system
// (terminal_posix.cpp, terminal_win.cpp).
namespace Terminal {

// From now on the lines for the user go to standard error instead of
// standard output, which is left to lines a script reads (--json).
void useStandardError();

// Whether the user's output is a terminal that follows the cursor movements
// the live lines are redrawn with.
bool isInteractive();
// The size of that terminal now; false when it cannot be told.
bool size(int *columns, int *rows);

enum class WriteResult { Written, Gone, Failed };
// Writes all of the text to the user's output, in the encoding its reader
// takes. Gone: the reader went away (a hung-up terminal, a closed pipe);
// Failed: any other error, said in *error.
WriteResult writeOut(const QString &text, QString *error);

// From now on Ctrl-C and a request to terminate call onInterrupt in the
// event loop of the receiver's thread, each time; a hang-up of the terminal
// is ignored (the units under way must finish). Where the system ends the
// process seconds after its console closes (Windows), onClose runs first, in
// the receiver's thread, and the process ends once it returns. False when it
// cannot be set up.
bool watchInterrupts(QObject *receiver, std::function<void()> onInterrupt, std::function<void()> onClose);

// Runs `work` in the receiver's thread and returns once it has: the thread
// the system calls a console handler on waits for every line to be written.
inline void callAndWait(QObject *receiver, const std::function<void()> &work)
{
    QMetaObject::invokeMethod(receiver, work, Qt::BlockingQueuedConnection);
}

} // namespace Terminal

#endif
