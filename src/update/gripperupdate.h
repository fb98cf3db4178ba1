#ifndef GRIPPERUPDATE_H
#define GRIPPERUPDATE_H

#include "bootloaderlink.h"
#include "korvanedevice.h"
#include "stm32flasher.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

// The update of one gripper, without a window: each piece below blocks until
// the gripper has answered, so the whole runs on a thread of its own, and
// several grippers on several ports are updated at once by several updates.
// Nothing here is process-wide: each update has its own port objects and its
// own bootloader session.

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
    void reset() { cancelRequested = false; }
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
    // `afterFirstRequest` is called once the first reboot request is out.
    Result enter(const UpdateTarget &target, BootloaderLink &link,
                 const std::function<void()> &afterFirstRequest = std::function<void()>());

private:
    bool rebootForUpdate(const UpdateTarget &target);
};

// The GS family's Freescale bootloader: the reboot request, its ready sign,
// then the image as text under XON/XOFF, followed through the progress dots
// to the load report. Silence for the watchdog's time ends it.
class FreescaleTransfer : public Cancellable
{
public:
    enum Result { Loaded, NotReady, StartFailure, Silent, Cancelled };

    // `image` as the bootloader takes it (text, LF line ends). `status` and
    // `progress` are called on the calling thread as the transfer goes.
    Result run(const UpdateTarget &target, const QByteArray &image,
               const std::function<void(const QString &)> &status, const std::function<void(int)> &progress);
};

// The Modbus version request to the firmware just started, repeated until it
// answers or its start-up time has passed.
class VersionReadback : public Cancellable
{
public:
    // "GC3-1.6.9", empty when nothing answered.
    QString read(const UpdateTarget &target);
};

// The images to write and where they go follow from the kind.
struct UpdatePlan
{
    UpdateTarget target;
    QByteArray bootloaderImage;  // empty: the bootloader is left as it is
    // Empty: the main firmware is left as it is. For the GS family, the
    // S-records as text.
    QByteArray mainImage;
    // Entry attempts before giving up; 0 tries until cancelled, as the
    // wizard does while the user cycles the power.
    int entryAttempts = 0;
};

class GripperUpdate : public QObject
{
    Q_OBJECT

public:
    // Updated: written, read back equal and started. Whether the gripper
    // now runs the image is only known from versionText(): a caller that
    // reports a unit as updated compares it with the image's version first
    // (empty when the new firmware never answered).
    enum Outcome { Updated, EntryFailed, FlashFailed, VerifyFailed, Cancelled };
    Q_ENUM(Outcome)

    explicit GripperUpdate(UpdatePlan plan, QObject *parent = nullptr);

    // The whole update; blocks, so call it on a thread of its own. Also
    // reported through finished().
    Outcome run();
    // Any thread, any moment: the step under way ends at its next exchange
    // with the gripper. Before the first erase the gripper is left as it
    // was; after it, in its ROM, where it can be written again.
    void cancel();

    // Type code and version the new firmware reported, empty until then.
    QString versionText() const { return version; }

signals:
    void statusChanged(const QString &status);
    void progressChanged(int progress);
    void finished(GripperUpdate::Outcome outcome);

private:
    Outcome finish(Outcome outcome);
    Outcome flash();
    Outcome transfer();

    UpdatePlan plan;
    SessionLink link;
    BootloaderEntry entry;
    Stm32Flasher flasher;
    FreescaleTransfer freescale;
    VersionReadback readback;
    QString version;
};

#endif
