#ifndef GRIPPERUPDATE_H
#define GRIPPERUPDATE_H

#include "bootloaderlink.h"
#include "korvanedevice.h"
#include "phrase.h"
#include "stm32flasher.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

// The update of one gripper, without a window: each piece below blocks until
// the gripper has answered, so it runs on a thread of its own, and several
// grippers on several ports are updated at once by several updates. The
// wizard's download page calls the steps one by one from its states;
// korvane-flash runs them all with run().

// Which gripper, on which line.
struct UpdateTarget
{
    // Device path or port name, as the serial layer opens it.
    QString portName;
    DeviceKind kind = Unidentified;
    // A GB1 reached through its K01: rebooted and read at the K01's second
    // register block.
    bool secondaryUnit = false;
    // Found in its ROM already: no reboot request.
    bool inBootloader = false;
    // Line of the running firmware (the ROM's is fixed).
    BaudRateType baud = BAUD115200;
};

// Waits that end early when the owner gives up.
class Cancellable
{
public:
    void cancel() { cancelRequested = true; }
    bool isCancelled() const { return cancelRequested; }

protected:
    // False when given up before `ms` had passed.
    bool pause(int ms) const;

private:
    std::atomic<bool> cancelRequested{false};
};

// From the running firmware (or the ROM) to a synchronised ROM bootloader:
// the Modbus reboot request with the GU/GV repeat window and the settle
// waits, then the link's initialisation.
class BootloaderEntry : public Cancellable
{
public:
    enum Result { Ready, Retry, Failed, Cancelled };

    // One attempt. Ready leaves `link` open and acknowledged; Retry means
    // the gripper did not answer (yet), as when it is off.
    // `afterFirstRequest` is called once the first reboot request is out,
    // with whether the firmware confirmed it (or, the echo missing, its ROM
    // answered): from then on the gripper runs its ROM, whatever becomes of
    // this attempt.
    Result enter(const UpdateTarget &target, BootloaderLink &link,
                 const std::function<void(bool confirmed)> &afterFirstRequest = {});

private:
    bool rebootForUpdate(const UpdateTarget &target);
    bool romAnswers(const UpdateTarget &target, BootloaderLink &link);

    // The ROM is asked after the first unanswered request only: the unit
    // that restarts unheard does so on that one, and while the user cycles
    // the power the requests must come faster than a product bootloader's
    // short listening window after power-on.
    bool romAsked = false;
};

// The images to write, where they go, and the waits of the front end.
struct UpdatePlan
{
    UpdateTarget target;
    // The product the images are made for, which decides the flash layout:
    // a CH found in its ROM is a BL_STM32 record, but its firmware lives in
    // the second bank. Unidentified: the target's kind.
    DeviceKind product = Unidentified;
    QByteArray bootloaderImage;  // empty: the bootloader is left as it is
    // Empty: the main firmware is left as it is. For the GS family, the
    // S-records as text.
    QByteArray mainImage;
    // Entry attempts before giving up; 0 tries until cancelled, for as long
    // as the user takes to cycle the power.
    int entryAttempts = 0;
    // The GS family's power cycle by hand: no reboot request, and the
    // bootloader is waited for without a time limit (the user may take
    // minutes; Cancel is the way out).
    bool manualPowerCycle = false;
    // Pauses the caller asks for: before the bootloader image, after the
    // main one.
    int beforeBootloaderWriteMs = 0;
    int afterMainWriteMs = 0;
    // The version is asked once, as a batch of units does, instead of
    // again and again for the new firmware's whole start-up time.
    bool askVersionOnce = false;

    DeviceKind layoutKind() const { return product != Unidentified ? product : target.kind; }
    // What the gripper is, for its start-up time: its record's kind where the
    // record tells it, else the product of its image.
    DeviceKind gripperKind() const
    {
        return target.kind == BL_STM32 || target.kind == Unidentified ? layoutKind() : target.kind;
    }
};

