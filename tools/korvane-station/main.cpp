// korvane-station: every gripper on the bench updated at once, in a window.

#include "carriedfirmware.h"
#include "desktopapp.h"
#include "stationwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    return DesktopApp::run(
        argc, argv, "korvane-station", CarriedFirmware::kUpgraderVersion,
        QT_TRANSLATE_NOOP("DesktopApp", "Updates every Korvane gripper on the bench at once, in a window."), [] {
            QApplication::setWindowIcon(DesktopApp::icon(QStringLiteral(":/images/station")));
            StationWindow window;
            window.show();
            window.scan();
            return QApplication::exec();
        });
}
