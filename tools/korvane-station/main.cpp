// korvane-station: every gripper on the bench updated at once, in a window.

#include "carriedfirmware.h"
#include "desktopapp.h"
#include "language.h"
#include "sessionlog.h"
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
    Language::install(&app);
    QApplication::setWindowIcon(DesktopApp::icon(QStringLiteral(":/images/station")));
    QApplication::setApplicationName(QStringLiteral("korvane-station"));
    QApplication::setOrganizationName(QStringLiteral("Korvane"));
    QApplication::setApplicationVersion(QLatin1String(CarriedFirmware::kUpgraderVersion));
    SessionLog::start(QStringLiteral("korvane-station"));
    StationWindow window;
    window.show();
    window.scan();
    return app.exec();
}
