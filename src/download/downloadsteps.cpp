// The state slots: each runs one step of the update engine on the thread
// pool, waits for it in a local event loop (the window keeps painting and the
// bar moving) and moves the machine on. What the gripper is told, and when,
// is the engine's; the words the user reads are the page's.

#include "pagedownloadfirmware.h"

#include "blockingcall.h"
#include "carriedfirmware.h"
#include "communication.h"
#include "firmwarechoice.h"
#include "korvanedevice.h"
#include "replywait.h"

#include <QDebug>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QWizard>
#include <QtConcurrent>

namespace {

const char *const kPowerCycleText
    = "If the device is turned off, turn it on.\r\nIt might be necessary to retry the power cycle a few times in "
      "order for the bootloader to capture the signal.\r\n If you have problems, lower the latency of the virtual "
      "com port.";
// The wizard's pauses around the writes, kept from its first releases.
const int kBeforeBootloaderWriteMs = 1000;
const int kAfterMainWriteMs = 1000;

} // namespace

template <typename Step>
bool PageDownloadFirmware::runStep(Step step, decltype(step()) *result)
{
    const int run = runId;
    const QFuture<decltype(step())> done = runBlockingUntil(step, this, &PageDownloadFirmware::runStopped);
    // A step left behind stops at its next exchange; nobody waits for it.
    if (runAbandoned(run))
        return false;
    *result = done.result();
    return true;
}

