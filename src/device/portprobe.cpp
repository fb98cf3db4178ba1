#include "portprobe.h"

#include "identificationrules.h"
#include "modbusframes.h"
#include "session.h"

#include "korvanelog.h"
#include "qextserial_platform.h"
#include "replywait.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThreadPool>
#include <QtConcurrent>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using namespace IdentificationRules;

// The ROM answers its sync byte within a few milliseconds; a session of our
// own opens the line in the ROM's 8E1 and releases it before the Modbus probe.
bool PortProbe::romAnswersOnOwnSession(const QString &path, uint32_t timeoutMs)
{
    stbl::Session session;
    if (session.open(path.toStdString()) != stbl::RESULT_OK)
        return false;
    session.setTimeout(timeoutMs);
    const bool acknowledged = session.init() == stbl::RESULT_OK && session.hasAck() && session.lastAck() == stbl::ACK;
    session.close();
    return acknowledged;
}

namespace {

ProbedDevice record(const QString &portName, DeviceKind kind, const QString &typeCode, int major, int minor,
                    int patch)
{
    ProbedDevice device;
    device.portName = portName;
    device.kind = kind;
    device.typeCode = typeCode;
    device.major = major;
    device.minor = minor;
    device.patch = patch;
    return device;
}

ProbedDevice romRecord(const QString &portName)
{
    ProbedDevice device = record(portName, BL_STM32, QStringLiteral("BL_STM32"), 0, 0, 0);
    device.inBootloader = true;
    return device;
}

} // namespace

QString kindName(DeviceKind kind)
{
    switch (kind) {
    case GC: return QStringLiteral("GC");
    case GD: return QStringLiteral("GD");
    case GU: return QStringLiteral("GU");
    case GV: return QStringLiteral("GV");
    case CH: return QStringLiteral("CH");
    case GS: return QStringLiteral("GS");
    case K01: return QStringLiteral("K01");
    case GB1: return QStringLiteral("GB1");
    case FS: return QStringLiteral("FS");
    case BL_STM32: return QStringLiteral("BL_STM32");
    case GSX: return QStringLiteral("GSX");
    case GSOther: return QStringLiteral("GSOther");
    case Unidentified: break;
    }
    return QStringLiteral("Unidentified");
}

QString ProbedDevice::versionText() const
{
    if (!versionKnown())
        return typeCode;
    return typeCode + QStringLiteral("-%1.%2.%3").arg(major).arg(minor).arg(patch);
}

