#include "pagedownloadfirmware.h"

#include "carriedfirmware.h"
#include "communication.h"
#include "downloaddialogs.h"
#include "wizardlog.h"

#include <QAbstractButton>
#include <QDebug>
#include <QLabel>
#include <QMessageBox>
#include <QMetaEnum>
#include <QProgressBar>
#include <QPushButton>
#include <QState>
#include <QVBoxLayout>

namespace {

Phrase pageText(const char *source)
{
    return Phrase("PageDownloadFirmware", source);
}

} // namespace

PageDownloadFirmware::PageDownloadFirmware(QWidget *parent, Communication *comm)
    : QWizardPage(parent)
    , communication(comm)
    , run(comm)
{
    setTitle(tr("Download of the new firmware"));
    setCommitPage(true);

    statusLabel = new QLabel(QStringLiteral("\r\n\r\n"));
    statusLabel->setWordWrap(true);
    detailLabel = new QLabel(QStringLiteral("\r\n\r\n"));
    detailLabel->setWordWrap(true);
    progressBar = new QProgressBar();
    connect(this, SIGNAL(progressChanged(int)), this, SLOT(updateProgressBar(int)));

    newDownloadButton = new QPushButton(tr("New download"), this);
    newDownloadButton->hide();
    connect(newDownloadButton, SIGNAL(clicked()), this, SLOT(onRestartClicked()));

    connect(&run, &DownloadRun::status, statusLabel, &QLabel::setText);
    connect(&run, &DownloadRun::progressChanged, this, &PageDownloadFirmware::progressChanged);
    connect(&run, &DownloadRun::loaded, this, [this] {
        progressBar->setValue(progressBar->maximum());
        closeGuard.hold(false);
        emit downloadOver();
    });
    connect(&run, &DownloadRun::erased, this, &PageDownloadFirmware::moveOn);
    connect(&run, &DownloadRun::freescaleReady, this, &PageDownloadFirmware::verifyFreescaleBootloader);
    connect(&run, &DownloadRun::failed, this, [this](GripperUpdate::Outcome outcome) {
        if (outcome != GripperUpdate::StartFailure)
            return popupErreurComm();
        endWithError(pageText(QT_TRANSLATE_NOOP("PageDownloadFirmware", "There was a problem starting the download "
                                                                        "procedure.")));
    });
    connect(&run, &DownloadRun::unitDetected, this, &PageDownloadFirmware::onDeviceDetected);

    auto *layout = new QVBoxLayout();
    layout->addWidget(statusLabel);
    layout->addWidget(progressBar);
    layout->addWidget(detailLabel);
    layout->addWidget(newDownloadButton, 0, Qt::AlignRight);
    setLayout(layout);
}

void PageDownloadFirmware::initializePage()
{
    wizard()->setButtonText(QWizard::CommitButton, tr("Verify version"));
    run.device = communication->deviceAt(field(QStringLiteral("portIndex")).toInt());
    // Back, then Next (manual reboot) comes here again: the machine is built once.
    if (!machine.initialState())
        buildMachine();
    startRun();
}

