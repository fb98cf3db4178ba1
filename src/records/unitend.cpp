#include "unitend.h"

namespace {

Phrase endText(const char *source)
{
    return Phrase("UnitEnd", source);
}

// The part of the update each of the engine's phases belongs to, and its
// words (English in the record, translated on screen).
struct PhaseView
{
    GripperUpdate::Phase phase;
    const char *step;
    const char *text;
};
const PhaseView kPhases[] = {
    //: A step of an update, one word in the station's Step column and in korvane-flash's progress: a noun
    {GripperUpdate::Rebooting, QT_TRANSLATE_NOOP("UnitEnd", "reboot"),
     QT_TRANSLATE_NOOP("UnitEnd", "Rebooting the gripper into its bootloader.")},
    {GripperUpdate::AwaitingPowerCycle, "reboot", QT_TRANSLATE_NOOP("UnitEnd", "If the device is turned off, turn it on.")},
    {GripperUpdate::RebootConfirmed, "reboot", QT_TRANSLATE_NOOP("UnitEnd", "Rebooting the gripper into its bootloader.")},
    {GripperUpdate::InitializingRom, "reboot", QT_TRANSLATE_NOOP("UnitEnd", "Initializing the STM32 bootloader.")},
    {GripperUpdate::Identifying, "reboot", QT_TRANSLATE_NOOP("UnitEnd", "Identifying the STM32 bootloader.")},
    //: A step of an update (the flash being erased): a noun
    {GripperUpdate::Erasing, QT_TRANSLATE_NOOP("UnitEnd", "erase"),
     QT_TRANSLATE_NOOP("UnitEnd", "Erasing the main firmware flash sectors.")},
    //: A step of an update (the new firmware being written): a noun
    {GripperUpdate::WritingBootloader, QT_TRANSLATE_NOOP("UnitEnd", "write"),
     QT_TRANSLATE_NOOP("UnitEnd", "Downloading the bootloader")},
    {GripperUpdate::WritingMain, "write", QT_TRANSLATE_NOOP("UnitEnd", "Downloading the main firmware")},
    //: A step of an update (the flash read back and compared): a noun
    {GripperUpdate::Verifying, QT_TRANSLATE_NOOP("UnitEnd", "verify"),
     QT_TRANSLATE_NOOP("UnitEnd", "Verifying and jumping in the main firmware")},
    {GripperUpdate::FreescaleReady, "write", QT_TRANSLATE_NOOP("UnitEnd", "The bootloader is ready to receive the new firmware.")},
    {GripperUpdate::Loading, "write", QT_TRANSLATE_NOOP("UnitEnd", "The new firmware is being downloaded.")},
    {GripperUpdate::Loaded, "verify", QT_TRANSLATE_NOOP("UnitEnd", "The new firmware has been downloaded successfully.")},
    {GripperUpdate::ReadingVersion, "verify", QT_TRANSLATE_NOOP("UnitEnd", "Reading the new version.")},
};

const PhaseView *viewOf(int phase)
{
    for (const PhaseView &view : kPhases) {
        if (view.phase == phase)
            return &view;
    }
    return nullptr;
}

Phrase failureText(const UnitEnd::Verdict &verdict, bool lost)
{
    // Not the flash's fault: a technician would otherwise look for one.
    if (lost)
        return endText(QT_TRANSLATE_NOOP("UnitEnd", "the gripper stopped answering (its cable or power lost?); the "
                                                    "new firmware was not started, update it again"));
    switch (verdict.outcome) {
    case GripperUpdate::EntryFailed:
        if (verdict.freescale)
            return endText(QT_TRANSLATE_NOOP("UnitEnd", "the Freescale bootloader did not show itself ready"));
        // It confirmed the reboot: its ROM runs, but did not take the link.
        return verdict.inRom ? endText(QT_TRANSLATE_NOOP("UnitEnd", "its ROM bootloader did not answer"))
                             : endText(QT_TRANSLATE_NOOP("UnitEnd", "the gripper did not enter its bootloader"));
    case GripperUpdate::FlashFailed:
        return verdict.freescale ? endText(QT_TRANSLATE_NOOP("UnitEnd", "no image to send to the Freescale bootloader"))
                                 : endText(QT_TRANSLATE_NOOP("UnitEnd", "erasing or writing the flash failed"));
    case GripperUpdate::Silent:
        return endText(QT_TRANSLATE_NOOP("UnitEnd", "the Freescale bootloader did not report the image loaded"));
    case GripperUpdate::StartFailure:
        return endText(QT_TRANSLATE_NOOP("UnitEnd", "There was a problem starting the download procedure."));
    case GripperUpdate::VerifyFailed:
        return endText(QT_TRANSLATE_NOOP("UnitEnd", "the flash read back differs from the image; the new firmware was "
                                                    "not started"));
    case GripperUpdate::NotStarted:
        return endText(QT_TRANSLATE_NOOP("UnitEnd", "written and read back, but its bootloader did not start it"));
    case GripperUpdate::Cancelled:
        return endText(QT_TRANSLATE_NOOP("UnitEnd", "given up"));
    case GripperUpdate::Updated:
        break;
    }
    return Phrase();
}

} // namespace

