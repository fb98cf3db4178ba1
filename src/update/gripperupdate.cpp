#include "gripperupdate.h"

#include "communication.h"
#include "constants.h"
#include "flashlayout.h"
#include "freescaleconfig.h"
#include "freescaleparse.h"
#include "korvanelog.h"
#include "replywait.h"

#include <QDebug>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

namespace {

// The library's words, English for the records and translated for the screen.
Phrase engineText(const char *source)
{
    return Phrase("Update", source);
}

// The waits of the wizard's bootloader entry, for the same grippers.
const int kSettleAfterRebootMs = 3000;
const int kRepeatWindowMs = 3000;
const int kRepeatPauseMs = 100;
const int kSettleAfterRepeatMs = 1000;
const int kBeforeInitMs = 1000;
const int kAfterInitAttemptMs = 1000;
const int kInitAttempts = 2;
const int kReopenPauseMs = 100;
// How long the wizard waits for the port to open again after the gripper
// restarted: a USB adapter that re-enumerates is back within a second or two.
const int kPortBackMs = 3000;
const uint32_t kInitTimeout = 100;
const uint32_t kFlashingTimeout = 5000;

const int kRebootEchoWaitMs = 50;
const int kVersionReplyMs = 1000;
const int kAfterStartMs = 1000;
// The others answer well within the shorter limit than a K01.
const int kStartMs = 3000;
const int kRequestPauseMs = 200;
// The bootloader's banner is complete a moment before it listens.
const int kReadyPauseMs = 50;
const int kReadSliceMs = 20;

std::unique_ptr<QextSerialPort> openFirmwareLine(const UpdateTarget &target, BaudRateType baud,
                                                 FlowType flow = FLOW_OFF)
{
    const PortSettings settings = {baud, DATA_8, PAR_NONE, STOP_1, flow, 100};
    auto port = std::make_unique<QextSerialPort>(target.portName, settings, QextSerialPort::Polling);
    if (!port->open(QIODevice::ReadWrite))
        return nullptr;
    return port;
}

// False when `stop` was set before `ms` had passed.
bool pauseUnless(int ms, const std::atomic<bool> &stop)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!stop && elapsed.elapsed() < ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<qint64>(10, ms - elapsed.elapsed())));
    return !stop;
}

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
        qCDebug(lcUpdate) << "ERREUR BootloaderEntry::rebootForUpdate: cannot open" << target.portName;
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
                                               const std::function<void(bool confirmed)> &afterFirstRequest)
{
    if (!target.inBootloader && target.kind != BL_STM32) {
        const bool confirmed = rebootForUpdate(target);
        if (afterFirstRequest)
            afterFirstRequest(confirmed);
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
        link.setTimeout(kFlashingTimeout);
    }
    const uint8_t ack = link.ackValue();
    if (ack == stbl::ACK)
        return Ready;
    qCDebug(lcUpdate) << "Pas le bon ack value? " << int(ack);
    link.close();
    return Failed;
}

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

Phrase FlashLayout::vectorTableProblem(const QByteArray &image, quint32 address)
{
    // The grippers' parts have at most 512 KiB of SRAM from 0x20000000; the
    // stack pointer may be its very end.
    constexpr quint32 kSramStart = 0x20000000;
    constexpr quint32 kSramEnd = 0x20080000;
    if (image.size() < 8)
        return engineText(QT_TRANSLATE_NOOP("Update", "it is too short to hold a vector table"));
    const auto word = [&image](int at) {
        const auto *b = reinterpret_cast<const uchar *>(image.constData() + at);
        return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
    };
    const quint32 stack = word(0);
    const quint32 reset = word(4);
    if (stack < kSramStart || stack > kSramEnd)
        return engineText(QT_TRANSLATE_NOOP("Update", "its initial stack pointer 0x%1 is not in SRAM"))
            .arg(stack, 8, 16, QLatin1Char('0'));
    const quint32 entry = reset & ~1u;
    if (!(reset & 1u) || entry < address || entry - address >= quint32(image.size()))
        return engineText(QT_TRANSLATE_NOOP("Update", "its reset vector 0x%1 is not inside the image written at "
                                                      "0x%2 (is it made for another product?)"))
            .arg(reset, 8, 16, QLatin1Char('0'))
            .arg(address, 8, 16, QLatin1Char('0'));
    return Phrase();
}