void PageDownloadFirmware::buildMachine()
{
    auto makeState = [this](const char *name, const char *slot) {
        auto *state = new QState(&machine);
        state->setObjectName(QLatin1String(name));
        connect(state, SIGNAL(entered()), this, slot);
        return state;
    };
    QState *initialize = makeState("stateInitialize", SLOT(initializeBootloader()));
    QState *identify = makeState("stateIdentify", SLOT(identifyBootloaderVer()));
    QState *eraseBootloader = makeState("stateEraseBootloader", SLOT(eraseBootloaderFlash()));
    QState *eraseFirmware = makeState("stateEraseFirmware", SLOT(eraseFirmawreFlash()));
    QState *downloadBootloader = makeState("stateDownloadBootloader", SLOT(downloadBootloader()));
    QState *downloadFirmware = makeState("stateDownloadFirmware", SLOT(downloadFirmware()));
    QState *verify = makeState("stateVerify", SLOT(verifyFirmware()));
    QState *error = makeState("stateError", SLOT(manageError()));

    initialize->addTransition(this, SIGNAL(transitionInitializeRetry()), initialize);
    initialize->addTransition(this, SIGNAL(transitionInitializeSuccess()), identify);
    initialize->addTransition(this, SIGNAL(transitionInitializeFailure()), error);
    identify->addTransition(this, SIGNAL(transitionUpdateBootloader()), eraseBootloader);
    identify->addTransition(this, SIGNAL(transitionUpdateFirmware()), eraseFirmware);
    eraseBootloader->addTransition(this, SIGNAL(transitionEraseSuccess()), downloadBootloader);
    eraseFirmware->addTransition(this, SIGNAL(transitionEraseSuccess()), downloadFirmware);
    downloadBootloader->addTransition(this, SIGNAL(transitionUpdateFirmware()), eraseFirmware);
    downloadBootloader->addTransition(this, SIGNAL(transitionDownloadSuccess()), verify);
    downloadFirmware->addTransition(this, SIGNAL(transitionDownloadSuccess()), verify);
    verify->addTransition(this, SIGNAL(transitionInitializeRetry()), initialize);
    // Whatever cannot be carried out past the entry (nothing to write, an
    // erase, a write, a read-back that differs) ends the run the same way.
    for (QState *state : {identify, eraseBootloader, eraseFirmware, downloadBootloader, downloadFirmware, verify})
        state->addTransition(this, SIGNAL(transitionDownloadFailure()), error);
    machine.setInitialState(initialize);

    connect(wizard()->button(QWizard::CommitButton), SIGNAL(clicked()), this, SLOT(onVerifyClicked()));
    connect(wizard(), &QWizard::finished, this, &PageDownloadFirmware::abandonRun);
    connect(wizard(), &QWizard::currentIdChanged, this, [this](int id) {
        // Left mid-run (Back in manual-reboot mode, or on while the page waits
        // for the next unit): the run ends rather than go on behind another page.
        if (wizard()->page(id) != this && (machine.isRunning() || run.isWatchingForNextUnit()))
            abandonRun();
    });
    closeGuard.watch(wizard(), detailLabel);

    // stop() completes asynchronously; a run asked for meanwhile starts once
    // the old one is down.
    connect(&machine, &QStateMachine::stopped, this, [this] {
        if (std::exchange(restartPending, false))
            machine.start();
    });
}

void PageDownloadFirmware::startRun()
{
    run.begin();
    progressBar->setValue(0);
    restartPending = machine.isRunning();
    if (restartPending)
        machine.stop();
    else
        machine.start();
}

void PageDownloadFirmware::abandonRun()
{
    restartPending = false;
    closeGuard.hold(false);
    machine.stop();
    run.abandon();
}

QString PageDownloadFirmware::currentStateName() const
{
    const auto active = machine.configuration();
    return active.isEmpty() ? QString() : (*active.begin())->objectName();
}

void PageDownloadFirmware::moveOn(DownloadRun::Next next)
{
    // Each transition signal is named after the result that leads to it.
    const char *name = QMetaEnum::fromType<DownloadRun::Next>().valueToKey(next);
    if (next != DownloadRun::Stay)
        QMetaObject::invokeMethod(this, QByteArray("transition").append(name).constData());
}

void PageDownloadFirmware::updateProgressBar(int value)
{
    progressBar->setValue(value);
}

void PageDownloadFirmware::onVerifyClicked()
{
    // On to the verification: the batch of manual-reboot units is over.
    run.watchForNextUnit(false);
}

void PageDownloadFirmware::onDeviceDetected(KorvaneDevice *detected)
{
    // Announced from inside identification's probe: the next unit's run
    // starts once that call has unwound.
    if (!run.takeNextUnit(detected))
        return;
    emit completeChanged();
    run.later([this] { emit transitionInitializeRetry(); });
}