QString UnitEnd::stepOf(GripperUpdate::Phase phase)
{
    const PhaseView *view = viewOf(phase);
    return view ? QLatin1String(view->step) : QString();
}

Phrase UnitEnd::phaseText(GripperUpdate::Phase phase)
{
    const PhaseView *view = viewOf(phase);
    return view ? endText(view->text) : Phrase();
}

UnitResult UnitEnd::untouched(const QString &port, DeviceKind kind, const QString &typeCode,
                              const QString &versionBefore, const Phrase &why)
{
    UnitResult result;
    result.time = QDateTime::currentDateTimeUtc();
    result.port = port;
    result.kind = kindName(kind);
    result.typeCode = typeCode;
    result.versionBefore = versionBefore;
    result.result = UnitResult::Refused;
    result.error = why;
    return result;
}

Phrase UnitEnd::newerText(const QString &imageVersion)
{
    return endText(QT_TRANSLATE_NOOP("UnitEnd", "it runs a newer version than %1")).arg(imageVersion);
}

void UnitEnd::judge(const Verdict &verdict, UnitResult *result)
{
    result->versionAfter = verdict.versionRead;
    result->error = Phrase();
    result->leftInBootloader = false;
    if (verdict.outcome == GripperUpdate::Updated) {
        const bool runsIt = verdict.imageKnown ? FirmwareChoice::runsImage(verdict.versionRead, verdict.image)
                                               : !verdict.versionRead.isEmpty();
        result->result = runsIt ? UnitResult::Updated : UnitResult::Failed;
        if (verdict.versionRead.isEmpty())
            result->error = endText(QT_TRANSLATE_NOOP("UnitEnd", "written and started, but the new firmware did not "
                                                                 "report its version"));
        else if (!runsIt)
            result->error = endText(QT_TRANSLATE_NOOP("UnitEnd", "the new firmware reports %1, not %2"))
                                .arg(verdict.versionRead, verdict.image.versionText());
        return;
    }
    if (verdict.outcome == GripperUpdate::Cancelled && verdict.started) {
        result->result = UnitResult::GivenUp;
        result->error = endText(QT_TRANSLATE_NOOP("UnitEnd", "written, verified and started, version not read back"));
        return;
    }
    // Where the line was lost nobody knows what the unit runs now.
    const bool lost = verdict.lineLost
                      && (verdict.outcome == GripperUpdate::FlashFailed || verdict.outcome == GripperUpdate::VerifyFailed);
    result->result = verdict.outcome == GripperUpdate::Cancelled ? UnitResult::GivenUp : UnitResult::Failed;
    result->error = failureText(verdict, lost);
    if (const PhaseView *view = viewOf(verdict.lastPhase))
        result->error = endText(QT_TRANSLATE_NOOP("UnitEnd", "%1 (at: %2)")).arg(result->error, endText(view->text));
    if (verdict.inRom && !lost) {
        result->leftInBootloader = true;
        result->error = endText(QT_TRANSLATE_NOOP("UnitEnd", "%1; left in its bootloader, update it again"))
                            .arg(result->error);
    }
}

