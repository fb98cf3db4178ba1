#include "pagedownloadfirmware.h"

#include "carriedfirmware.h"
#include "communication.h"

#include <QAbstractButton>
#include <QDebug>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMetaEnum>
#include <QProgressBar>
#include <QPushButton>
#include <QState>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Found in its ROM, a gripper cannot say which product it is, and the wrong
// image (or the wrong bank) leaves it without firmware: the user says.
QString askMainImage()
{
    QMessageBox box(QMessageBox::Question, CarriedFirmware::windowTitle(),
                    QStringLiteral("This gripper waits in its bootloader and cannot tell which product it is. "
                                   "Which firmware does it take?"));
    for (const QString &image : CarriedFirmware::mainImages())
        box.addButton(image, QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    return clicked && box.buttonRole(clicked) == QMessageBox::AcceptRole
               ? clicked->text().remove(QLatin1Char('&'))
               : QString();
}

void showErrorDialog(const QString &text)
{
    QMessageBox(QMessageBox::Critical, CarriedFirmware::windowTitle(), text).exec();
}

} // namespace

PageDownloadFirmware::PageDownloadFirmware(QWidget *parent, Communication *comm)
    : QWizardPage(parent)
    , communication(comm)
    , run(comm)
{
    setTitle(QStringLiteral("Download of the new firmware"));
    setCommitPage(true);

    statusLabel = new QLabel(QStringLiteral("\r\n\r\n"));
    statusLabel->setWordWrap(true);
    detailLabel = new QLabel(QStringLiteral("\r\n\r\n"));
    detailLabel->setWordWrap(true);
    progressBar = new QProgressBar();
    progressBar->setMaximum(100);
    progressBar->setMinimum(0);
    connect(this, SIGNAL(progressChanged(int)), this, SLOT(updateProgressBar(int)));

    newDownloadButton = new QPushButton(QStringLiteral("New download"), this);
    newDownloadButton->hide();
    connect(newDownloadButton, SIGNAL(clicked()), this, SLOT(onRestartClicked()));

    connect(&run, &DownloadRun::status, statusLabel, &QLabel::setText);
    connect(&run, &DownloadRun::progressChanged, this, &PageDownloadFirmware::progressChanged);
    connect(&run, &DownloadRun::loaded, this, [this] {
        progressBar->setValue(progressBar->maximum());
        complete = true;
        setFlashing(false);
        emit downloadOver();
    });
    connect(&run, &DownloadRun::erased, this, &PageDownloadFirmware::moveOn);
    connect(&run, &DownloadRun::freescaleReady, this, &PageDownloadFirmware::verifyFreescaleBootloader);
    connect(&run, &DownloadRun::failed, this, &PageDownloadFirmware::onRunFailed);
    connect(&run, &DownloadRun::unitDetected, this, &PageDownloadFirmware::onDeviceDetected);
    connect(&run, &DownloadRun::stopped, this, &PageDownloadFirmware::runStopped);

    auto *layout = new QVBoxLayout();
    layout->addWidget(statusLabel);
    layout->addWidget(progressBar);
    layout->addWidget(detailLabel);
    layout->addWidget(newDownloadButton, 0, Qt::AlignRight);
    setLayout(layout);
}

void PageDownloadFirmware::initializePage()
{
    wizard()->setButtonText(QWizard::CommitButton, QStringLiteral("Verify version"));
    run.device = communication->deviceAt(field(QStringLiteral("portIndex")).toInt());
    // The user may come back to this page (Back, then Next, in manual-reboot
    // mode): the machine and the connections are made the first time only.
    if (!machine.initialState()) {
        buildMachine();
        connect(wizard()->button(QWizard::CommitButton), SIGNAL(clicked()), this, SLOT(onVerifyClicked()));
        connect(wizard(), SIGNAL(currentIdChanged(int)), this, SLOT(onWizardPageChanged(int)));
        connect(wizard(), &QWizard::finished, this, &PageDownloadFirmware::abandonRun);
        wizard()->installEventFilter(this);
    }
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

    connect(wizard(), SIGNAL(finished(int)), &machine, SLOT(stop()));
    // stop() completes asynchronously; a run asked for meanwhile starts once
    // the old one is down.
    connect(&machine, &QStateMachine::stopped, this, [this] {
        if (restartPending) {
            restartPending = false;
            machine.start();
        }
    });
}

void PageDownloadFirmware::startRun()
{
    run.begin();
    complete = false;
    progressBar->setValue(0);
    if (machine.isRunning()) {
        restartPending = true;
        machine.stop();
    } else {
        machine.start();
    }
}

