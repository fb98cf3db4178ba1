#include "gripperupdate.h"

// The engine's steps each have a file of their own: bootloaderentry.cpp,
// flashlayout.cpp (what may be written where), stm32steps.cpp,
// freescaletransfer.cpp and versionread.cpp. Here, how run() strings them.

GripperUpdate::GripperUpdate(UpdatePlan plan, BootloaderLink *sharedLink, QObject *parent)
    : QObject(parent)
    , plan(std::move(plan))
    , ownLink(sharedLink ? nullptr : std::make_unique<SessionLink>())
    , link(sharedLink ? sharedLink : ownLink.get())
    , flasher(link)
{
    // Front ends take the reports on their own thread.
    qRegisterMetaType<GripperUpdate::Phase>();
    qRegisterMetaType<GripperUpdate::Outcome>();
    connect(&flasher, &Stm32Flasher::progressChanged, this, &GripperUpdate::progressChanged, Qt::DirectConnection);
}

void GripperUpdate::cancel()
{
    cancelled = true;
    entry.cancel();
    flasher.cancel();
}

GripperUpdate::Outcome GripperUpdate::finish(Outcome outcome)
{
    if (outcome != Updated && !isGsFamily(plan.target.kind))
        link->close();
    emit finished(outcome);
    return outcome;
}

GripperUpdate::Outcome GripperUpdate::outcomeOf(Stm32Flasher::Result result, Outcome failure)
{
    return result == Stm32Flasher::Done ? Updated : result == Stm32Flasher::Cancelled ? Cancelled : failure;
}

GripperUpdate::Outcome GripperUpdate::run()
{
    if (!refusal(plan).isEmpty())
        return finish(FlashFailed);
    if (isGsFamily(plan.target.kind)) {
        const Outcome transferred = transferFreescale();
        if (transferred != Updated)
            return finish(transferred);
    } else {
        BootloaderEntry::Result entered = BootloaderEntry::Retry;
        for (int attempt = 0; entered == BootloaderEntry::Retry; ++attempt) {
            if (plan.entryAttempts > 0 && attempt >= plan.entryAttempts)
                return finish(EntryFailed);
            entered = enterBootloader();
        }
        if (entered != BootloaderEntry::Ready)
            return finish(entered == BootloaderEntry::Cancelled ? Cancelled : EntryFailed);
        const Outcome flashed = flash();
        if (flashed != Updated)
            return finish(flashed);
    }
    version = readVersion();
    return finish(cancelled ? Cancelled : Updated);
}