void UnitEnd::begin(const UnitResult &found, const FirmwareImage &written, bool known, bool bootloaderFirst)
{
    unit = found;
    unit.phases.clear();
    image = written;
    imageKnown = known;
    bootloaderPending = bootloaderFirst;
    current = GripperUpdate::Rebooting;
    lastPhase = -1;
    watched = nullptr;
    romReached = false;
    firmwareStarted = false;
    clock = PhaseClock();
    clock.enter(QStringLiteral("reboot"), &unit);
}

void UnitEnd::watch(GripperUpdate *engine)
{
    watched = engine;
    // Direct: told on the engine's thread the moment it happens, so a unit
    // given up a moment after its reboot echo is known to be in its ROM.
    // An engine of an earlier attempt may still be finishing: not heard.
    QObject::connect(engine, &GripperUpdate::romEntered, engine, [this, engine] {
        if (watched == engine)
            romReached = true;
    }, Qt::DirectConnection);
    QObject::connect(engine, &GripperUpdate::phaseChanged, engine,
                     [this, engine](GripperUpdate::Phase phase) {
                         if (watched != engine)
                             return;
                         // The GS bootloader holds the unit once it shows itself ready.
                         if (phase == GripperUpdate::FreescaleReady)
                             romReached = true;
                         // Reported after the start: a unit given up from here runs
                         // its new firmware.
                         if (phase == GripperUpdate::ReadingVersion || phase == GripperUpdate::Loaded)
                             firmwareStarted = true;
                     },
                     Qt::DirectConnection);
}

bool UnitEnd::enter(GripperUpdate::Phase phase)
{
    // A bootloader written before the main image: its erase and write are
    // timed on their own, or the main image's would hide them.
    if (phase == GripperUpdate::WritingMain
        || (phase == GripperUpdate::Erasing && lastPhase == GripperUpdate::WritingBootloader))
        bootloaderPending = false;
    current = phase;
    lastPhase = phase;
    QString key = stepOf(phase);
    if (bootloaderPending && (phase == GripperUpdate::Erasing || phase == GripperUpdate::WritingBootloader))
        key += QStringLiteral("_bootloader");
    return !key.isEmpty() && clock.enter(key, &unit);
}

void UnitEnd::stop()
{
    clock.enter(QString(), &unit);
    unit.time = QDateTime::currentDateTimeUtc();
}

const UnitResult &UnitEnd::conclude(GripperUpdate::Outcome outcome, const GripperUpdate &engine,
                                    const QString &versionRead)
{
    stop();
    unit.unitId = engine.unitId();
    unit.productId = engine.productIdText();
    Verdict verdict;
    verdict.outcome = outcome;
    verdict.versionRead = versionRead;
    verdict.image = image;
    verdict.imageKnown = imageKnown;
    verdict.started = firmwareStarted;
    verdict.inRom = inRom();
    verdict.lineLost = engine.lineLost();
    verdict.freescale = isGsFamily(engine.updatePlan().target.kind);
    verdict.lastPhase = lastPhase;
    judge(verdict, &unit);
    return unit;
}

const UnitResult &UnitEnd::refuse(const Phrase &why)
{
    stop();
    // Left untouched: no time spent on it, no image given.
    unit.phases.clear();
    unit.setImage(QString(), QByteArray());
    unit.imageSha256.clear();
    unit.result = UnitResult::Refused;
    unit.error = why;
    return unit;
}
