#include "gripperupdate.h"

#include "communication.h"
#include "flashlayout.h"
#include "freescaleconfig.h"
#include "freescaleparse.h"

#include <QDebug>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

namespace {

// The waits of the wizard's bootloader entry, for the same grippers.
const int kSettleAfterRebootMs = 3000;
const int kRepeatWindowMs = 3000;
const int kRepeatPauseMs = 100;
const int kSettleAfterRepeatMs = 1000;
const int kBeforeInitMs = 1000;
const int kAfterInitAttemptMs = 1000;
const int kInitAttempts = 2;
const int kReopenPauseMs = 100;
const uint32_t kInitTimeout = 100;
const uint32_t kFlashingTimeout = 5000;

const int kRebootEchoWaitMs = 50;
const int kVersionReplyMs = 1000;
const int kAfterStartMs = 1000;
// A K01 takes this long to start its own firmware and its secondary unit;
// the others answer well within the shorter limit.
const int kK01StartMs = 8000;
const int kStartMs = 3000;
const int kRequestPauseMs = 200;
// The bootloader's banner is complete a moment before it listens.
const int kReadyPauseMs = 50;
const int kReadSliceMs = 20;

// Reads until `size` bytes are there or `ms` have passed.
QByteArray readReply(QextSerialPort &port, int size, int ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QByteArray reply = port.readAll();
    while (reply.size() < size && elapsed.elapsed() < ms) {
        if (port.waitForReadyRead(int(ms - elapsed.elapsed())))
            reply += port.readAll();
    }
    return reply;
}

std::unique_ptr<QextSerialPort> openFirmwareLine(const UpdateTarget &target, BaudRateType baud,
                                                 FlowType flow = FLOW_OFF)
{
    const PortSettings settings = {baud, DATA_8, PAR_NONE, STOP_1, flow, 100};
    auto port = std::make_unique<QextSerialPort>(target.portName, settings, QextSerialPort::Polling);
    if (!port->open(QIODevice::ReadWrite))
        return nullptr;
    return port;
}

} // namespace

bool Cancellable::pause(int ms) const
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!cancelRequested && elapsed.elapsed() < ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<qint64>(10, ms - elapsed.elapsed())));
    return !cancelRequested;
}

