// Bootloader entry: from the running firmware (or a unit found in its ROM)
// to a synchronised STM32 ROM, with the waits the grippers need between.

#include "gripperupdate.h"

#include "communication.h"
#include "constants.h"
#include "engineline.h"
#include "korvanelog.h"
#include "qextserial_platform.h"
#include "replywait.h"

#include <QDebug>
#include <QElapsedTimer>

namespace {

// The waits of the wizard's bootloader entry, for the same grippers.
const int kSettleAfterRebootMs = 3000;
const int kRepeatWindowMs = 3000;
const int kRepeatPauseMs = 100;
const int kSettleAfterRepeatMs = 1000;
const int kBeforeInitMs = 1000;
const int kAfterInitAttemptMs = 1000;
const int kInitAttempts = 2;
const uint32_t kInitTimeout = 100;
const uint32_t kFlashingTimeout = 5000;
const int kRebootEchoWaitMs = 50;
// Before a ROM is asked whether the unit restarted without a word.
const int kLateEchoMs = 100;

} // namespace

bool Cancellable::pause(int ms) const
{
    return pauseUnless(ms, cancelRequested);
}

bool BootloaderEntry::rebootForUpdate(const UpdateTarget &target)
{
    const std::unique_ptr<QextSerialPort> port = openFirmwareLine(target, target.baud);
    if (!port) {
        // Gone or busy: counts as unanswered, the step is tried again.
        // Why, for the log: a port held by another is not a port gone.
        qCDebug(lcUpdate) << "ERREUR BootloaderEntry::rebootForUpdate: cannot open" << target.portName
                          << qt_error_string(QextPlatform::openFailure(target.portName));
        return false;
    }
    if (target.kind != K01 && target.secondaryUnit) {
        // The K01 relays the request and answers nothing we could check.
        port->write(Communication::secondaryRebootRequest());
        port->waitForBytesWritten(kRebootEchoWaitMs);
        return true;
    }
    port->write(QByteArray::fromHex(Communication::kRebootRequest));
    port->waitForBytesWritten(kRebootEchoWaitMs);
    const QByteArray echo = readReply(*port, Communication::kRebootEchoSize, kRebootEchoWaitMs);
    return echo == QByteArray::fromHex(Communication::kRebootEcho);
}

bool BootloaderEntry::romAnswers(const UpdateTarget &target, BootloaderLink &link)
{
    // An echo later than its wait, or lost, from a unit that did restart:
    // its ROM ignores every further request, and the unit would be given up
    // (or the user asked to cycle its power) while it waits to be written.
    // One short sync tells it from a unit that is off or still running its
    // firmware, to which a lone 0x7F is line noise.
    romAsked = true;
    if (link.open(target.portName) != 0)
        return false;
    // An echo still on its way comes first, and is thrown away with the
    // line's input as the sync begins. One later than that is taken for no
    // answer, and the ROM not asked again: a second 0x7F to a ROM that took
    // the first would start a command, and the next one would be refused.
    if (!pause(kLateEchoMs)) {
        link.close();
        return false;
    }
    link.setTimeout(kInitTimeout);
    if (link.init() == 0 && link.ackValue() == stbl::ACK) {
        qCDebug(lcUpdate) << "reboot not confirmed, but the ROM answers";
        return true;
    }
    link.close();
    return false;
}

BootloaderEntry::Result BootloaderEntry::enter(const UpdateTarget &target, BootloaderLink &link,
                                               const std::function<void(bool confirmed)> &afterFirstRequest)
{
    if (!target.inBootloader && target.kind != BL_STM32) {
        const bool confirmed = rebootForUpdate(target);
        // Asked before the front end hears of it: a unit that restarted
        // unheard is not to be power-cycled.
        const bool inRom = !confirmed && !romAsked && !isCancelled() && romAnswers(target, link);
        if (afterFirstRequest)
            afterFirstRequest(confirmed || inRom);
        if (inRom) {
            link.setTimeout(kFlashingTimeout);
            return Ready;
        }
        if (!confirmed)
            return isCancelled() ? Cancelled : Retry;
        if (target.kind == GU || target.kind == GV) {
            // GU and GV miss the first request now and then while they
            // restart: it is repeated for a while, then they settle.
            QElapsedTimer window;
            window.start();
            while (window.elapsed() < kRepeatWindowMs) {
                if (!pause(kRepeatPauseMs))
                    return Cancelled;
                if (rebootForUpdate(target))
                    break;
            }
            if (!pause(kSettleAfterRepeatMs))
                return Cancelled;
        } else if (!pause(kSettleAfterRebootMs)) {
            return Cancelled;
        }
    }

    const uint8_t opened = link.open(target.portName);
    if (opened == stbl::RESULT_BAD_ARGUMENT || opened == stbl::RESULT_BAD_SETTINGS)
        return Failed;
    if (opened != 0)
        return pause(kReopenPauseMs) ? Retry : Cancelled;

    // The process-wide line remembers that identification synchronised a
    // gripper it found in its ROM; a second 0x7F would be read as a command.
    // A session of its own has never synchronised: it does, and a ROM
    // synchronised before NACKs our 0x7F, which the session takes as success.
    if (!(target.inBootloader && link.remembersSync())) {
        if (!target.inBootloader && !pause(kBeforeInitMs)) {
            link.close();
            return Cancelled;
        }
        link.setTimeout(kInitTimeout);
        uint8_t result = stbl::RESULT_NO_ANSWER;
        for (int attempt = 0; attempt < kInitAttempts; ++attempt) {
            result = link.init();
            if (result == 0 && target.inBootloader)
                break;
            if (!pause(kAfterInitAttemptMs)) {
                link.close();
                return Cancelled;
            }
            if (result == 0)
                break;
        }
        if (result != 0) {
            link.close();
            qCDebug(lcUpdate) << "Erreur dans STBL_Init_BL? " << int(result);
            return result == stbl::RESULT_NO_ANSWER ? Retry : Failed;
        }
    }
    // Also when identification synchronised it: it left the line with the
    // probe's 25 ms, which a USB adapter's latency alone can exceed on every
    // command of the write.
    link.setTimeout(kFlashingTimeout);
    const uint8_t ack = link.ackValue();
    if (ack == stbl::ACK)
        return Ready;
    qCDebug(lcUpdate) << "Pas le bon ack value? " << int(ack);
    link.close();
    return Failed;
}

BootloaderEntry::Result GripperUpdate::enterBootloader()
{
    // Each attempt reads back only what it writes afterwards.
    written.clear();
    if (plan.target.inBootloader || plan.target.kind == BL_STM32) {
        emit romEntered();
        emit phaseChanged(InitializingRom);
    } else {
        emit phaseChanged(Rebooting);
    }
    return entry.enter(plan.target, *link, [this](bool confirmed) {
        // Only a unit that did not answer may need its power cycled.
        if (confirmed)
            emit romEntered();
        emit phaseChanged(confirmed ? RebootConfirmed : AwaitingPowerCycle);
    });
}
