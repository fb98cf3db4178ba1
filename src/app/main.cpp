#include "carriedfirmware.h"
#include "communication.h"
#include "desktopapp.h"
#include "upgraderwizard.h"

#include <QApplication>
#include <QWizard>

#include <memory>

int main(int argc, char *argv[])
{
    return DesktopApp::run(
        argc, argv, "korvane-upgrader", CarriedFirmware::kUpgraderVersion,
        QT_TRANSLATE_NOOP("DesktopApp", "Updates the firmware of a Korvane gripper through a wizard."), [] {
            Communication *comm = nullptr;
            QWizard *window = createUpgraderWizard(&comm);
            // The wizard goes first: its pages use the Communication to the end.
            std::unique_ptr<Communication> commOwner(comm);
            std::unique_ptr<QWizard> wizard(window);
            wizard->show();
            return QApplication::exec();
        });
}
