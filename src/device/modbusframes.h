#ifndef MODBUSFRAMES_H
#define MODBUSFRAMES_H

#include <QByteArray>
#include <QString>

// Every Modbus RTU frame the program sends to or expects from a gripper's
// running firmware (slave 9), and the reading of its version reply. The
// frames are fixed: each is kept whole, CRC included, exactly as it goes on
// the wire, so no CRC routine can get one wrong.
namespace ModbusFrames {

// Read 3 registers from 500 (0x01F4): type code and version.
inline constexpr char kVersionRequest[] = "090301f40003448d";
// The same from 3500 (0x0DAC), the register block of the GB1 behind a K01.
inline constexpr char kSecondaryVersionRequest[] = "09030dac0003c60e";
// Write 0x2A00 to register 400 (0x0190): restart into the bootloader.
inline constexpr char kRebootRequest[] = "091001900001022A00D360";
// The standard answer to that write: slave, function, register, quantity.
inline constexpr char kRebootEcho[] = "0910019000010150";
// Write 0x2A00 to register 3400 (0x0D48), for the GB1 behind a K01; no reply
// is read for it: the bootloader answering confirms the reboot.
QByteArray secondaryRebootRequest();

// Lengths of the two replies the program waits for.
constexpr int kVersionReplySize = 11;
constexpr int kRebootEchoSize = 8;

// The fields of a version reply as the gripper sent them: the three type
// bytes (NULs included) and the signed version bytes.
struct VersionFields
{
    QByteArray type;
    int major = 0;
    int minor = 0;
    int patch = 0;
};
// False, with `out` untouched, when the reply is too short or not slave 9 /
// function 3. The byte count and the CRC are not examined.
bool readVersionFields(const QByteArray &reply, VersionFields *out);

// The type code as the firmware names itself: the type bytes up to the first
// NUL, "unknown" when all three are NUL. Leaves the four outputs untouched
// when the reply is not a version reply.
void decodeVersionReply(const QByteArray &reply, QString &typeCode, int &major, int &minor, int &patch);

} // namespace ModbusFrames

#endif
