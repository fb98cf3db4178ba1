#include "downloadrun.h"

#include "blockingcall.h"
#include "carriedfirmware.h"
#include "communication.h"
#include "firmwarechoice.h"
#include "freescaleconfig.h"
#include "history.h"
#include "portprobe.h"
#include "qextserialenumerator.h"
#include "replywait.h"
#include "wizardlog.h"

#include <QDebug>
#include <QThread>
#include <QTimer>
#include <QtConcurrent>

namespace {

const char *const kPowerCycleText
    = QT_TRANSLATE_NOOP("DownloadRun", "If the device is turned off, turn it on.\r\nIt might be necessary to retry the power cycle a few times in "
      "order for the bootloader to capture the signal.\r\n If you have problems, lower the latency of the virtual "
      "com port.");
// The wizard's pauses around the writes, kept from its first releases.
const int kBeforeBootloaderWriteMs = 1000;
const int kAfterMainWriteMs = 1000;

} // namespace

DownloadRun::DownloadRun(Communication *comm, QObject *parent)
    : QObject(parent)
    , communication(comm)
    , link(new LibraryLink())
{
    connect(&freescaleWatcher, &QFutureWatcherBase::finished, this, [this] { onFreescaleFinished(runId); });
}

DownloadRun::~DownloadRun()
{
    // The wizard closed before the unit's end was known (cancelled, or its
    // version never checked): its record says so.
    recordEnd(GripperUpdate::Cancelled);
    // A step of an abandoned run may still hold the engine or the link.
    if (update)
        update->cancel();
    QThreadPool::globalInstance()->waitForDone();
    update.reset();
}

void DownloadRun::abandon()
{
    ++runId;
    if (update)
        update->cancel();
    // A port left open would hold the gripper's line for as long as the
    // program runs.
    communication->close();
    watchForNextUnit(false);
    emit stopped();
}

void DownloadRun::later(const std::function<void()> &call)
{
    const int run = runId;
    QTimer::singleShot(0, this, [this, run, call] {
        if (!isOver(run))
            call();
    });
}

template <typename Step>
bool DownloadRun::runStep(Step step, decltype(step(std::declval<GripperUpdate &>())) *result)
{
    const int run = runId;
    const Engine engine = update;
    const auto done = runBlockingUntil([engine, step] { return step(*engine); }, this, &DownloadRun::stopped);
    // A step left behind stops at its next exchange; nobody waits for it.
    if (isOver(run))
        return false;
    *result = done.result();
    return true;
}

Phrase DownloadRun::prepare(bool bootloaderChosen, const QString &bootloaderName, QString *mainName,
                             bool manualReboot, const std::function<QString()> &askProduct)
{
    stepFailure = GripperUpdate::Cancelled;
    if (manualReboot && !bootloaderChosen && mainName->isEmpty() && !isFreescale()) {
        *mainName = CarriedFirmware::mainImageFor(device->typeCode);
        if (mainName->isEmpty() && (device->kind == BL_STM32 || device->kind == Unidentified))
            *mainName = askProduct();
    }
    writtenMain = isFreescale() ? QString::fromLatin1(FreescaleConfig::kImageName) : *mainName;
    UpdatePlan plan;
    Phrase refused;
    if (manualReboot && mainName->isEmpty() && !bootloaderChosen && !isFreescale())
        refused = FirmwareChoice::noFirmwareText(*device);
    else
        FirmwareChoice::planFor(*device, bootloaderName, *mainName, &plan, &refused);
    // A unit that could not tell its type is what it is written as, as the
    // batch's front ends record it.
    FirmwareImage written;
    const bool judged = FirmwareChoice::describeImage(writtenMain, &written);
    UnitResult found;
    found.port = device->portName;
    found.kind = kindName(device->kind);
    const bool told = !device->inBootloader && !device->typeCode.isEmpty() && device->kind != GSX;
    found.typeCode = told ? device->typeCode : judged ? written.typeCode : QString();
    found.versionBefore = told ? device->versionText() : QString();
    if (!plan.mainImage.isEmpty())
        found.setImage(writtenMain, plan.mainImage);
    else
        found.setImage(bootloaderName, plan.bootloaderImage);
    QextSerialEnumerator::adapterOf(device->portName, &found.portPath, &found.adapterSerial);
    end.begin(found, written, judged, !plan.bootloaderImage.isEmpty() && !plan.mainImage.isEmpty());
    recorded = false;
    refusal = refused;
    if (!refused.isEmpty())
        return refused;
    plan.manualPowerCycle = manualReboot;
    plan.beforeBootloaderWriteMs = kBeforeBootloaderWriteMs;
    plan.afterMainWriteMs = kAfterMainWriteMs;
    plan.askVersionOnce = true;
    if (update)
        update->cancel();
    update = Engine(new GripperUpdate(plan, link.get()), [](GripperUpdate *engine) {
        // The last holder may be a pool thread; the object lives on ours.
        if (engine->thread() == QThread::currentThread())
            delete engine;
        else
            engine->deleteLater();
    });
    end.watch(update.get());
    connect(update.get(), &GripperUpdate::phaseChanged, this, &DownloadRun::onPhase);
    connect(update.get(), &GripperUpdate::progressChanged, this, &DownloadRun::progressChanged);
    return Phrase();
}