void PageDownloadFirmware::onRestartClicked()
{
    if (!run.manualReboot())
        return;
    run.takeSameUnitAgain();
    emit completeChanged();
    emit transitionInitializeRetry();
}

bool PageDownloadFirmware::isComplete() const
{
    return run.isFinished();
}

void PageDownloadFirmware::recordVersion(const QString &version)
{
    const QString lost = run.recordEnd(GripperUpdate::Updated, version);
    // A line that must tie the unit to its firmware is not lost in silence.
    if (!lost.isEmpty())
        QMessageBox::warning(wizard(), CarriedFirmware::windowTitle(), DownloadDialogs::recordLostText(lost));
}

void PageDownloadFirmware::endWithError(const Phrase &error)
{
    closeGuard.hold(false);
    const QString lost = run.recordEnd(run.failure());
    const QString lostText = lost.isEmpty() ? QString() : DownloadDialogs::recordLostText(lost);
    DownloadDialogs::showFailure(lost.isEmpty() ? error.shown : error.shown + QStringLiteral("\n\n") + lostText);
    wizard()->close();
}

Phrase PageDownloadFirmware::prepareUpdate()
{
    const auto chosen = [this](const char *flag, const char *name) {
        return field(QLatin1String(flag)).toBool() ? field(QLatin1String(name)).toString() : QString();
    };
    const QString named = chosen("downloadFirmware", "firmwareFilename");
    QString mainName = named;
    const Phrase refused = run.prepare(field(QStringLiteral("downloadBootloader")).toBool(),
                                        chosen("downloadBootloader", "bootloaderFilename"), &mainName,
                                        field(QStringLiteral("manualReboot")).toBool(), DownloadDialogs::askMainImage);
    if (mainName != named)
        wizard()->setField(QStringLiteral("firmwareFilename"), mainName);
    return refused;
}

void PageDownloadFirmware::initializeBootloader()
{
    const int id = run.id();
    detailLabel->clear();
    wizard()->button(QWizard::CancelButton)->setEnabled(false);
    wizard()->button(QWizard::BackButton)->setEnabled(false);
    newDownloadButton->hide();
    if (!run.device) {
        qCDebug(lcWizard) << "ERREUR PageDownloadFirmware::initializeBootloader";
        emit transitionInitializeFailure();
        return;
    }
    const Phrase refused = prepareUpdate();
    if (run.isOver(id))
        return;
    if (!refused.isEmpty()) {
        // Nothing was sent: the user is told why, as after every failed run.
        qCDebug(lcWizard) << "ERREUR PageDownloadFirmware::initializeBootloader:" << refused.english;
        run.setFinished();
        abandonRun();
        endWithError(refused);
        return;
    }
    if (run.isFreescale())
        return startFreescaleTransfer(id);
    // Nothing has been erased until the link is up, and each attempt may
    // last as long as the user needs to cycle the power: Cancel stays usable.
    wizard()->button(QWizard::CancelButton)->setEnabled(true);
    const DownloadRun::Next next = run.enterBootloader();
    if (next == DownloadRun::InitializeSuccess)
        wizard()->button(QWizard::CancelButton)->setEnabled(false);
    // A retry goes through the event loop: a gripper that stays silent for
    // minutes must not keep the machine inside one event all that time.
    if (next == DownloadRun::InitializeRetry)
        run.later([this] { emit transitionInitializeRetry(); });
    else
        moveOn(next);
}

void PageDownloadFirmware::startFreescaleTransfer(int id)
{
    statusLabel->setText(tr("Initializing the Freescale bootloader."));
    if (run.manualReboot()) {
        QMessageBox(QMessageBox::NoIcon, CarriedFirmware::windowTitle(),
                    tr("Please turn off the gripper by disconnecting its power supply, then press OK."))
            .exec();
        if (run.isOver(id))
            return;
        // No time limit while the user powers it, by design: the way out is Cancel.
        wizard()->button(QWizard::CancelButton)->setEnabled(true);
    }
    run.startFreescale();
}

