#include "carriedfirmware.h"
#include "communication.h"
#include "desktopapp.h"
#include "upgraderwizard.h"

#include <QApplication>
#include <QCoreApplication>
#include <QString>
#include <QWizard>

#include <memory>

int main(int argc, char *argv[])
{
    // Plug-ins come from Qt's own folder and from beside the program (Qt
    // looks there by itself), never from the working directory: started in
    // a folder others can write to, the wizard would load their code.
    DesktopApp::prepare();
    const int answered = DesktopApp::answerCommandLine(
        argc, argv, "korvane-upgrader", CarriedFirmware::kUpgraderVersion,
        QT_TRANSLATE_NOOP("DesktopApp", "Updates the firmware of a Korvane gripper through a wizard."));
    if (answered >= 0)
        return answered;
    QApplication app(argc, argv);
    DesktopApp::begin(&app, "korvane-upgrader", CarriedFirmware::kUpgraderVersion);
    Communication *comm = nullptr;
    QWizard *window = createUpgraderWizard(&comm);
    // The wizard goes first: its pages use the Communication to the end.
    std::unique_ptr<Communication> commOwner(comm);
    std::unique_ptr<QWizard> wizard(window);
    wizard->show();
    const int result = app.exec();
    return result;
}
