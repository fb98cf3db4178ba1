#ifndef KORVANE_DESKTOPAPP_H
#define KORVANE_DESKTOPAPP_H

#include <QIcon>

class QCoreApplication;

// What the two window programs (the wizard, the station) share as desktop
// programs, whatever they show.
namespace DesktopApp {

// Before the QApplication exists: scale to the screen's density, at the
// screen's own factor (a 150 % laptop gets 1.5, not 2 rounded up).
void prepare();

// Before the QApplication exists: answers --help and --version (in the
// language --lang names) without a window, a display or a session log.
// Returns the exit status when it answered, -1 when the window is to open.
// Options it does not know are left to Qt (-platform, -style).
int answerCommandLine(int argc, char *argv[], const char *program, const char *version, const char *description);

// Once the QApplication exists: its texts in the user's language, and the
// name and version its records and its session log (a window program on
// Windows has no standard error: its diagnostics go to a file a technician
// can send) give it.
void begin(QCoreApplication *app, const char *program, const char *version);

// A program's icon, in every size the resources carry under `sizes`
// (":/images/hicolor" the wizard's, ":/images/station" the station's), so the
// title bar, the task bar and Alt-Tab each pick a sharp one.
QIcon icon(const QString &sizes);

} // namespace DesktopApp

#endif
