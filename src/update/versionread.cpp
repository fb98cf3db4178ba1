// The version the new firmware reports once started: the only proof that the
// unit runs what was written.

#include "gripperupdate.h"

#include "communication.h"
#include "engineline.h"
#include "korvanelog.h"
#include "replywait.h"

#include <QDebug>
#include <QElapsedTimer>

namespace {

// How long the wizard waits for the port to open again after the gripper
// restarted: a USB adapter that re-enumerates is back within a second or two.
const int kPortBackMs = 3000;
const int kVersionReplyMs = 1000;
// The others answer well within the shorter limit than a K01.
const int kStartMs = 3000;
const int kRequestPauseMs = 200;

} // namespace

QString GripperUpdate::readVersion()
{
    emit phaseChanged(ReadingVersion);
    const UpdateTarget &target = plan.target;
    const bool k01 = plan.gripperKind() == K01;
    const bool secondary = !k01 && target.secondaryUnit;
    const QByteArray request = QByteArray::fromHex(secondary ? Communication::kSecondaryVersionRequest
                                                             : Communication::kVersionRequest);
    // One request, as a batch of units asks it: the port gets its time to
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
