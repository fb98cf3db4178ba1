// korvane-station: every gripper on the bench updated at once, in a window.

#include "desktopapp.h"
#include "language.h"
#include "stationwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    DesktopApp::prepare();
    QApplication app(argc, argv);
    Language::install(&app);
    QApplication::setWindowIcon(DesktopApp::icon());
    QApplication::setApplicationName(QStringLiteral("korvane-station"));
    QApplication::setOrganizationName(QStringLiteral("Korvane"));
    StationWindow window;
    window.show();
    window.scan();
    return app.exec();
}
