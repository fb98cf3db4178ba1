#include "unitjob.h"

#include "korvanelog.h"
#include "qextserialenumerator.h"

#include <QCoreApplication>
#include <QThread>

namespace {

// The library's words, English for the records and translated for the screen.
Phrase jobText(const char *source)
{
    return Phrase("UnitJob", source);
}

// The part of the update each of the engine's phases belongs to, and the
// words the wizard uses for it (English in the report, translated on screen).
struct PhaseView
{
    GripperUpdate::Phase phase;
    const char *step;
    const char *text;
};
const PhaseView kPhases[] = {
    {GripperUpdate::Rebooting, "reboot", QT_TRANSLATE_NOOP("UnitJob", "Rebooting the gripper into its bootloader.")},
    {GripperUpdate::AwaitingPowerCycle, "reboot", QT_TRANSLATE_NOOP("UnitJob", "If the device is turned off, turn it on.")},
    {GripperUpdate::RebootConfirmed, "reboot", QT_TRANSLATE_NOOP("UnitJob", "Rebooting the gripper into its bootloader.")},
    {GripperUpdate::InitializingRom, "reboot", QT_TRANSLATE_NOOP("UnitJob", "Initializing the STM32 bootloader.")},
    {GripperUpdate::Identifying, "reboot", QT_TRANSLATE_NOOP("UnitJob", "Identifying the STM32 bootloader.")},
    {GripperUpdate::Erasing, "erase", QT_TRANSLATE_NOOP("UnitJob", "Erasing the main firmware flash sectors.")},
    {GripperUpdate::WritingBootloader, "write", QT_TRANSLATE_NOOP("UnitJob", "Downloading the bootloader")},
    {GripperUpdate::WritingMain, "write", QT_TRANSLATE_NOOP("UnitJob", "Downloading the main firmware")},
    {GripperUpdate::Verifying, "verify", QT_TRANSLATE_NOOP("UnitJob", "Verifying and jumping in the main firmware")},
    {GripperUpdate::FreescaleReady, "write", QT_TRANSLATE_NOOP("UnitJob", "The bootloader is ready to receive the new firmware.")},
    {GripperUpdate::Loading, "write", QT_TRANSLATE_NOOP("UnitJob", "The wizard is currently downloading the new firmware.")},
    {GripperUpdate::Loaded, "verify", QT_TRANSLATE_NOOP("UnitJob", "The new firmware has been downloaded successfully.")},
    {GripperUpdate::ReadingVersion, "verify", QT_TRANSLATE_NOOP("UnitJob", "Reading the new version.")},
};

const PhaseView *viewOf(GripperUpdate::Phase phase)
{
    for (const PhaseView &view : kPhases) {
        if (view.phase == phase)
            return &view;
    }
    return nullptr;
}

Phrase failureText(GripperUpdate::Outcome outcome, bool freescale, bool lineLost)
{
    // Not the flash's fault: a technician would otherwise look for one.
    if (lineLost && (outcome == GripperUpdate::FlashFailed || outcome == GripperUpdate::VerifyFailed))
        return jobText(QT_TRANSLATE_NOOP("UnitJob", "the gripper stopped answering (its cable or power lost?); the "
                                                    "new firmware was not started, update it again"));
    switch (outcome) {
    case GripperUpdate::EntryFailed:
        return freescale ? jobText(QT_TRANSLATE_NOOP("UnitJob", "the Freescale bootloader did not show itself ready"))
                         : jobText(QT_TRANSLATE_NOOP("UnitJob", "the gripper did not enter its bootloader"));
    case GripperUpdate::FlashFailed:
        return freescale ? jobText(QT_TRANSLATE_NOOP("UnitJob", "no image to send to the Freescale bootloader"))
                         : jobText(QT_TRANSLATE_NOOP("UnitJob", "erasing or writing the flash failed; the gripper "
                                                                "waits in its bootloader"));
    case GripperUpdate::Silent:
        return jobText(QT_TRANSLATE_NOOP("UnitJob", "the Freescale bootloader did not report the image loaded"));
    case GripperUpdate::StartFailure:
        return jobText(QT_TRANSLATE_NOOP("UnitJob", "There was a problem starting the download procedure."));
    case GripperUpdate::VerifyFailed:
        return jobText(QT_TRANSLATE_NOOP("UnitJob", "the flash read back differs from the image; the new firmware was "
                                                    "not started"));
    case GripperUpdate::NotStarted:
        return jobText(QT_TRANSLATE_NOOP("UnitJob", "written and read back, but its bootloader did not start it; it "
                                                    "waits there, update it again"));
    case GripperUpdate::Cancelled:
        return jobText(QT_TRANSLATE_NOOP("UnitJob", "given up"));
    case GripperUpdate::Updated:
        break;
    }
    return Phrase();
}

} // namespace

QString UnitJob::phaseText(GripperUpdate::Phase phase)
{
    const PhaseView *view = viewOf(phase);
    return view ? QLatin1String(view->text) : QString();
}