Phrase GripperUpdate::refusal(const UpdatePlan &plan)
{
    if (isGsFamily(plan.target.kind))
        return missingMarkerRefusal();
    const DeviceKind product = plan.layoutKind();
    // A gripper that told its kind keeps its layout: an image for the other
    // bank would be erased and written where this part has nothing of its own.
    if (plan.gripperKind() != product && (plan.gripperKind() == CH || product == CH))
        return engineText(QT_TRANSLATE_NOOP("Update", "The image is made for a %1 gripper, not for this one."))
            .arg(QLatin1String(product == CH ? "CH" : "GC"));
    if (quint32(plan.mainImage.size()) > FlashLayout::mainRegionSize(product))
        return engineText(QT_TRANSLATE_NOOP("Update", "The image of %1 bytes does not fit the %2 bytes of this "
                                                      "gripper's firmware region."))
            .arg(plan.mainImage.size())
            .arg(FlashLayout::mainRegionSize(product));
    if (quint32(plan.bootloaderImage.size()) > FlashLayout::kBootloaderRegionSize)
        return engineText(QT_TRANSLATE_NOOP("Update", "The bootloader image of %1 bytes does not fit the %2 "
                                                      "bytes of its region."))
            .arg(plan.bootloaderImage.size())
            .arg(FlashLayout::kBootloaderRegionSize);
    Phrase problem;
    if (!plan.mainImage.isEmpty())
        problem = FlashLayout::vectorTableProblem(plan.mainImage, FlashLayout::mainAddress(product));
    if (problem.isEmpty() && !plan.bootloaderImage.isEmpty())
        problem = FlashLayout::vectorTableProblem(plan.bootloaderImage, FlashLayout::kBootloaderAddress);
    if (problem.isEmpty())
        return Phrase();
    return engineText(QT_TRANSLATE_NOOP("Update", "The image cannot run on this gripper: %1.")).arg(problem);
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

GripperUpdate::Outcome GripperUpdate::flash()
{
    identify();
    if (plan.bootloaderImage.isEmpty() && plan.mainImage.isEmpty()) {
        qCDebug(lcUpdate) << "ERREUR GripperUpdate: no image to write";
        return FlashFailed;
    }
    for (const Image image : {BootloaderImage, MainImage}) {
        if ((image == BootloaderImage ? plan.bootloaderImage : plan.mainImage).isEmpty())
            continue;
        Outcome outcome = outcomeOf(erase(image), FlashFailed);
        if (outcome == Updated)
            outcome = outcomeOf(write(image), FlashFailed);
        if (outcome != Updated)
            return outcome;
    }
    const Stm32Flasher::Result started = verifyAndStart();
    return started == Stm32Flasher::NotStarted ? NotStarted : outcomeOf(started, VerifyFailed);
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

bool GripperUpdate::identify()
{
    emit phaseChanged(Identifying);
    if (!link->isOpen()) {
        qCDebug(lcUpdate) << "COM_is_Open? FALSE. Devrait être ouvert.";
        return false;
    }
    Commands commands = {};
    uint8_t romVersion = 0;
    // Also picks the erase command this ROM takes.
    qCDebug(lcUpdate) << "STBL_GET? " << int(link->get(&romVersion, &commands));
    qCDebug(lcUpdate) << "version " << int(romVersion);
    qCDebug(lcUpdate) << "commands.GET_VER_ROPS_CMD " << commands.GET_VER_ROPS_CMD;
    // The unit's identity, while the ROM is at hand anyway: one short read,
    // and whatever the ROM answers the update goes on.
    uint32_t product = 0;
    uint8_t id[stbl::UNIQUE_ID_SIZE] = {};
    const uint8_t read = link->readUniqueId(&product, id);
    uniqueId = read == stbl::RESULT_OK
                   ? QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(id), sizeof id).toHex())
                   : QStringLiteral("unknown");
    if (product != 0)
        productId = QStringLiteral("0x%1").arg(product, 3, 16, QLatin1Char('0'));
    qCDebug(lcUpdate) << "STBL_READ_UID? " << int(read) << productId << uniqueId;
    return true;
}

