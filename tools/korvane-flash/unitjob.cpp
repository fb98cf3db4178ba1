#include "unitjob.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

namespace {

// The phase of the update each of the engine's steps belongs to, and the
// words the wizard uses for it.
struct PhaseView
{
    GripperUpdate::Phase phase;
    const char *name;
    const char *text;
};
const PhaseView kPhases[] = {
    {GripperUpdate::Rebooting, "reboot", "Rebooting the gripper into its bootloader."},
    {GripperUpdate::AwaitingPowerCycle, "reboot", "If the device is turned off, turn it on."},
    {GripperUpdate::InitializingRom, "reboot", "Initializing the STM32 bootloader."},
    {GripperUpdate::Identifying, "reboot", "Identifying the STM32 bootloader."},
    {GripperUpdate::Erasing, "erase", "Erasing the main firmware flash sectors."},
    {GripperUpdate::WritingBootloader, "write", "Downloading the bootloader"},
    {GripperUpdate::WritingMain, "write", "Downloading the main firmware"},
    {GripperUpdate::Verifying, "verify", "Verifying and jumping in the main firmware"},
    {GripperUpdate::FreescaleReady, "write", "The bootloader is ready to receive the new firmware."},
    {GripperUpdate::Loading, "write", "The wizard is currently downloading the new firmware."},
    {GripperUpdate::Loaded, "verify", "The new firmware has been downloaded successfully."},
    {GripperUpdate::ReadingVersion, "verify", "Reading the new version."},
};

QString failureText(GripperUpdate::Outcome outcome, bool freescale)
{
    switch (outcome) {
    case GripperUpdate::EntryFailed:
        return freescale ? QStringLiteral("the Freescale bootloader did not show itself ready")
                         : QStringLiteral("the gripper did not enter its bootloader");
    case GripperUpdate::FlashFailed:
        return freescale ? QStringLiteral("no image to send to the Freescale bootloader")
                         : QStringLiteral("erasing or writing the flash failed; the gripper waits in its bootloader");
    case GripperUpdate::Silent:
        return QStringLiteral("the Freescale bootloader did not report the image loaded");
    case GripperUpdate::StartFailure:
        return QStringLiteral("There was a problem starting the download procedure.");
    case GripperUpdate::VerifyFailed:
        return QStringLiteral("the flash read back differs from the image; the new firmware was not started");
    case GripperUpdate::NotStarted:
        return QStringLiteral("written and read back, but its bootloader did not start it; it waits there, update it "
                              "again");
    case GripperUpdate::Cancelled:
        return QStringLiteral("given up");
    case GripperUpdate::Updated:
        break;
    }
    return QString();
}

} // namespace

QString UnitResult::resultName(Result result)
{
    switch (result) {
    case Updated:
        return QStringLiteral("updated");
    case UpToDate:
        return QStringLiteral("up-to-date");
    case Refused:
        return QStringLiteral("refused");
    case Failed:
        return QStringLiteral("failed");
    case GivenUp:
        return QStringLiteral("given-up");
    }
    return QString();
}

