// korvane-station: every gripper on the bench updated at once, in a window.

#include "stationwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvane-station"));
    QApplication::setOrganizationName(QStringLiteral("Korvane"));
    StationWindow window;
    window.show();
    window.scan();
    return app.exec();
}