bool BootloaderEntry::rebootForUpdate(const UpdateTarget &target)
{
    const std::unique_ptr<QextSerialPort> port = openFirmwareLine(target, target.baud);
    if (!port) {
        // Gone or busy: counts as unanswered, the step is tried again.
        qDebug() << "ERREUR BootloaderEntry::rebootForUpdate: cannot open" << target.portName;
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

BootloaderEntry::Result BootloaderEntry::enter(const UpdateTarget &target, BootloaderLink &link,
                                               const std::function<void()> &afterFirstRequest)
{
    if (!target.inBootloader && target.kind != BL_STM32) {
        const bool confirmed = rebootForUpdate(target);
        if (afterFirstRequest)
            afterFirstRequest();
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
            qDebug() << "Erreur dans STBL_Init_BL? " << int(result);
            return result == stbl::RESULT_NO_ANSWER ? Retry : Failed;
        }
        link.setTimeout(kFlashingTimeout);
    }
    const uint8_t ack = link.ackValue();
    if (ack == stbl::ACK)
        return Ready;
    qDebug() << "Pas le bon ack value? " << int(ack);
    link.close();
    return Failed;
}

FreescaleTransfer::Result FreescaleTransfer::run(const UpdateTarget &target, const QByteArray &image,
                                                 const std::function<void(const QString &)> &status,
                                                 const std::function<void(int)> &progress)
{
    status(QStringLiteral("Initializing the Freescale bootloader."));
    const std::unique_ptr<QextSerialPort> port = openFirmwareLine(target, BAUD115200, FLOW_XONXOFF);
    if (!port) {
        qDebug() << "ERREUR FreescaleTransfer: cannot open" << target.portName;
        return NotReady;
    }
    // The bootloader may greet while the request still waits for its echo:
    // everything read from here on counts.
    port->write(QByteArray::fromHex(Communication::kRebootRequest));
    status(QStringLiteral("The wizard is currently rebooting the gripper automatically."));

    QByteArray received;
    QElapsedTimer watchdog;
    watchdog.start();
    while (!holdsReadyMarker(received)) {
        if (isCancelled())
            return Cancelled;
        if (watchdog.elapsed() >= FreescaleConfig::kWatchdogMs)
            return NotReady;
        if (port->waitForReadyRead(kReadSliceMs) || port->bytesAvailable() > 0)
            received += port->readAll();
    }
    status(QStringLiteral("The bootloader is ready to receive the new firmware."));
    if (!pause(kReadyPauseMs))
        return Cancelled;

    received.clear();
    port->write(image);
    int stage = 1;
    watchdog.restart();
    for (;;) {
        if (isCancelled())
            return Cancelled;
        if (watchdog.elapsed() >= FreescaleConfig::kWatchdogMs)
            return Silent;
        // Also moves what XON/XOFF held back out to the line.
        if (!port->waitForReadyRead(kReadSliceMs) && port->bytesAvailable() == 0)
            continue;
        received += port->readAll();
        const FreescaleReading reading = readFreescaleReceived(received, stage, image.size());
        if (reading.outcome == FreescaleReading::Loaded) {
            status(QStringLiteral("The new firmware has been downloaded successfully."));
            progress(100);
            return Loaded;
        }
        if (reading.outcome == FreescaleReading::StartFailure)
            return StartFailure;
        if (reading.outcome == FreescaleReading::Downloading) {
            if (stage != 2)
                status(QStringLiteral("The wizard is currently downloading the new firmware."));
            stage = 2;
            watchdog.restart();
        }
        progress(reading.progress);
    }
}

QString VersionReadback::read(const UpdateTarget &target)
{
    const bool secondary = target.kind != K01 && target.secondaryUnit;
    const QByteArray request = QByteArray::fromHex(secondary ? Communication::kSecondaryVersionRequest
                                                             : Communication::kVersionRequest);
    const int limitMs = target.kind == K01 || secondary ? kK01StartMs + kStartMs : kStartMs;
    QElapsedTimer elapsed;
    elapsed.start();
    if (!pause(kAfterStartMs))
        return QString();
    while (elapsed.elapsed() < limitMs) {
        // The new firmware may still be bringing its port back.
        if (const std::unique_ptr<QextSerialPort> port = openFirmwareLine(target, BAUD115200)) {
            port->write(request);
            port->waitForBytesWritten(kVersionReplyMs);
            const QByteArray reply = readReply(*port, Communication::kVersionReplySize, kVersionReplyMs);
            QString typeCode;
            int major = 0;
            int minor = 0;
            int patch = 0;
            Communication::decodeVersionReply(reply, typeCode, major, minor, patch);
            if (!typeCode.isEmpty())
                return typeCode + QStringLiteral("-%1.%2.%3").arg(major).arg(minor).arg(patch);
        }
        if (!pause(kRequestPauseMs))
            return QString();
    }
    return QString();
}

GripperUpdate::GripperUpdate(UpdatePlan plan, QObject *parent)
    : QObject(parent)
    , plan(std::move(plan))
    , flasher(&link)
{
    connect(&flasher, &Stm32Flasher::progressChanged, this, &GripperUpdate::progressChanged, Qt::DirectConnection);
}

void GripperUpdate::cancel()
{
    entry.cancel();
    freescale.cancel();
    flasher.cancel();
    readback.cancel();
}

GripperUpdate::Outcome GripperUpdate::finish(Outcome outcome)
{
    if (outcome != Updated)
        link.close();
    emit finished(outcome);
    return outcome;
}

GripperUpdate::Outcome GripperUpdate::run()
{
    if (isGsFamily(plan.target.kind)) {
        const Outcome transferred = transfer();
        if (transferred != Updated)
            return finish(transferred);
        version = readback.read(plan.target);
        return finish(readback.isCancelled() ? Cancelled : Updated);
    }
    emit statusChanged(QStringLiteral("Initializing the STM32 bootloader."));
    BootloaderEntry::Result entered = BootloaderEntry::Retry;
    for (int attempt = 0; entered == BootloaderEntry::Retry; ++attempt) {
        if (plan.entryAttempts > 0 && attempt >= plan.entryAttempts)
            return finish(EntryFailed);
        entered = entry.enter(plan.target, link);
    }
    if (entered == BootloaderEntry::Cancelled)
        return finish(Cancelled);
    if (entered == BootloaderEntry::Failed)
        return finish(EntryFailed);

    const Outcome flashed = flash();
    if (flashed != Updated)
        return finish(flashed);

    version = readback.read(plan.target);
    if (readback.isCancelled())
        return finish(Cancelled);
    return finish(Updated);
}

GripperUpdate::Outcome GripperUpdate::transfer()
{
    if (plan.mainImage.isEmpty()) {
        // Rebooting into a bootloader that is then sent nothing leaves the
        // gripper there.
        qDebug() << "ERREUR GripperUpdate: no Freescale image";
        return FlashFailed;
    }
    const FreescaleTransfer::Result result = freescale.run(
        plan.target, plan.mainImage, [this](const QString &text) { emit statusChanged(text); },
        [this](int value) { emit progressChanged(value); });
    switch (result) {
    case FreescaleTransfer::Loaded:
        return Updated;
    case FreescaleTransfer::NotReady:
        return EntryFailed;
    case FreescaleTransfer::Cancelled:
        return Cancelled;
    case FreescaleTransfer::StartFailure:
    case FreescaleTransfer::Silent:
        break;
    }
    return FlashFailed;
}

GripperUpdate::Outcome GripperUpdate::flash()
{
    emit statusChanged(QStringLiteral("Identifying the STM32 bootloader."));
    Commands commands = {};
    uint8_t romVersion = 0;
    // Also picks the erase command this ROM takes.
    qDebug() << "STBL_GET? " << int(link.get(&romVersion, &commands));

    const DeviceKind kind = plan.target.kind;
    QVector<FlashImage> written;
    const auto eraseAndWrite = [&](const QByteArray &image, quint32 address, quint32 sectors,
                                   const QString &status) {
        emit statusChanged(QStringLiteral("Erasing the main firmware flash sectors."));
        Stm32Flasher::Result result = flasher.erase(address, sectors);
        if (result == Stm32Flasher::Done) {
            emit statusChanged(status);
            result = flasher.write(image, address);
        }
        if (result == Stm32Flasher::Done)
            written.append({image, address});
        return result;
    };
    if (!plan.bootloaderImage.isEmpty()) {
        const Stm32Flasher::Result r = eraseAndWrite(plan.bootloaderImage, FlashLayout::kBootloaderAddress,
                                                     FlashLayout::kBootloaderSectors,
                                                     QStringLiteral("Downloading the bootloader"));
        if (r != Stm32Flasher::Done)
            return r == Stm32Flasher::Cancelled ? Cancelled : FlashFailed;
    }
    if (!plan.mainImage.isEmpty()) {
        const Stm32Flasher::Result r = eraseAndWrite(plan.mainImage, FlashLayout::mainAddress(kind),
                                                     FlashLayout::mainSectorCount(kind),
                                                     QStringLiteral("Downloading the main firmware"));
        if (r != Stm32Flasher::Done)
            return r == Stm32Flasher::Cancelled ? Cancelled : FlashFailed;
    }
    if (written.isEmpty()) {
        qDebug() << "ERREUR GripperUpdate: no image to write";
        return FlashFailed;
    }

    emit statusChanged(QStringLiteral("Verifying and jumping in the main firmware"));
    const Stm32Flasher::Result verified = flasher.verifyAndStart(written, FlashLayout::startAddress(kind));
    if (verified != Stm32Flasher::Done)
        return verified == Stm32Flasher::Cancelled ? Cancelled : VerifyFailed;
    return Updated;
}
