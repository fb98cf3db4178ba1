#ifndef IDENTIFICATIONRULES_H
#define IDENTIFICATIONRULES_H

#include "korvanedevice.h"
#include "qextserialport.h"

#include <QByteArray>

#include <cstdint>

// How a port's answers make it a gripper of a kind: shared by the wizard's
// port list and korvane-flash, so that both find the same grippers.
namespace IdentificationRules {

constexpr int kModbusReplyWaitMs = 100;
// Older grippers print their banner about once a second, so a little more
// than a second of listening catches at least one line.
constexpr int kTextWaitMs = 1000;
// Short enough that a port with nothing behind it costs little; the ROM
// answers its sync byte within a few milliseconds.
constexpr uint32_t kBootloaderTimeoutMs = 25;
// A ROM that answered its sync late may have more answers on their way;
// this long without a byte, it has none.
constexpr int kRomQuietMs = 250;
// ... and is then asked again with more patience than the first time.
constexpr uint32_t kLateRomTimeoutMs = 100;

extern const PortSettings kProbeSettings;

// The kind the first answer to the version request names, Unidentified when
// none: only its address, function, count and type bytes are compared, never
// the version or the CRC, and the first match wins.
DeviceKind kindFromVersionReply(const QByteArray &reply);
// A K01's answer at its second register block names a GB1 behind it.
bool namesSecondaryGb1(const QByteArray &reply);
// Older GS grippers never answer Modbus but print "(GS1)", "(GS2)"...
bool printsGsBanner(const QByteArray &text);
// Nothing but the ROM bootloader's ACK and NACK bytes: what a ROM sends a
// Modbus request, and its late answer to a sync.
bool answersLikeARom(const QByteArray &reply);

} // namespace IdentificationRules

#endif
