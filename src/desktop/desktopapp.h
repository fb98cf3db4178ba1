#ifndef KORVANE_DESKTOPAPP_H
#define KORVANE_DESKTOPAPP_H

#include <QIcon>

// What the two window programs (the wizard, the station) share as desktop
// programs, whatever they show.
namespace DesktopApp {

// Before the QApplication exists: scale to the screen's density, at the
// screen's own factor (a 150 % laptop gets 1.5, not 2 rounded up).
void prepare();

// The programs' icon, in every size the resources carry, so the title bar,
// the task bar and Alt-Tab each pick a sharp one.
QIcon icon();

} // namespace DesktopApp

#endif