class GripperUpdate : public QObject
{
    Q_OBJECT

public:
    // Where the update stands; each front end puts it into its own words.
    enum Phase {
        Rebooting,           // reboot request on its way
        AwaitingPowerCycle,  // no answer yet: the user may have to power it
        RebootConfirmed,     // the firmware echoed the request: its ROM starts
        InitializingRom,     // synchronising with the STM32 ROM
        Identifying,         // in a bootloader: from here on the gripper runs nothing else
        Erasing,
        WritingBootloader,
        WritingMain,
        Verifying,           // read-back, then start
        FreescaleReady,      // the GS bootloader waits for the image
        Loading,             // the GS bootloader's first progress dot
        Loaded,              // its load report
        ReadingVersion,
    };
    Q_ENUM(Phase)

    // Updated: written, read back equal and started (GS: loaded). Whether the
    // gripper now runs the image is only known from versionText(): a caller
    // that reports a unit as updated compares it with the image's version
    // first (empty when the new firmware never answered).
    // StartFailure: the GS bootloader reported a load that never began;
    // Silent: it fell silent before its load report. NotStarted: written and
    // read back, but the STM32 ROM refused or ignored the start; the unit
    // waits in its ROM.
    enum Outcome { Updated, EntryFailed, FlashFailed, VerifyFailed, StartFailure, Silent, Cancelled, NotStarted };
    Q_ENUM(Outcome)

    enum Image { BootloaderImage, MainImage };

    // A K01 takes this long to start its own firmware and its secondary unit.
    static constexpr int kK01StartMs = 8000;

    // `sharedLink`: a line to the ROM the caller owns (a process-wide one,
    // which remembers that identification synchronised); without
    // one the update opens a session of its own.
    explicit GripperUpdate(UpdatePlan plan, BootloaderLink *sharedLink = nullptr, QObject *parent = nullptr);

    // Before anything is sent: why this plan must not be carried out (an
    // image that does not fit the region erased for it), empty when it may.
    static Phrase refusal(const UpdatePlan &plan);

    // The whole update; blocks, so call it on a thread of its own. Also
    // reported through finished().
    Outcome run();
    // Any thread, any moment: the step under way ends at its next exchange
    // with the gripper. Before the first erase the gripper is left as it
    // was; after it, in its ROM, where it can be written again.
    void cancel();
    bool isCancelled() const { return cancelled; }

    // The steps run() takes, for a front end that shows each on its own.
    // One attempt at the STM32 ROM; Ready leaves the link open.
    BootloaderEntry::Result enterBootloader();
    // Asks the ROM what it is (and which erase it takes); false without a link.
    bool identify();
    Stm32Flasher::Result erase(Image image);
    Stm32Flasher::Result write(Image image);
    // Reads back what this update wrote and starts it; closes the link.
    Stm32Flasher::Result verifyAndStart();
    // The GS family: reboot (or power cycle), ready sign, image, load report.
    // `ready` is called once the bootloader is ready, just before the image
    // goes out.
    Outcome transferFreescale(const std::function<void()> &ready = std::function<void()>());
    // "GC3-1.6.9" from the started firmware, empty when nothing answered.
    QString readVersion();

    QString versionText() const { return version; }
    // The part's 96-bit unique ID as 24 hex digits, read by identify():
    // "unknown" where the ROM refused it or the part is not known, empty
    // where no STM32 ROM was asked (the GS family).
    QString unitId() const { return uniqueId; }
    // "0x413" from Get ID; empty where the ROM did not say.
    QString productIdText() const { return productId; }
    // An erase, write or read-back failed because the gripper stopped
    // answering (unplugged, powered off), not because its ROM refused.
    bool lineLost() const { return flasher.lineLost(); }
    const UpdatePlan &updatePlan() const { return plan; }

signals:
    void phaseChanged(GripperUpdate::Phase phase);
    // The gripper runs nothing but its STM32 ROM from now on (its reboot
    // request was confirmed, or it was found there) until the new firmware
    // is started: a unit given up from here is left in its bootloader.
    // Emitted on the engine's thread, before the next phase.
    void romEntered();
    void progressChanged(int progress);
    void finished(GripperUpdate::Outcome outcome);

private:
    Outcome finish(Outcome outcome);
    Outcome flash();
    static Outcome outcomeOf(Stm32Flasher::Result result, Outcome failure);

    UpdatePlan plan;
    std::unique_ptr<SessionLink> ownLink;
    BootloaderLink *link;
    BootloaderEntry entry;
    Stm32Flasher flasher;
    std::atomic<bool> cancelled{false};
    QVector<FlashImage> written;
    QString version;
    QString uniqueId;
    QString productId;
};

#endif
