#include "portprobe.h"

#include "communication.h"
#include "identificationrules.h"
#include "stbl/session.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThreadPool>
#include <QtConcurrent>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The wizard's rules and waits, so that a gripper it finds is found here too.
using namespace IdentificationRules;

// The ROM answers its sync byte within a few milliseconds; a session of our
// own opens the line in the ROM's 8E1 and releases it before the Modbus probe.
bool probeBootloader(const QString &path)
{
    stbl::Session session;
    if (session.open(path.toStdString()) != stbl::RESULT_OK)
        return false;
    session.setTimeout(kBootloaderTimeoutMs);
    const bool acknowledged = session.init() == stbl::RESULT_OK && session.hasAck() && session.lastAck() == stbl::ACK;
    session.close();
    return acknowledged;
}

// Up to `ms` for a reply of `size` bytes: a USB adapter may hand even an
// eleven-byte reply over in two pieces.
QByteArray readReply(QextSerialPort &port, int ms, int size)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QByteArray reply = port.readAll();
    while (port.isOpen() && reply.size() < size && elapsed.elapsed() < ms) {
        if (port.waitForReadyRead(int(ms - elapsed.elapsed())))
            reply += port.readAll();
    }
    return reply;
}

// The serial layer says only that it was refused; an open of our own tells
// a user shut out by the permissions from a port another program holds with
// the exclusive mode set (EBUSY), or with a lock file only (our open then
// succeeds), from a port gone.
int openError(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return EBUSY;
}

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

QList<ProbedDevice> PortProbe::identify(const QextPortInfo &port)
{
    if (port.enumName == QLatin1String("ACPI"))
        return {};
    // Named by device path, as the user gives it on the command line.
    const QString path = port.physName.isEmpty() ? port.portName : port.physName;
    const QString portName = path;

    if (probeBootloader(path)) {
        ProbedDevice device = record(portName, BL_STM32, QStringLiteral("BL_STM32"), 0, 0, 0);
        device.inBootloader = true;
        return {device};
    }

    QextSerialPort line(path, kProbeSettings, QextSerialPort::Polling);
    if (!line.open(QIODevice::ReadWrite)) {
        ProbedDevice busy = record(portName, Unidentified, QString(), 0, 0, 0);
        busy.unavailable = true;
        busy.openError = openError(path);
        return {busy};
    }
    line.write(QByteArray::fromHex(Communication::kVersionRequest));
    line.waitForBytesWritten(kModbusReplyWaitMs);
    QByteArray reply = readReply(line, kModbusReplyWaitMs, Communication::kVersionReplySize);

    QString typeCode;
    int major = 0;
    int minor = 0;
    int patch = 0;
    Communication::decodeVersionReply(reply, typeCode, major, minor, patch);
    if (const DeviceKind kind = kindFromVersionReply(reply); kind != Unidentified) {
        ProbedDevice device = record(portName, kind, typeCode, major, minor, patch);
        if (kind != K01)
            return {device};
        line.write(QByteArray::fromHex(Communication::kSecondaryVersionRequest));
        line.waitForBytesWritten(kModbusReplyWaitMs);
        reply = readReply(line, kModbusReplyWaitMs, Communication::kVersionReplySize);
        if (!namesSecondaryGb1(reply))
            return {device};
        Communication::decodeVersionReply(reply, typeCode, major, minor, patch);
        ProbedDevice secondary = record(portName, GB1, typeCode, major, minor, patch);
        secondary.secondaryUnit = true;
        device.announced = false;
        return {device, secondary};
    }

    // Older grippers print a banner instead; the first read may hold half of it.
    // Like the wizard's, the wait ends at the first new output.
    reply += line.readAll();
    if (line.isOpen() && line.waitForReadyRead(kTextWaitMs))
        reply += line.readAll();
    if (!line.isOpen())
        return {};
    return {record(portName, printsGsBanner(reply) ? GSX : Unidentified, typeCode, 0, 0, 0)};
}

QList<ProbedDevice> PortProbe::identifyAll(const QList<QextPortInfo> &ports)
{
    // Most of a probe is waiting for a silent line: one thread per port, not
    // per core, so that eight silent ports cost one port's time-outs.
    QThreadPool pool;
    pool.setMaxThreadCount(qMax(1, ports.size()));
    QList<QFuture<QList<ProbedDevice>>> futures;
    for (const QextPortInfo &port : ports)
        futures.append(QtConcurrent::run(&pool, [port] { return identify(port); }));
    QList<ProbedDevice> devices;
    for (QFuture<QList<ProbedDevice>> &future : futures)
        devices += future.result();
    return devices;
}