namespace {

// Reads until nothing has come for quietMs, or limitMs have passed.
QByteArray readUntilQuiet(QextSerialPort &line, int quietMs, int limitMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QByteArray got;
    while (line.isOpen() && elapsed.elapsed() < limitMs && line.waitForReadyRead(quietMs))
        got += line.readAll();
    return got;
}

QList<ProbedDevice> probe(const QString &path, const PortProbe::RomProbe &romAnswers)
{
    const QString portName = path;

    if (romAnswers(path, kBootloaderTimeoutMs))
        return {romRecord(portName)};

    QextSerialPort line(path, kProbeSettings, QextSerialPort::Polling);
    if (!line.open(QIODevice::ReadWrite)) {
        ProbedDevice busy = record(portName, Unidentified, QString(), 0, 0, 0);
        busy.unavailable = true;
        busy.openError = QextPlatform::openFailure(path);
        return {busy};
    }
    line.write(QByteArray::fromHex(ModbusFrames::kVersionRequest));
    line.waitForBytesWritten(kModbusReplyWaitMs);
    QByteArray reply = readReply(line, ModbusFrames::kVersionReplySize, kModbusReplyWaitMs);

    QString typeCode;
    int major = 0;
    int minor = 0;
    int patch = 0;
    ModbusFrames::decodeVersionReply(reply, typeCode, major, minor, patch);
    if (const DeviceKind kind = kindFromVersionReply(reply); kind != Unidentified) {
        ProbedDevice device = record(portName, kind, typeCode, major, minor, patch);
        if (kind != K01)
            return {device};
        line.write(QByteArray::fromHex(ModbusFrames::kSecondaryVersionRequest));
        line.waitForBytesWritten(kModbusReplyWaitMs);
        reply = readReply(line, ModbusFrames::kVersionReplySize, kModbusReplyWaitMs);
        if (!namesSecondaryGb1(reply))
            return {device};
        ModbusFrames::decodeVersionReply(reply, typeCode, major, minor, patch);
        ProbedDevice secondary = record(portName, GB1, typeCode, major, minor, patch);
        secondary.secondaryUnit = true;
        device.announced = false;
        return {device, secondary};
    }

    // Older grippers print a banner instead; the first read may hold half of it.
    // The wait ends at the first new output.
    reply += line.readAll();
    if (!answersLikeARom(reply) && line.isOpen() && line.waitForReadyRead(kTextWaitMs))
        reply += line.readAll();
    if (answersLikeARom(reply))
        reply += readUntilQuiet(line, kRomQuietMs, kTextWaitMs);
    if (!line.isOpen())
        return {};
    // A ROM whose answer to the sync came after its probe had given up (a
    // busy machine, an adapter's latency) shows itself here, answering the
    // request with acknowledge bytes alone. Asked again on a line of its own
    // it is found, where it would otherwise be listed as a silent port. It
    // is asked only once the line is quiet: an answer still on its way would
    // be taken for the new sync's, and leave the ROM halfway through a
    // command.
    if (answersLikeARom(reply)) {
        line.close();
        if (romAnswers(path, kLateRomTimeoutMs))
            return {romRecord(portName)};
    }
    return {record(portName, printsGsBanner(reply) ? GSX : Unidentified, typeCode, 0, 0, 0)};
}

// What a probe left behind for whoever waits for it, shared with its thread,
// which may outlive the wait.
struct Outcome
{
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    QList<ProbedDevice> devices;
};

} // namespace

QList<ProbedDevice> PortProbe::identify(const QextPortInfo &port, const RomProbe &romAnswers)
{
    if (port.enumName == QLatin1String("ACPI"))
        return {};
    // Named by device path, as the user gives it on the command line.
    const QString path = port.physName.isEmpty() ? port.portName : port.physName;

    // Not a pool's thread: a pool waits for its threads when it ends, and
    // one stuck in an open would hold the program at its exit.
    const auto outcome = std::make_shared<Outcome>();
    std::thread([outcome, path, romAnswers] {
        // The serial port watches its line through socket notifiers, which
        // need an event dispatcher; a loop object gives the thread one (never
        // run: the probe waits on the line itself), freed as the thread ends.
        const QEventLoop dispatcher;
        const QList<ProbedDevice> devices = probe(path, romAnswers);
        const std::lock_guard<std::mutex> lock(outcome->mutex);
        outcome->devices = devices;
        outcome->done = true;
        outcome->ended.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(outcome->mutex);
    if (outcome->ended.wait_for(lock, std::chrono::milliseconds(kDeadlineMs), [&outcome] { return outcome->done; }))
        return outcome->devices;
    qCDebug(lcDevice) << "ERREUR PortProbe::identify: no answer from" << path;
    ProbedDevice hung = record(path, Unidentified, QString(), 0, 0, 0);
    hung.unavailable = true;
    hung.openError = ETIMEDOUT;
    return {hung};
}

QList<ProbedDevice> PortProbe::identifyAll(const QList<QextPortInfo> &ports, const RomProbe &romAnswers)
{
    // Most of a probe is waiting for a silent line: one thread per port, not
    // per core, so that eight silent ports cost one port's time-outs.
    QThreadPool pool;
    pool.setMaxThreadCount(qMax(1, ports.size()));
    QList<QFuture<QList<ProbedDevice>>> futures;
    for (const QextPortInfo &port : ports)
        futures.append(QtConcurrent::run(&pool, [port, romAnswers] { return identify(port, romAnswers); }));
    QList<ProbedDevice> devices;
    for (QFuture<QList<ProbedDevice>> &future : futures)
        devices += future.result();
    return devices;
}