void PageDownloadFirmware::abandonRun()
{
    restartPending = false;
    setFlashing(false);
    machine.stop();
    run.abandon();
}

void PageDownloadFirmware::onWizardPageChanged(int id)
{
    // Leaving while a run is still going (Back in manual-reboot mode, or on
    // to the verification while the page waits for the next unit): the run
    // ends here rather than go on behind another page.
    if (wizard()->page(id) != this && (machine.isRunning() || run.isWatchingForNextUnit()))
        abandonRun();
}

QString PageDownloadFirmware::currentStateName() const
{
    const auto active = machine.configuration();
    return active.isEmpty() ? QString() : (*active.begin())->objectName();
}

void PageDownloadFirmware::emitLater(void (PageDownloadFirmware::*signal)())
{
    const int id = run.id();
    QTimer::singleShot(0, this, [this, id, signal] {
        if (!run.isOver(id))
            (this->*signal)();
    });
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
    if (run.takeNextUnit(detected))
        emitLater(&PageDownloadFirmware::transitionInitializeRetry);
}

void PageDownloadFirmware::onRestartClicked()
{
    if (!fieldFlag("manualReboot"))
        return;
    communication->close();
    run.device->inBootloader = false;
    run.watchForNextUnit(false);
    emit transitionInitializeRetry();
}

bool PageDownloadFirmware::isComplete() const
{
    return complete;
}

bool PageDownloadFirmware::eventFilter(QObject *watched, QEvent *event)
{
    if (flashing && watched == wizard()) {
        // QDialog rejects on Escape and on its window's close even while
        // Cancel is disabled.
        const bool escape = event->type() == QEvent::KeyPress
                            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape;
        if (escape || event->type() == QEvent::Close) {
            event->ignore();
            detailLabel->setText(QStringLiteral(
                "Please wait: the window closes once the new firmware is written and started."));
            return true;
        }
    }
    return QWizardPage::eventFilter(watched, event);
}

void PageDownloadFirmware::setFlashing(bool on)
{
    flashing = on;
    if (on)
        setButtonEnabled(QWizard::CancelButton, false);
}

void PageDownloadFirmware::endRunBeforeStart(const QString &text)
{
    complete = true;
    abandonRun();
    showErrorDialog(text);
    wizard()->close();
}

void PageDownloadFirmware::setButtonEnabled(QWizard::WizardButton which, bool enabled)
{
    wizard()->button(which)->setEnabled(enabled);
}

bool PageDownloadFirmware::fieldFlag(const char *name) const
{
    return field(QLatin1String(name)).toBool();
}

QString PageDownloadFirmware::prepareUpdate()
{
    const QString bootloaderName
        = fieldFlag("downloadBootloader") ? field(QStringLiteral("bootloaderFilename")).toString() : QString();
    const QString named = fieldFlag("downloadFirmware") ? field(QStringLiteral("firmwareFilename")).toString() : QString();
    QString mainName = named;
    const QString refused = run.prepare(fieldFlag("downloadBootloader"), bootloaderName, &mainName,
                                        fieldFlag("manualReboot"), askMainImage);
    if (mainName != named)
        wizard()->setField(QStringLiteral("firmwareFilename"), mainName);
    return refused;
}

void PageDownloadFirmware::initializeBootloader()
{
    const int id = run.id();
    detailLabel->clear();
    setButtonEnabled(QWizard::CancelButton, false);
    setButtonEnabled(QWizard::BackButton, false);
    newDownloadButton->hide();
    if (!run.device) {
        qDebug() << "ERREUR PageDownloadFirmware::initializeBootloader";
        emit transitionInitializeFailure();
        return;
    }
    const QString refused = prepareUpdate();
    if (run.isOver(id))
        return;
    if (!refused.isEmpty()) {
        qDebug() << "ERREUR PageDownloadFirmware::initializeBootloader:" << refused;
        endRunBeforeStart(refused);
        return;
    }
    if (run.isFreescale()) {
        startFreescaleTransfer(id);
        return;
    }
    // Nothing has been erased until the link is up, and each attempt may
    // last as long as the user needs to cycle the power: Cancel stays usable.
    setButtonEnabled(QWizard::CancelButton, true);
    const DownloadRun::Next next = run.enterBootloader();
    if (next == DownloadRun::InitializeSuccess)
        setButtonEnabled(QWizard::CancelButton, false);
    // A retry goes through the event loop: a gripper that stays silent for
    // minutes must not keep the machine inside one event all that time.
    if (next == DownloadRun::InitializeRetry)
        emitLater(&PageDownloadFirmware::transitionInitializeRetry);
    else
        moveOn(next);
}