UnitJob::UnitJob(const ProbedDevice &device, UpdatePlan plan, FirmwareImage image, QObject *parent)
    : QObject(parent)
    , device(device)
    , image(std::move(image))
    , update(std::make_unique<GripperUpdate>(std::move(plan)))
{
    unitResult.port = device.portName;
    unitResult.kind = kindName(device.kind);
    // A unit found in its ROM is what it was taken for.
    unitResult.typeCode = this->image.typeCode;
    unitResult.versionBefore = device.versionKnown() ? device.versionText() : QString();
    unitResult.setImage(this->image.name, this->image.content);
    GripperUpdate *engine = update.get();
    // Direct: told on the engine's thread the moment it happens.
    connect(engine, &GripperUpdate::romEntered, engine, [this] { romReached = true; }, Qt::DirectConnection);
    connect(engine, &GripperUpdate::phaseChanged, engine,
            [this](GripperUpdate::Phase phase) {
                // The GS bootloader holds the unit once it shows itself ready.
                if (phase == GripperUpdate::FreescaleReady)
                    romReached = true;
                // Reported after the start: a unit given up from here runs
                // its new firmware.
                if (phase == GripperUpdate::ReadingVersion || phase == GripperUpdate::Loaded)
                    firmwareStarted = true;
            },
            Qt::DirectConnection);
    // Queued: the engine reports from its own thread.
    connect(engine, &GripperUpdate::phaseChanged, this, &UnitJob::onPhase, Qt::QueuedConnection);
    // The engine reports its progress after every packet; the front end's
    // thread is woken once per percent instead. At 32 units a wake-up per
    // exchange was the most the batch added to each exchange.
    connect(engine, &GripperUpdate::progressChanged, engine,
            [this](int value) {
                if (reportedProgress.exchange(value) == value)
                    return;
                QMetaObject::invokeMethod(this, [this, value] {
                    currentProgress = value;
                    emit changed();
                }, Qt::QueuedConnection);
            },
            Qt::DirectConnection);
    connect(engine, &GripperUpdate::finished, this, [this](GripperUpdate::Outcome outcome) {
        if (!running)
            return;
        conclude(outcome);
        emit done();
    }, Qt::QueuedConnection);
}

UnitJob::~UnitJob()
{
    if (thread) {
        update->cancel();
        thread->wait();
        delete thread;
    }
}

void UnitJob::start()
{
    running = true;
    enterStep(QStringLiteral("reboot"));
    thread = QThread::create([this] {
        // The system's port list takes milliseconds per call: on the unit's
        // own thread, not the front end's, which may be starting dozens.
        QextSerialEnumerator::adapterOf(device.portName, &adapterPath, &adapterSerial);
        qCDebug(lcBatch).noquote() << device.portName << "taken:" << kindName(device.kind) << device.versionText()
                                   << "->" << image.versionText() << "adapter"
                                   << (adapterPath.isEmpty() ? QStringLiteral("-") : adapterPath)
                                   << (adapterSerial.isEmpty() ? QStringLiteral("-") : adapterSerial);
        outcome = int(update->run());
    });
    thread->start();
}

void UnitJob::giveUp()
{
    update->cancel();
}

void UnitJob::giveUpNow()
{
    if (!running)
        return;
    update->cancel();
    thread->wait();
    conclude(GripperUpdate::Outcome(outcome.load()));
}

void UnitJob::enterStep(const QString &name)
{
    if (stepClock.enter(name, &unitResult))
        currentProgress = 0;
}

void UnitJob::onPhase(GripperUpdate::Phase phase)
{
    if (!running)
        return;
    // Awaiting a power cycle, the engine asks for the reboot again and again
    // until the unit answers: one line says it waits.
    if (phase != loggedPhase
        && !(loggedPhase == GripperUpdate::AwaitingPowerCycle && phase == GripperUpdate::Rebooting)) {
        qCDebug(lcBatch).noquote() << device.portName << phase;
        loggedPhase = phase;
    }
    currentPhase = phase;
    if (const PhaseView *view = viewOf(phase))
        enterStep(QLatin1String(view->step));
    emit changed();
}

void UnitJob::conclude(GripperUpdate::Outcome outcome)
{
    thread->wait();
    running = false;
    unitResult.time = QDateTime::currentDateTimeUtc();
    const PhaseView *lastView = viewOf(currentPhase);
    enterStep(QString());
    const QString expected = image.versionText();
    const QString reported = update->versionText();
    unitResult.versionAfter = reported;
    unitResult.portPath = adapterPath;
    unitResult.adapterSerial = adapterSerial;
    unitResult.unitId = update->unitId();
    unitResult.productId = update->productIdText();
    if (outcome == GripperUpdate::Updated && FirmwareChoice::runsImage(reported, image)) {
        unitResult.result = UnitResult::Updated;
    } else if (outcome == GripperUpdate::Updated) {
        unitResult.result = UnitResult::Failed;
        unitResult.error = reported.isEmpty()
                               ? jobText(QT_TRANSLATE_NOOP("UnitJob", "written and started, but the new firmware did "
                                                                      "not report its version"))
                               : jobText(QT_TRANSLATE_NOOP("UnitJob", "the new firmware reports %1, not %2"))
                                     .arg(reported, expected);
    } else if (outcome == GripperUpdate::Cancelled && firmwareStarted) {
        unitResult.result = UnitResult::GivenUp;
        unitResult.error = jobText(QT_TRANSLATE_NOOP("UnitJob", "written, verified and started, version not read "
                                                                "back"));
    } else {
        unitResult.result = outcome == GripperUpdate::Cancelled ? UnitResult::GivenUp : UnitResult::Failed;
        unitResult.error = failureText(outcome, isGsFamily(device.kind), update->lineLost());
        if (lastView)
            unitResult.error = jobText(QT_TRANSLATE_NOOP("UnitJob", "%1 (at: %2)")).arg(unitResult.error,
                                                                                     jobText(lastView->text));
        if (outcome == GripperUpdate::Cancelled && inBootloader()) {
            unitResult.leftInBootloader = true;
            unitResult.error = jobText(QT_TRANSLATE_NOOP("UnitJob", "%1; left in its bootloader, update it again"))
                                   .arg(unitResult.error);
        }
    }
}
