#include "versionreply.h"

#include "carriedfirmware.h"
#include "communication.h"

VersionVerdict judgeVersionReply(const QByteArray &reply)
{
    VersionVerdict verdict;
    Communication::VersionFields fields;
    if (!Communication::readVersionFields(reply, &fields))
        return verdict;
    verdict.judged = true;

    const int major = fields.major;
    const int minor = fields.minor;
    const int patch = fields.patch;
    const QByteArray &type = fields.type;

    if (type == QByteArray(3, '\0')) {
        verdict.dialog = VersionVerdict::CannotRead;
        verdict.versionText = QStringLiteral("unknown");
    } else if (type == "DVP") {
        verdict.dialog = VersionVerdict::WrongVersion;
        verdict.versionText = QStringLiteral("a development version.");
    } else {
        // Byte for byte, NULs included, as the gripper sent it.
        QString typeText;
        for (char c : type)
            typeText.append(QChar(quint8(c)));
        if (major != CarriedFirmware::kMajor || minor != CarriedFirmware::kMinor || patch != CarriedFirmware::kPatch)
            verdict.dialog = VersionVerdict::WrongVersion;
        verdict.versionText = versionText(typeText, major, minor, patch)
                              + QStringLiteral(".");
    }
    return verdict;
}
