#ifndef KORVANE_DESKTOPAPP_H
#define KORVANE_DESKTOPAPP_H

#include <QIcon>

#include <functional>

// What the two window programs (the wizard, the station) share as desktop
// programs, whatever they show.
namespace DesktopApp {

// The whole of a window program's main(): --help and --version answered (in
// the language --lang names) without a window, a display or a session log;
// else the application made, its texts put in the user's language, its name
// and version given to its records and its session log (a window program on
// Windows has no standard error: its diagnostics go to a file a technician
// can send), and `window` called to show the program's window and return
// QApplication::exec()'s status. Options it does not know are left to Qt
// (-platform, -style).
int run(int argc, char *argv[], const char *program, const char *version, const char *description,
        const std::function<int()> &window);

// A program's icon, in every size the resources carry under `sizes`
// (":/images/hicolor" the wizard's, ":/images/station" the station's), so the
// title bar, the task bar and Alt-Tab each pick a sharp one.
QIcon icon(const QString &sizes);

} // namespace DesktopApp

#endif
