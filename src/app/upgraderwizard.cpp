#include "upgraderwizard.h"

#include "carriedfirmware.h"
#include "communication.h"
#include "desktopapp.h"
#include "pagecheckversion.h"
#include "pagedownloadfirmware.h"
#include "pageselectport.h"
#include "pageverifynewversion.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <QWizard>
#include <QWizardPage>

QWizard *createUpgraderWizard(Communication **commOut)
{
    QWizard *wizard = new QWizard(nullptr, Qt::WindowFlags());
    wizard->setWindowFlags(Qt::CustomizeWindowHint);

    Communication *comm = new Communication(nullptr);

    wizard->setWindowTitle(CarriedFirmware::windowTitle());
    wizard->setWizardStyle(QWizard::ModernStyle);
    wizard->setWindowIcon(DesktopApp::icon(QStringLiteral(":/images/hicolor")));
    wizard->setPixmap(QWizard::LogoPixmap, QPixmap(QStringLiteral(":/images/KorvaneIcon.png")));
    wizard->setPixmap(QWizard::WatermarkPixmap, QPixmap(QStringLiteral(":/images/KorvaneIcon.png")));

    QWizardPage *intro = new QWizardPage();
    intro->setTitle(QCoreApplication::translate("UpgraderWizard", "Korvane Upgrader"));
    QLabel *introText = new QLabel(QCoreApplication::translate("UpgraderWizard",
                                                              "This is Korvane Upgrader for firmware version %1. This "
                                                              "wizard will update the firmware of your Korvane product.")
                                       .arg(CarriedFirmware::designation()));
    introText->setWordWrap(true);
    QLabel *versionLine
        = new QLabel(QCoreApplication::translate("UpgraderWizard", "Upgrader version %1").arg(QLatin1String(CarriedFirmware::kUpgraderVersion)));
    QVBoxLayout *layout = new QVBoxLayout();
    layout->addWidget(introText);
    layout->addWidget(versionLine);
    intro->setLayout(layout);
    wizard->addPage(intro);

    PageSelectPort *selectPort = new PageSelectPort(wizard, comm);
    wizard->addPage(selectPort);
    PageCheckVersion *checkVersion = new PageCheckVersion(wizard, comm);
    wizard->addPage(checkVersion);
    PageDownloadFirmware *download = new PageDownloadFirmware(wizard, comm);
    wizard->addPage(download);
    PageVerifyNewVersion *verify = new PageVerifyNewVersion(wizard, comm);
    wizard->addPage(verify);
    // The run knows which unit it wrote and with what; the port page's list
    // may have moved on since (a hot-plug notice resets it).
    QObject::connect(download, &PageDownloadFirmware::unitUpdated, verify, &PageVerifyNewVersion::takeUpdatedUnit);
    QObject::connect(verify, &PageVerifyNewVersion::versionJudged, download, &PageDownloadFirmware::recordVersion);

    if (commOut)
        *commOut = comm;
    return wizard;
}
