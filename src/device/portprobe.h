#ifndef KORVANE_DEVICE_PORTPROBE_H
#define KORVANE_DEVICE_PORTPROBE_H

#include "korvanedevice.h"
#include "qextportinfo.h"

#include <QList>

#include <functional>
#include <QString>

// What one port holds. Each probe has serial port objects of its own, so
// several ports are probed at once from several threads.
struct ProbedDevice
{
    QString portName;
    DeviceKind kind = Unidentified;
    QString typeCode;
    int major = 0;
    int minor = 0;
    int patch = 0;
    bool inBootloader = false;
    // A GB1 reached through the K01 on the same port.
    bool secondaryUnit = false;
    // The unit offered for this port; a K01 with a GB1
    // behind it is listed but the GB1 is the one updated.
    bool announced = true;
    // The port could not be opened; openError says why: EACCES (its
    // permissions shut the user out), EBUSY (another program holds it),
    // ENOENT (gone), or another errno.
    bool unavailable = false;
    int openError = 0;

    bool isGripper() const { return kind != Unidentified; }
    bool versionKnown() const { return !inBootloader && !typeCode.isEmpty() && kind != GSX; }
    // "GC3-1.6.9"; just the type code where no version was read.
    QString versionText() const;
};

// "GC", "K01", "BL_STM32", "Unidentified"...
QString kindName(DeviceKind kind);

namespace PortProbe {

// Whether a gripper's STM32 ROM acknowledges its sync on the port at `path`
// within timeoutMs (twice that for the first answer).
using RomProbe = std::function<bool(const QString &path, uint32_t timeoutMs)>;
bool romAnswersOnOwnSession(const QString &path, uint32_t timeoutMs);

// A probe takes about 1.2 s (a port that answers nothing), 2.8 s at most (a
// ROM that answered late, heard out before it is asked again). One that
// has not ended by this deadline is stuck in the system's open, as with a
// Bluetooth port connecting to a device out of reach or a hung driver.
constexpr int kDeadlineMs = 4000;

// The one probe of a port, for the wizard and korvane-flash alike: the ROM's
// sync, then the Modbus version request (and the K01's second register
// block), then an older GS gripper's banner. Blocks for up to about 1.2 s (a
// port that answers nothing), so it runs on a worker thread. Nothing for
// built-in ports and ports lost meanwhile; the K01 and the GB1 behind it for
// such a pair; otherwise one record. `romAnswers` is the ROM check: the
// wizard's goes through its process-wide bootloader line.
// The probe itself runs on a thread of its own: past kDeadlineMs the port is
// named unavailable with openError ETIMEDOUT ("no answer"), and that thread
// is left to end whenever its open returns (never, maybe), holding nothing
// but its own port.
QList<ProbedDevice> identify(const QextPortInfo &port, const RomProbe &romAnswers = romAnswersOnOwnSession);

// Every port at the same moment, each on a thread of its own; results in the
// order of `ports`.
QList<ProbedDevice> identifyAll(const QList<QextPortInfo> &ports, const RomProbe &romAnswers = romAnswersOnOwnSession);

} // namespace PortProbe

#endif