Stm32Flasher::Result GripperUpdate::erase(Image image)
{
    emit phaseChanged(Erasing);
    if (image == BootloaderImage)
        return flasher.erase(FlashLayout::kBootloaderAddress, FlashLayout::kBootloaderSectors);
    return flasher.erase(FlashLayout::mainAddress(plan.layoutKind()), FlashLayout::mainSectorCount(plan.layoutKind()));
}

Stm32Flasher::Result GripperUpdate::write(Image image)
{
    const bool bootloader = image == BootloaderImage;
    emit phaseChanged(bootloader ? WritingBootloader : WritingMain);
    if (bootloader && !pauseUnless(plan.beforeBootloaderWriteMs, cancelled))
        return Stm32Flasher::Cancelled;
    const QByteArray &content = bootloader ? plan.bootloaderImage : plan.mainImage;
    const quint32 address = bootloader ? FlashLayout::kBootloaderAddress : FlashLayout::mainAddress(plan.layoutKind());
    const Stm32Flasher::Result result = flasher.write(content, address);
    if (result != Stm32Flasher::Done)
        return result;
    written.append({content, address});
    if (!bootloader && !pauseUnless(plan.afterMainWriteMs, cancelled))
        return Stm32Flasher::Cancelled;
    return Stm32Flasher::Done;
}

Stm32Flasher::Result GripperUpdate::verifyAndStart()
{
    emit phaseChanged(Verifying);
    const Stm32Flasher::Result result = flasher.verifyAndStart(written, FlashLayout::startAddress(plan.layoutKind()));
    // Gives the started firmware time to come up before anyone talks to it.
    if (result == Stm32Flasher::Done)
        pauseUnless(kAfterStartMs, cancelled);
    return result;
}