DownloadRun::Next DownloadRun::afterWrite(Stm32Flasher::Result result, Next success, GripperUpdate::Outcome failed)
{
    if (result == Stm32Flasher::Done)
        return success;
    stepFailure = result == Stm32Flasher::Cancelled    ? GripperUpdate::Cancelled
              : result == Stm32Flasher::NotStarted ? GripperUpdate::NotStarted
                                                   : failed;
    return DownloadFailure;
}

QString DownloadRun::recordEnd(GripperUpdate::Outcome outcome, const QString &versionRead)
{
    if (recorded)
        return QString();
    recorded = true;
    const UnitResult &unit = refusal.isEmpty() && update ? end.conclude(outcome, *update, versionRead)
                                                         : end.refuse(refusal);
    const QString lost = History::append(unit);
    if (!lost.isEmpty())
        qCWarning(lcWizard) << "ERREUR history:" << lost;
    return lost;
}

void DownloadRun::onPhase(GripperUpdate::Phase reported)
{
    if (sender() != update.get())
        return;
    end.enter(reported);
    const bool gs = isFreescale();
    const char *text = nullptr; // the page's states say the others in their own words
    switch (reported) {
    case GripperUpdate::InitializingRom: text = QT_TR_NOOP("Initializing the STM32 bootloader."); break;
    case GripperUpdate::Rebooting:
        text = gs ? QT_TR_NOOP("The wizard is currently rebooting the gripper automatically.") : nullptr;
        break;
    // The wizard has always shown the power-cycle advice after its request,
    // answered or not.
    case GripperUpdate::RebootConfirmed:
    case GripperUpdate::AwaitingPowerCycle:
        text = gs ? QT_TR_NOOP("Please turn the gripper back on. This will initiate the download procedure.") : kPowerCycleText;
        break;
    case GripperUpdate::Erasing: text = QT_TR_NOOP("Erasing the main firmware flash sectors."); break;
    case GripperUpdate::FreescaleReady: text = QT_TR_NOOP("The bootloader is ready to receive the new firmware."); break;
    case GripperUpdate::Loading: text = QT_TR_NOOP("The wizard is currently downloading the new firmware."); break;
    case GripperUpdate::Loaded: text = QT_TR_NOOP("The new firmware has been downloaded successfully."); break;
    default: break;
    }
    if (text)
        emit status(tr(text));
    if (reported == GripperUpdate::Loaded) {
        finished = true;
        emit loaded();
    }
}

DownloadRun::Next DownloadRun::enterBootloader()
{
    // The engine opens the line itself.
    communication->close();
    BootloaderEntry::Result entered = BootloaderEntry::Cancelled;
    if (!runStep([](GripperUpdate &engine) { return engine.enterBootloader(); }, &entered))
        return Stay;
    switch (entered) {
    case BootloaderEntry::Ready: return InitializeSuccess;
    case BootloaderEntry::Retry: return InitializeRetry;
    case BootloaderEntry::Failed:
        stepFailure = GripperUpdate::EntryFailed;
        return InitializeFailure;
    case BootloaderEntry::Cancelled: break;
    }
    return Stay;
}

DownloadRun::Next DownloadRun::identify()
{
    if (isFreescale())
        return UpdateFirmware;
    bool linkOpen = false;
    if (!runStep([](GripperUpdate &engine) { return engine.identify(); }, &linkOpen))
        return Stay;
    // Nothing can be written without the link, nor without an image; waiting
    // here would leave the user with a page that never moves.
    if (linkOpen && !plan().bootloaderImage.isEmpty())
        return UpdateBootloader;
    if (linkOpen && !plan().mainImage.isEmpty())
        return UpdateFirmware;
    qCDebug(lcWizard) << "ERREUR PageDownloadFirmware::identifyBootloaderVer: nothing to write";
    stepFailure = linkOpen ? GripperUpdate::FlashFailed : GripperUpdate::EntryFailed;
    return DownloadFailure;
}