QByteArray UnitResult::toJsonLine() const
{
    QJsonObject seconds;
    for (const auto &phase : phases)
        seconds.insert(phase.first, qRound(phase.second * 1000) / 1000.0);
    QJsonObject object{
        {QStringLiteral("time"), time.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("port"), port},
        {QStringLiteral("kind"), kind},
        {QStringLiteral("type_code"), typeCode},
        {QStringLiteral("version_before"), versionBefore},
        {QStringLiteral("version_after"), versionAfter},
        {QStringLiteral("result"), resultName(result)},
        {QStringLiteral("seconds"), seconds},
    };
    if (!error.isEmpty())
        object.insert(QStringLiteral("error"), error);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QString resultLine(const UnitResult &result)
{
    double total = 0;
    for (const auto &phase : result.phases)
        total += phase.second;
    const QString before = result.versionBefore.isEmpty() ? result.kind : result.versionBefore;
    switch (result.result) {
    case UnitResult::Updated:
        return QStringLiteral("%1: updated %2 -> %3 (%4 s)").arg(result.port, before, result.versionAfter).arg(total, 0, 'f', 1);
    case UnitResult::UpToDate:
        return QStringLiteral("%1: %2 is up to date, left alone (--force updates it anyway)").arg(result.port, before);
    case UnitResult::Refused:
        return QStringLiteral("%1: %2 not updated: %3").arg(result.port, before, result.error);
    case UnitResult::Failed:
        return QStringLiteral("%1: %2 FAILED: %3").arg(result.port, before, result.error);
    case UnitResult::GivenUp:
        return QStringLiteral("%1: %2 given up: %3").arg(result.port, before, result.error);
    }
    return QString();
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
    unitResult.versionBefore = device.versionText();
    // Queued: the engine reports from its own thread.
    connect(update.get(), &GripperUpdate::phaseChanged, this, &UnitJob::onPhase, Qt::QueuedConnection);
    connect(update.get(), &GripperUpdate::progressChanged, this,
            [this](int value) {
                currentProgress = value;
                emit changed();
            },
            Qt::QueuedConnection);
    connect(update.get(), &GripperUpdate::finished, this, &UnitJob::onFinished, Qt::QueuedConnection);
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
    enterPhase(QStringLiteral("reboot"));
    thread = QThread::create([u = update.get()] { u->run(); });
    thread->start();
}

void UnitJob::giveUp()
{
    update->cancel();
}

bool UnitJob::pastEntry() const
{
    return reachedBootloader;
}

void UnitJob::enterPhase(const QString &name)
{
    if (name == currentPhase)
        return;
    if (!currentPhase.isEmpty())
        unitResult.phases.append({currentPhase, phaseClock.nsecsElapsed() / 1e9});
    currentPhase = name;
    currentProgress = 0;
    phaseClock.start();
}

void UnitJob::onPhase(GripperUpdate::Phase phase)
{
    // From here until the new firmware starts, the gripper runs nothing but
    // its bootloader.
    if (phase == GripperUpdate::Identifying || phase == GripperUpdate::FreescaleReady)
        reachedBootloader = true;
    // Reported after the start, in the order the engine sent it: a unit given
    // up from here runs its new firmware.
    if (phase == GripperUpdate::ReadingVersion || phase == GripperUpdate::Loaded) {
        reachedBootloader = false;
        started = true;
    }
    for (const PhaseView &view : kPhases) {
        if (view.phase == phase) {
            currentStatus = QLatin1String(view.text);
            enterPhase(QLatin1String(view.name));
        }
    }
    emit changed();
}

void UnitJob::onFinished(GripperUpdate::Outcome outcome)
{
    thread->wait();
    running = false;
    unitResult.time = QDateTime::currentDateTimeUtc();
    enterPhase(QString());
    const QString expected = image.versionText();
    const QString reported = update->versionText();
    unitResult.versionAfter = reported;
    if (outcome == GripperUpdate::Updated && reported == expected) {
        unitResult.result = UnitResult::Updated;
    } else if (outcome == GripperUpdate::Updated) {
        unitResult.result = UnitResult::Failed;
        unitResult.error = reported.isEmpty()
                               ? QStringLiteral("written and started, but the new firmware did not report its version")
                               : QStringLiteral("the new firmware reports %1, not %2").arg(reported, expected);
    } else if (outcome == GripperUpdate::Cancelled && started) {
        unitResult.result = UnitResult::GivenUp;
        unitResult.error = QStringLiteral("written, verified and started, version not read back");
    } else {
        unitResult.result = outcome == GripperUpdate::Cancelled ? UnitResult::GivenUp : UnitResult::Failed;
        unitResult.error = failureText(outcome, isGsFamily(device.kind));
        if (!currentStatus.isEmpty())
            unitResult.error += QStringLiteral(" (at: %1)").arg(currentStatus);
        if (outcome == GripperUpdate::Cancelled && reachedBootloader)
            unitResult.error += QStringLiteral("; left in its bootloader, update it again");
    }
    emit done();
}