GripperUpdate::Outcome GripperUpdate::transferFreescale(const std::function<void()> &ready)
{
    if (plan.mainImage.isEmpty() || !missingMarkerRefusal().isEmpty()) {
        // Rebooting into a bootloader that is then sent nothing leaves the
        // gripper there; without a marker the image would go to the firmware.
        qCDebug(lcUpdate) << "ERREUR GripperUpdate: no Freescale image or ready marker";
        return FlashFailed;
    }
    const std::unique_ptr<QextSerialPort> line = openFirmwareLine(plan.target, BAUD115200, FLOW_XONXOFF);
    if (!line) {
        qCDebug(lcUpdate) << "ERREUR GripperUpdate: cannot open" << plan.target.portName;
        return EntryFailed;
    }
    QextSerialPort &port = *line;
    if (plan.manualPowerCycle) {
        emit phaseChanged(AwaitingPowerCycle);
    } else {
        // The bootloader may greet while the request still waits for its
        // echo: everything read from here on counts.
        port.write(QByteArray::fromHex(Communication::kRebootRequest));
        emit phaseChanged(Rebooting);
    }

    QByteArray received;
    QElapsedTimer watchdog;
    watchdog.start();
    while (!holdsReadyMarker(received)) {
        if (cancelled)
            return Cancelled;
        if (!plan.manualPowerCycle && watchdog.elapsed() >= FreescaleConfig::kWatchdogMs)
            return EntryFailed;
        // A cable pulled and put back while the user cycles the power closes
        // the line for good: without opening it again the greeting of the
        // bootloader would never be read, and the wait would have no end.
        if (!port.isOpen() && !port.open(QIODevice::ReadWrite)) {
            if (!pauseUnless(kReopenPauseMs, cancelled))
                return Cancelled;
            continue;
        }
        if (port.waitForReadyRead(kReadSliceMs) || port.bytesAvailable() > 0)
            received += port.readAll();
    }
    emit phaseChanged(FreescaleReady);
    if (!pauseUnless(kReadyPauseMs, cancelled))
        return Cancelled;
    if (ready)
        ready();

    received.clear();
    port.write(plan.mainImage);
    int stage = 1;
    int dots = 0;
    watchdog.restart();
    // Once the image is on its way its report is due, whichever way the
    // gripper was rebooted: silence ends in a message, not a wait for ever.
    for (;;) {
        if (cancelled)
            return Cancelled;
        if (watchdog.elapsed() >= FreescaleConfig::kWatchdogMs)
            return Silent;
        // Also moves what XON/XOFF held back out to the line.
        if (!port.waitForReadyRead(kReadSliceMs) && port.bytesAvailable() == 0)
            continue;
        received += port.readAll();
        qCDebug(lcUpdate) << received;
        const FreescaleReading reading = readFreescaleReceived(received, stage, plan.mainImage.size());
        if (reading.outcome == FreescaleReading::Loaded) {
            // A report while part of the image has not even left is the
            // bootloader ending the load early: only a part of it is in.
            if (port.bytesToWrite() > 0) {
                qCDebug(lcUpdate) << "ERREUR GripperUpdate: load report with" << port.bytesToWrite()
                                  << "bytes of the image not sent";
                return Silent;
            }
            emit phaseChanged(Loaded);
            emit progressChanged(100);
            return pauseUnless(plan.afterMainWriteMs, cancelled) ? Updated : Cancelled;
        }
        if (reading.outcome == FreescaleReading::StartFailure)
            return StartFailure;
        if (reading.outcome == FreescaleReading::Downloading) {
            if (stage != 2)
                emit phaseChanged(Loading);
            stage = 2;
            // Only a new dot is progress: text after the first one (a
            // firmware started over mid-load, noise) must not hold the run,
            // with its window that cannot be closed, for ever.
            if (received.count('.') > dots) {
                dots = received.count('.');
                watchdog.restart();
            }
        }
        emit progressChanged(reading.progress);
    }
}

QString GripperUpdate::readVersion()
{
    emit phaseChanged(ReadingVersion);
    const UpdateTarget &target = plan.target;
    const bool k01 = plan.gripperKind() == K01;
    const bool secondary = !k01 && target.secondaryUnit;
    const QByteArray request = QByteArray::fromHex(secondary ? Communication::kSecondaryVersionRequest
                                                             : Communication::kVersionRequest);
    // One request, as the wizard's batch asks it: the port gets its time to
    // come back, the firmware a second to answer.
    const int limitMs = plan.askVersionOnce ? kPortBackMs
                        : k01 || secondary ? GripperUpdate::kK01StartMs + kStartMs : kStartMs;
    QElapsedTimer elapsed;
    elapsed.start();
    do {
        // The new firmware may still be bringing its port back.
        if (const std::unique_ptr<QextSerialPort> port = openFirmwareLine(target, BAUD115200)) {
            if (plan.askVersionOnce)
                qCDebug(lcUpdate) << "true";
            port->write(request);
            port->waitForBytesWritten(kVersionReplyMs);
            const QByteArray reply = readReply(*port, Communication::kVersionReplySize, kVersionReplyMs);
            QString typeCode;
            int major = 0;
            int minor = 0;
            int patch = 0;
            Communication::decodeVersionReply(reply, typeCode, major, minor, patch);
            if (!typeCode.isEmpty())
                return ::versionText(typeCode, major, minor, patch);
            if (plan.askVersionOnce)
                return QString();
        }
    } while (pauseUnless(plan.askVersionOnce ? kReopenPauseMs : kRequestPauseMs, cancelled)
             && elapsed.elapsed() < limitMs);
    if (plan.askVersionOnce)
        qCDebug(lcUpdate) << "false";
    return QString();
}