void PageDownloadFirmware::startFreescaleTransfer(int id)
{
    statusLabel->setText(QStringLiteral("Initializing the Freescale bootloader."));
    if (fieldFlag("manualReboot")) {
        QMessageBox(QMessageBox::NoIcon, CarriedFirmware::windowTitle(),
                    QStringLiteral("Please turn off the gripper by disconnecting its power supply, then press OK."))
            .exec();
        if (run.isOver(id))
            return;
        // No time limit while the user powers it, by design: the way out is Cancel.
        setButtonEnabled(QWizard::CancelButton, true);
    }
    run.startFreescale();
}

void PageDownloadFirmware::verifyFreescaleBootloader()
{
    setButtonEnabled(QWizard::CancelButton, false);
    setButtonEnabled(QWizard::BackButton, false);
    complete = false;
    emit transitionInitializeSuccess();
}

void PageDownloadFirmware::onRunFailed(GripperUpdate::Outcome outcome)
{
    if (outcome != GripperUpdate::StartFailure)
        return popupErreurComm();
    setFlashing(false);
    showErrorDialog(QStringLiteral("There was a problem starting the download procedure."));
    wizard()->close();
}

void PageDownloadFirmware::identifyBootloaderVer()
{
    if (!run.isFreescale())
        statusLabel->setText(QStringLiteral("Identifying the STM32 bootloader."));
    moveOn(run.identify());
}

void PageDownloadFirmware::eraseBootloaderFlash()
{
    // Not waited for here: the machine stays in its erase state until the
    // step reports.
    setFlashing(true);
    run.startErase(GripperUpdate::BootloaderImage);
}

void PageDownloadFirmware::eraseFirmawreFlash()
{
    setFlashing(true);
    run.startErase(GripperUpdate::MainImage);
}

void PageDownloadFirmware::downloadBootloader()
{
    statusLabel->setText(QStringLiteral("Downloading the bootloader"));
    writeImage(GripperUpdate::BootloaderImage);
}

void PageDownloadFirmware::downloadFirmware()
{
    if (run.isFreescale()) {
        // The engine sends the image as soon as the bootloader is ready; its
        // dots may already be coming.
        if (run.lastPhase() == GripperUpdate::FreescaleReady)
            statusLabel->setText(QStringLiteral("Downloading the main firmware"));
        if (run.awaitFreescale())
            emit transitionDownloadSuccess();
        return;
    }
    statusLabel->setText(QStringLiteral("Downloading file ") + field(QStringLiteral("firmwareFilename")).toString());
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
    statusLabel->setText(QStringLiteral("Verifying and jumping in the main firmware"));
    if (!run.isFreescale()) {
        const DownloadRun::Next verified = run.verifyAndStart();
        // A read-back that differs leaves the gripper in its ROM bootloader,
        // where a manual-reboot run can write it again.
        if (verified != DownloadRun::DownloadSuccess) {
            moveOn(verified);
            return;
        }
        complete = true;
        emit verifSuccess();
    }
    // Started (or, for the GS family, loaded and running): closing the
    // window no longer strands the gripper.
    setFlashing(false);

    if (!fieldFlag("manualReboot")) {
        machine.stop();
        if (run.awaitStart())
            emit completeChanged();
        return;
    }

    detailLabel->setText(QStringLiteral("To start another download, connect a new device via USB."));
    setButtonEnabled(QWizard::CancelButton, true);
    run.device->inBootloader = false;
    const QString version = run.readVersion();
    if (version.isEmpty())
        return;
    statusLabel->setText(statusLabel->text() + QStringLiteral("\r\nSoftware Version: ") + version);
    run.watchForNextUnit(true);
    if (run.device->kind == GB1 || run.device->kind == FS)
        newDownloadButton->show();
    emit progressChanged(0);
}

void PageDownloadFirmware::manageError()
{
    qDebug() << "Entered state manageError";
    complete = true;
    setCommitPage(false);
    setButtonEnabled(QWizard::BackButton, true);
    // Stopped before the dialog: what the steps still report while it is
    // open no longer moves anything.
    abandonRun();
    run.closeLink();
    showErrorDialog(QStringLiteral("The communication could not be established or was lost."));
    wizard()->close();
}

void PageDownloadFirmware::popupErreurComm()
{
    if (complete)
        return;
    setFlashing(false);
    showErrorDialog(QStringLiteral(
        "The communication could not be established or was lost. Please turn off the gripper, unplug/replug the "
        "USB cable and relaunch the wizard by selecting the Manual Reboot option."));
    wizard()->close();
}