QString PageDownloadFirmware::chosenMainImage()
{
    QString name = CarriedFirmware::mainImageFor(device->typeCode);
    if (!name.isEmpty() || (device->kind != BL_STM32 && device->kind != Unidentified))
        return name;
    // Found in its ROM, it cannot say which product it is, and the wrong
    // image (or the wrong bank) leaves it without firmware: the user says.
    QMessageBox box;
    box.setWindowTitle(CarriedFirmware::windowTitle());
    box.setIcon(QMessageBox::Question);
    box.setText(QStringLiteral("This gripper waits in its bootloader and cannot tell which product it is. "
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

QString PageDownloadFirmware::prepareUpdate()
{
    QString mainName;
    if (fieldFlag("downloadFirmware"))
        mainName = field(QStringLiteral("firmwareFilename")).toString();
    const bool chosen = fieldFlag("downloadBootloader") || !mainName.isEmpty();
    if (fieldFlag("manualReboot") && !chosen && !isGsFamily(device->kind)) {
        mainName = chosenMainImage();
        if (mainName.isEmpty())
            return FirmwareChoice::noFirmwareText(*device);
        wizard()->setField(QStringLiteral("firmwareFilename"), mainName);
    }
    UpdatePlan plan;
    QString refused;
    const QString bootloaderName
        = fieldFlag("downloadBootloader") ? field(QStringLiteral("bootloaderFilename")).toString() : QString();
    if (!FirmwareChoice::planFor(*device, bootloaderName, mainName, &plan, &refused))
        return refused;
    plan.manualPowerCycle = fieldFlag("manualReboot");
    plan.beforeBootloaderWriteMs = kBeforeBootloaderWriteMs;
    plan.afterMainWriteMs = kAfterMainWriteMs;
    plan.askVersionOnce = true;
    if (update)
        update->cancel();
    update = Engine(new GripperUpdate(plan, libraryLink), [](GripperUpdate *engine) {
        // The last holder may be a pool thread; the object lives on ours.
        if (engine->thread() == QThread::currentThread())
            delete engine;
        else
            engine->deleteLater();
    });
    connect(update.get(), &GripperUpdate::phaseChanged, this, &PageDownloadFirmware::onPhase);
    connect(update.get(), &GripperUpdate::progressChanged, this, &PageDownloadFirmware::progressChanged);
    return QString();
}

void PageDownloadFirmware::onPhase(GripperUpdate::Phase phase)
{
    if (sender() != update.get())
        return;
    lastPhase = phase;
    const bool gs = isGsFamily(device->kind);
    const char *text = nullptr;  // the state slots say the others in their own words
    switch (phase) {
    case GripperUpdate::InitializingRom: text = "Initializing the STM32 bootloader."; break;
    case GripperUpdate::Rebooting: text = gs ? "The wizard is currently rebooting the gripper automatically." : nullptr; break;
    case GripperUpdate::AwaitingPowerCycle:
        text = gs ? "Please turn the gripper back on. This will initiate the download procedure." : kPowerCycleText;
        break;
    case GripperUpdate::Erasing: text = "Erasing the main firmware flash sectors."; break;
    case GripperUpdate::FreescaleReady: text = "The bootloader is ready to receive the new firmware."; break;
    case GripperUpdate::Loading: text = "The wizard is currently downloading the new firmware."; break;
    case GripperUpdate::Loaded: text = "The new firmware has been downloaded successfully."; break;
    default: break;
    }
    if (text)
        statusLabel->setText(QString::fromUtf8(text));
    if (phase == GripperUpdate::Loaded) {
        // Loaded and running its firmware: the run is over for the gripper.
        progressBar->setValue(progressBar->maximum());
        complete = true;
        setFlashing(false);
        emit downloadOver();
    }
}

void PageDownloadFirmware::initializeBootloader()
{
    const int run = runId;
    detailLabel->clear();
    setCancelEnabled(false);
    setBackEnabled(false);
    newDownloadButton->hide();
    if (!device) {
        qDebug() << "ERREUR PageDownloadFirmware::initializeBootloader";
        emit transitionInitializeFailure();
        return;
    }
    const QString refused = prepareUpdate();
    if (runAbandoned(run))
        return;
    if (!refused.isEmpty()) {
        qDebug() << "ERREUR PageDownloadFirmware::initializeBootloader:" << refused;
        endRunBeforeStart(refused);
        return;
    }
    if (isGsFamily(device->kind)) {
        startFreescaleTransfer(run);
        return;
    }
    // Nothing has been erased until the link is up, and each attempt may
    // last as long as the user needs to cycle the power: Cancel stays usable.
    setCancelEnabled(true);
    communication->close();
    const Engine engine = update;
    BootloaderEntry::Result entered = BootloaderEntry::Cancelled;
    if (!runStep([engine] { return engine->enterBootloader(); }, &entered))
        return;
    switch (entered) {
    case BootloaderEntry::Ready:
        setCancelEnabled(false);
        emit transitionInitializeSuccess();
        break;
    case BootloaderEntry::Retry:
        // Through the event loop: a gripper that stays silent for minutes
        // must not keep the machine inside one event all that time.
        emitLater(&PageDownloadFirmware::transitionInitializeRetry);
        break;
    case BootloaderEntry::Failed:
        emit transitionInitializeFailure();
        break;
    case BootloaderEntry::Cancelled:
        break;
    }
}

void PageDownloadFirmware::startFreescaleTransfer(int run)
{
    statusLabel->setText(QStringLiteral("Initializing the Freescale bootloader."));
    if (fieldFlag("manualReboot")) {
        QMessageBox box;
        box.setWindowTitle(CarriedFirmware::windowTitle());
        box.setText(QStringLiteral("Please turn off the gripper by disconnecting its power supply, then press OK."));
        box.exec();
        if (runAbandoned(run))
            return;
        // No time limit while the user powers it, by design: the way out is Cancel.
        setCancelEnabled(true);
    }
    // The engine opens the line itself.
    communication->close();
    const Engine engine = update;
    const auto ready = [this, run] {
        QMetaObject::invokeMethod(this, [this, run] {
            if (!runAbandoned(run))
                verifyFreescaleBootloader();
        }, Qt::QueuedConnection);
    };
    freescaleWatcher.setFuture(QtConcurrent::run([engine, ready] { return engine->transferFreescale(ready); }));
}

void PageDownloadFirmware::verifyFreescaleBootloader()
{
    setCancelEnabled(false);
    setBackEnabled(false);
    complete = false;
    emit transitionInitializeSuccess();
}

void PageDownloadFirmware::onFreescaleFinished(int run)
{
    if (runAbandoned(run) || !freescaleWatcher.future().isFinished())
        return;
    switch (freescaleWatcher.result()) {
    case GripperUpdate::Updated:
    case GripperUpdate::Cancelled:
        break;
    case GripperUpdate::StartFailure:
        setFlashing(false);
        showErrorDialog(QStringLiteral("There was a problem starting the download procedure."));
        wizard()->close();
        break;
    default:
        popupErreurComm();
        break;
    }
}

void PageDownloadFirmware::identifyBootloaderVer()
{
    if (isGsFamily(device->kind)) {
        emit transitionUpdateFirmware();
        return;
    }
    statusLabel->setText(QStringLiteral("Identifying the STM32 bootloader."));
    const Engine engine = update;
    bool linkOpen = false;
    if (!runStep([engine] { return engine->identify(); }, &linkOpen))
        return;
    // Nothing can be written without the link, nor without an image; waiting
    // here would leave the user with a page that never moves.
    if (linkOpen && !update->updatePlan().bootloaderImage.isEmpty()) {
        emit transitionUpdateBootloader();
    } else if (linkOpen && !update->updatePlan().mainImage.isEmpty()) {
        emit transitionUpdateFirmware();
    } else {
        qDebug() << "ERREUR PageDownloadFirmware::identifyBootloaderVer: nothing to write";
        emit transitionDownloadFailure();
    }
}

void PageDownloadFirmware::eraseBootloaderFlash()
{
    startErase(GripperUpdate::BootloaderImage);
}

void PageDownloadFirmware::eraseFirmawreFlash()
{
    if (isGsFamily(device->kind)) {
        setFlashing(true);
        emit transitionEraseSuccess();
        return;
    }
    startErase(GripperUpdate::MainImage);
}

void PageDownloadFirmware::startErase(GripperUpdate::Image image)
{
    // Not waited for here: the machine stays in its erase state until the
    // step reports.
    setFlashing(true);
    const Engine engine = update;
    const int run = runId;
    QtConcurrent::run([this, engine, run, image] {
        const Stm32Flasher::Result erased = engine->erase(image);
        QMetaObject::invokeMethod(this, [this, run, erased] {
            if (runAbandoned(run) || erased == Stm32Flasher::Cancelled)
                return;
            if (erased == Stm32Flasher::Done)
                emit transitionEraseSuccess();
            else
                emit transitionDownloadFailure();
        }, Qt::QueuedConnection);
    });
}

void PageDownloadFirmware::downloadBootloader()
{
    statusLabel->setText(QStringLiteral("Downloading the bootloader"));
    const Engine engine = update;
    Stm32Flasher::Result written = Stm32Flasher::Cancelled;
    if (!runStep([engine] { return engine->write(GripperUpdate::BootloaderImage); }, &written))
        return;
    emit downloadOver();
    if (written != Stm32Flasher::Done)
        emit transitionDownloadFailure();
    else if (!update->updatePlan().mainImage.isEmpty())
        emit transitionUpdateFirmware();
    else
        emit transitionDownloadSuccess();
}

void PageDownloadFirmware::downloadFirmware()
{
    const int run = runId;
    if (isGsFamily(device->kind)) {
        // The engine sends the image as soon as the bootloader is ready; its
        // dots may already be coming.
        if (lastPhase == GripperUpdate::FreescaleReady)
            statusLabel->setText(QStringLiteral("Downloading the main firmware"));
        if (!freescaleWatcher.isFinished()) {
            QEventLoop loop;
            connect(&freescaleWatcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
            connect(this, &PageDownloadFirmware::runStopped, &loop, &QEventLoop::quit);
            loop.exec();
        }
        if (!runAbandoned(run) && freescaleWatcher.isFinished() && freescaleWatcher.result() == GripperUpdate::Updated)
            emit transitionDownloadSuccess();
        return;
    }
    const QString fileName = field(QStringLiteral("firmwareFilename")).toString();
    statusLabel->setText(QStringLiteral("Downloading file ") + fileName);
    const Engine engine = update;
    Stm32Flasher::Result written = Stm32Flasher::Cancelled;
    if (!runStep([engine] { return engine->write(GripperUpdate::MainImage); }, &written))
        return;
    emit downloadOver();
    if (written == Stm32Flasher::Done)
        emit transitionDownloadSuccess();
    else
        emit transitionDownloadFailure();
}

void PageDownloadFirmware::verifyFirmware()
{
    const int run = runId;
    statusLabel->setText(QStringLiteral("Verifying and jumping in the main firmware"));
    const Engine engine = update;
    if (!isGsFamily(device->kind)) {
        Stm32Flasher::Result verified = Stm32Flasher::Cancelled;
        if (!runStep([engine] { return engine->verifyAndStart(); }, &verified))
            return;
        if (verified != Stm32Flasher::Done) {
            // The gripper stays in its ROM bootloader, where a manual-reboot
            // run can write it again.
            emit transitionDownloadFailure();
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
        // A K01 found in its ROM is what its image says it is.
        if (update->updatePlan().gripperKind() == K01) {
            waitMs(GripperUpdate::kK01StartMs);
            if (runAbandoned(run))
                return;
        }
        emit completeChanged();
        return;
    }

    detailLabel->setText(QStringLiteral("To start another download, connect a new device via USB."));
    setCancelEnabled(true);
    device->inBootloader = false;
    QString version;
    if (!runStep([engine] { return engine->readVersion(); }, &version))
        return;
    if (version.isEmpty())
        version = QStringLiteral("-0.0.0");
    statusLabel->setText(statusLabel->text() + QStringLiteral("\r\nSoftware Version: ") + version);
    setHotPlugWatching(true);
    if (device->kind == GB1 || device->kind == FS)
        newDownloadButton->show();
    emit progressChanged(0);
}

void PageDownloadFirmware::manageError()
{
    qDebug() << "Entered state manageError";
    complete = true;
    setCommitPage(false);
    setBackEnabled(true);
    // Stopped before the dialog: what the steps still report while it is
    // open no longer moves anything.
    abandonRun();
    // The gripper stays where the run left it, but the link is ours: a run
    // started later opens it afresh.
    libraryLink->close();
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

void PageDownloadFirmware::showErrorDialog(const QString &text)
{
    QMessageBox box;
    box.setWindowTitle(CarriedFirmware::windowTitle());
    box.setIcon(QMessageBox::Critical);
    box.setText(text);
    box.exec();
}