void PageDownloadFirmware::verifyFreescaleBootloader()
{
    wizard()->button(QWizard::CancelButton)->setEnabled(false);
    wizard()->button(QWizard::BackButton)->setEnabled(false);
    emit transitionInitializeSuccess();
}

void PageDownloadFirmware::identifyBootloaderVer()
{
    if (!run.isFreescale())
        statusLabel->setText(tr("Identifying the STM32 bootloader."));
    moveOn(run.identify());
}

void PageDownloadFirmware::eraseBootloaderFlash()
{
    // Not waited for: the machine stays in its erase state until it reports.
    closeGuard.hold(true);
    run.startErase(GripperUpdate::BootloaderImage);
}

void PageDownloadFirmware::eraseFirmawreFlash()
{
    closeGuard.hold(true);
    run.startErase(GripperUpdate::MainImage);
}

void PageDownloadFirmware::downloadBootloader()
{
    statusLabel->setText(tr("Downloading the bootloader"));
    writeImage(GripperUpdate::BootloaderImage);
}

void PageDownloadFirmware::downloadFirmware()
{
    if (run.isFreescale()) {
        // The engine sends the image as soon as the bootloader is ready; its
        // dots may already be coming.
        if (run.lastPhase() == GripperUpdate::FreescaleReady)
            statusLabel->setText(tr("Downloading the main firmware"));
        if (run.awaitFreescale())
            emit transitionDownloadSuccess();
        return;
    }
    statusLabel->setText(tr("Downloading file %1").arg(field(QStringLiteral("firmwareFilename")).toString()));
    writeImage(GripperUpdate::MainImage);
}

void PageDownloadFirmware::writeImage(GripperUpdate::Image image)
{
    const DownloadRun::Next next = run.write(image);
    if (next == DownloadRun::Stay)
        return;
    emit downloadOver();
    moveOn(next);
}

void PageDownloadFirmware::verifyFirmware()
{
    statusLabel->setText(tr("Verifying and jumping in the main firmware"));
    if (!run.isFreescale()) {
        const DownloadRun::Next verified = run.verifyAndStart();
        // A read-back that differs leaves the gripper in its ROM bootloader,
        // where a manual-reboot run can write it again.
        if (verified != DownloadRun::DownloadSuccess)
            return moveOn(verified);
        emit verifSuccess();
    }
    // Started (GS: loaded): closing the window no longer strands the gripper.
    closeGuard.hold(false);
    emit unitUpdated(run.device, run.mainImageName());

    if (!run.manualReboot()) {
        machine.stop();
        if (run.awaitStart())
            emit completeChanged();
        return;
    }

    detailLabel->setText(tr("To start another download, connect a new device via USB."));
    wizard()->button(QWizard::CancelButton)->setEnabled(true);
    const QString version = run.finishUnit();
    if (version.isEmpty())
        return;
    statusLabel->setText(statusLabel->text() + QStringLiteral("\r\n") + tr("Software Version: %1").arg(version));
    if (run.device->kind == GB1 || run.device->kind == FS)
        newDownloadButton->show();
    emit progressChanged(0);
    // The batch may end here: "Verify version" checks the unit just written.
    emit completeChanged();
}

void PageDownloadFirmware::manageError()
{
    qCDebug(lcWizard) << "Entered state manageError";
    run.setFinished();
    setCommitPage(false);
    wizard()->button(QWizard::BackButton)->setEnabled(true);
    // Stopped first: nothing reported while the dialog is open moves on.
    abandonRun();
    run.closeLink();
    endWithError(pageText(QT_TRANSLATE_NOOP("PageDownloadFirmware", "The communication could not be established or was "
                                                                    "lost.")));
}

void PageDownloadFirmware::popupErreurComm()
{
    if (!run.isFinished())
        endWithError(pageText(QT_TRANSLATE_NOOP(
            "PageDownloadFirmware",
            "The communication could not be established or was lost. Please turn off the gripper, unplug/replug the "
            "USB cable and relaunch the wizard by selecting the Manual Reboot option.")));
}
