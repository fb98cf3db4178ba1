#include "versionreply.h"

#include "carriedfirmware.h"
#include "firmwarechoice.h"
#include "modbusframes.h"

VersionVerdict judgeVersionReply(const QByteArray &reply, const FirmwareImage *written)
{
    VersionVerdict verdict;
    ModbusFrames::VersionFields fields;
    if (!ModbusFrames::readVersionFields(reply, &fields))
        return verdict;
    verdict.judged = true;

    const int major = fields.major;
    const int minor = fields.minor;
    const int patch = fields.patch;
    const QByteArray &type = fields.type;
    QString typeCode;
    int ignored = 0;
    ModbusFrames::decodeVersionReply(reply, typeCode, ignored, ignored, ignored);
    // Empty as the engine takes it: no type code, no version.
    if (!typeCode.isEmpty())
        verdict.reported = versionText(typeCode, major, minor, patch);

    if (type == QByteArray(3, '\0')) {
        verdict.dialog = VersionVerdict::CannotRead;
        //: The new firmware's version, when the gripper did not tell it
        verdict.versionText = Phrase("PageVerifyNewVersion", QT_TRANSLATE_NOOP("PageVerifyNewVersion", "unknown"));
    } else if (type == "DVP") {
        verdict.dialog = VersionVerdict::WrongVersion;
        verdict.versionText = Phrase("PageVerifyNewVersion",
                                     QT_TRANSLATE_NOOP("PageVerifyNewVersion", "a development version."));
    } else {
        bool expected = major == CarriedFirmware::kMajor && minor == CarriedFirmware::kMinor
                        && patch == CarriedFirmware::kPatch;
        // Judged as the other front ends judge it: by the type code the
        // firmware names itself with, up to its first NUL.
        if (written)
            expected = FirmwareChoice::runsImage(verdict.reported, *written);
        if (!expected)
            verdict.dialog = VersionVerdict::WrongVersion;
        // Shown byte for byte, NULs included, as the gripper sent it.
        QString typeText;
        for (char c : type)
            typeText.append(QChar(quint8(c)));
        verdict.versionText = Phrase::verbatim(versionText(typeText, major, minor, patch) + QStringLiteral("."));
    }
    return verdict;
}
