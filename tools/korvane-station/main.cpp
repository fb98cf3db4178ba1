// korvane-station: every gripper on the bench updated at once, in a window.

#include "carriedfirmware.h"
#include "desktopapp.h"
#include "stationwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    DesktopApp::prepare();
    const int answered = DesktopApp::answerCommandLine(
        argc, argv, "korvane-station", CarriedFirmware::kUpgraderVersion,
        QT_TRANSLATE_NOOP("DesktopApp", "Updates every Korvane gripper on the bench at once, in a window."));
    if (answered >= 0)
        return answered;
    QApplication app(argc, argv);
    QApplication::setWindowIcon(DesktopApp::icon(QStringLiteral(":/images/station")));
    QApplication::setOrganizationName(QStringLiteral("Korvane"));
    DesktopApp::begin(&app, "korvane-station", CarriedFirmware::kUpgraderVersion);
    StationWindow window;
    window.show();
    window.scan();
    return app.exec();
}