DownloadRun::Next DownloadRun::write(GripperUpdate::Image image)
{
    Stm32Flasher::Result written = Stm32Flasher::Cancelled;
    if (!runStep([image](GripperUpdate &engine) { return engine.write(image); }, &written))
        return Stay;
    const bool mainFollows = image == GripperUpdate::BootloaderImage && !plan().mainImage.isEmpty();
    return afterWrite(written, mainFollows ? UpdateFirmware : DownloadSuccess, GripperUpdate::FlashFailed);
}

DownloadRun::Next DownloadRun::verifyAndStart()
{
    Stm32Flasher::Result verified = Stm32Flasher::Cancelled;
    if (!runStep([](GripperUpdate &engine) { return engine.verifyAndStart(); }, &verified))
        return Stay;
    if (verified == Stm32Flasher::Done) {
        finished = true;
        end.setStarted();
    }
    return afterWrite(verified, DownloadSuccess, GripperUpdate::VerifyFailed);
}

QString DownloadRun::finishUnit()
{
    device->inBootloader = false;
    QString version;
    if (!runStep([](GripperUpdate &engine) { return engine.readVersion(); }, &version))
        return QString();
    recordEnd(GripperUpdate::Updated, version);
    watchForNextUnit(true);
    return version.isEmpty() ? QStringLiteral("-0.0.0") : version;
}

void DownloadRun::takeSameUnitAgain()
{
    communication->close();
    device->inBootloader = false;
    watchForNextUnit(false);
    finished = false;
}

void DownloadRun::startErase(GripperUpdate::Image image)
{
    if (isFreescale()) {
        emit erased(EraseSuccess);
        return;
    }
    const Engine engine = update;
    const int run = runId;
    QtConcurrent::run([this, engine, run, image] {
        const Stm32Flasher::Result result = engine->erase(image);
        QMetaObject::invokeMethod(this, [this, run, result] {
            if (!isOver(run) && result != Stm32Flasher::Cancelled)
                emit erased(afterWrite(result, EraseSuccess, GripperUpdate::FlashFailed));
        }, Qt::QueuedConnection);
    });
}

void DownloadRun::startFreescale()
{
    communication->close();
    const Engine engine = update;
    const int run = runId;
    const auto ready = [this, run] {
        QMetaObject::invokeMethod(this, [this, run] {
            if (isOver(run))
                return;
            finished = false;
            emit freescaleReady();
        }, Qt::QueuedConnection);
    };
    freescaleWatcher.setFuture(QtConcurrent::run([engine, ready] { return engine->transferFreescale(ready); }));
}

void DownloadRun::onFreescaleFinished(int run)
{
    if (isOver(run) || !freescaleWatcher.future().isFinished())
        return;
    const GripperUpdate::Outcome outcome = freescaleWatcher.result();
    if (outcome != GripperUpdate::Updated)
        stepFailure = outcome;
    if (outcome != GripperUpdate::Updated && outcome != GripperUpdate::Cancelled)
        emit failed(outcome);
}

bool DownloadRun::awaitFreescale()
{
    const int run = runId;
    if (!freescaleWatcher.isFinished()) {
        QEventLoop loop;
        connect(&freescaleWatcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        connect(this, &DownloadRun::stopped, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !isOver(run) && freescaleWatcher.isFinished() && freescaleWatcher.result() == GripperUpdate::Updated;
}

bool DownloadRun::awaitStart()
{
    const int run = runId;
    // A K01 found in its ROM is what its image says it is.
    if (plan().gripperKind() == K01)
        waitMs(GripperUpdate::kK01StartMs);
    return !isOver(run);
}

void DownloadRun::watchForNextUnit(bool on)
{
    if (on)
        connect(communication, &Communication::deviceDetected, this, &DownloadRun::unitDetected,
                Qt::UniqueConnection);
    else
        disconnect(communication, &Communication::deviceDetected, this, &DownloadRun::unitDetected);
    if (on == watching)
        return;
    watching = on;
    communication->setAutoDetectDisable(!on);
}

bool DownloadRun::takeNextUnit(KorvaneDevice *detected)
{
    if (!detected || !device || detected->kind != device->kind)
        return false;
    watchForNextUnit(false);
    device = detected;
    // Not over for this one until it runs its new firmware: a failure is
    // reported, and the wizard does not lead on mid-write.
    finished = false;
    return true;
}
