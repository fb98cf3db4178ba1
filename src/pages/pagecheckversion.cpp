#include "pagecheckversion.h"

#include "carriedfirmware.h"
#include "communication.h"
#include "firmwarechoice.h"
#include "history.h"
#include "korvanedevice.h"
#include "unitend.h"
#include "wizardlog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>
#include <QWizard>

#include <tuple>

PageCheckVersion::PageCheckVersion(QWidget *parent, Communication *comm)
    : QWizardPage(parent)
    , communication(comm)
{
    setTitle(tr("Current firmware version"));
    setCommitPage(true);

    statusLabel = new QLabel(tr("The wizard verifies the current version of the firmware."));
    statusLabel->setWordWrap(true);
    bootloaderBox = new QCheckBox(tr("Download bootloader"));
    bootloaderBox->setEnabled(false);
    firmwareBox = new QCheckBox(tr("Download main firmware"));
    firmwareBox->setEnabled(false);
    bootloaderList = new QComboBox();
    bootloaderList->setEnabled(false);
    firmwareList = new QComboBox();
    firmwareList->setEnabled(false);

    const QStringList names = QDir(QStringLiteral(":/firmware/")).entryList();
    for (const QString &name : names) {
        if (CarriedFirmware::isBootloaderImage(name)) {
            bootloaderList->addItem(name);
            bootloaderBox->setEnabled(true);
        } else if (CarriedFirmware::isMainImage(name)) {
            firmwareList->addItem(name);
            firmwareBox->setEnabled(true);
        }
    }

    auto *layout = new QVBoxLayout();
    layout->addWidget(statusLabel);
    auto *bootloaderRow = new QHBoxLayout();
    bootloaderRow->addWidget(bootloaderBox);
    bootloaderRow->addWidget(bootloaderList);
    layout->addLayout(bootloaderRow);
    auto *firmwareRow = new QHBoxLayout();
    firmwareRow->addWidget(firmwareBox);
    firmwareRow->addWidget(firmwareList);
    layout->addLayout(firmwareRow);
    setLayout(layout);

    registerField(QStringLiteral("downloadBootloader"), bootloaderBox, "checked");
    registerField(QStringLiteral("downloadFirmware"), firmwareBox, "checked");
    registerField(QStringLiteral("bootloaderFilename"), bootloaderList, "currentText");
    registerField(QStringLiteral("firmwareFilename"), firmwareList, "currentText");

    connect(bootloaderBox, SIGNAL(toggled(bool)), bootloaderList, SLOT(setEnabled(bool)));
    connect(bootloaderBox, SIGNAL(clicked()), this, SIGNAL(completeChanged()));
    connect(firmwareBox, SIGNAL(toggled(bool)), firmwareList, SLOT(setEnabled(bool)));
    connect(firmwareBox, SIGNAL(clicked()), this, SIGNAL(completeChanged()));
}

KorvaneDevice *PageCheckVersion::chosenDevice() const
{
    return communication->deviceAt(field(QStringLiteral("portIndex")).toInt());
}

void PageCheckVersion::initializePage()
{
    KorvaneDevice *device = chosenDevice();
    if (!device)
        return;
    // The GS family's Freescale path writes one fixed image, so there is
    // nothing to choose; any other gripper needs the choices back even after
    // a GS one was looked at.
    const bool choices = device->kind != GS;
    bootloaderBox->setVisible(choices);
    bootloaderList->setVisible(choices);
    firmwareBox->setVisible(choices);
    firmwareList->setVisible(choices);

    // The image made for the installed product, when one is carried, is the
    // one offered: the same the other front ends would give this gripper.
    const int madeForIt = firmwareList->findText(CarriedFirmware::mainImageFor(device->typeCode));
    if (madeForIt >= 0)
        firmwareList->setCurrentIndex(madeForIt);

    if (wizard())
        wizard()->setButtonText(QWizard::CommitButton, tr("Update firmware"));
    compareVersions(device->typeCode, device->major, device->minor, device->patch);
    statusLabel->setText(tr("The current version of the firmware is %1").arg(device->versionText()));
}

void PageCheckVersion::compareVersions(const QString &typeCode, int major, int minor, int patch)
{
    if (typeCode.size() < 3)
        return;
    const QString installedType = typeCode.left(3);

    QMessageBox warning;
    warning.setWindowTitle(CarriedFirmware::windowTitle());
    warning.setIcon(QMessageBox::Critical);
    warning.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);

    // Judged against the image about to be written; without a readable one,
    // against the firmware this build is named after.
    FirmwareImage image;
    bool sameType = false;
    const bool named = FirmwareChoice::describeImage(firmwareList->currentText(), &image);
    if (named) {
        sameType = installedType == image.typeCode;
    } else {
        image.major = CarriedFirmware::kMajor;
        image.minor = CarriedFirmware::kMinor;
        image.patch = CarriedFirmware::kPatch;
        for (const char *accepted : CarriedFirmware::kTypeCodes)
            sameType = sameType || installedType == QLatin1String(accepted);
    }
    const auto installed = std::make_tuple(major, minor, patch);
    const auto carried = std::make_tuple(image.major, image.minor, image.patch);
    if (!sameType)
        warning.setText(tr(
            "The firmware you will install is of a different type than the one currently installed."));
    else if (installed > carried)
        warning.setText(tr("The firmware you will install is older than the one currently installed."));
    else if (installed == carried)
        warning.setText(tr(
            "The version of the firmware you will install is the same as the one currently installed."));
    else
        return;

    if (warning.exec() != QMessageBox::Cancel || !wizard())
        return;
    // Left as it is, as the other front ends leave such a unit: recorded
    // alike (refused when it runs a newer version, else up to date).
    const KorvaneDevice *device = chosenDevice();
    if (named && sameType && installed >= carried && device) {
        UnitResult left = UnitEnd::untouched(device->portName, device->kind, device->typeCode, device->versionText(),
                                             installed > carried ? UnitEnd::newerText(image.versionText()) : Phrase());
        if (installed == carried) {
            left.result = UnitResult::UpToDate;
            left.versionAfter = left.versionBefore;
        }
        const QString lost = History::append(left);
        if (!lost.isEmpty())
            qCWarning(lcWizard) << "ERREUR history:" << lost;
    }
    wizard()->close();
}

bool PageCheckVersion::isComplete() const
{
    const KorvaneDevice *device = chosenDevice();
    if (!device)
        return false;
    if (device->kind == GS)
        return true;
    return field(QStringLiteral("downloadBootloader")).toBool() || field(QStringLiteral("downloadFirmware")).toBool();
}
