#include "versionreply.h"

#include "carriedfirmware.h"

VersionVerdict judgeVersionReply(const QByteArray &reply)
{
    VersionVerdict verdict;
    // The version bytes sit at 6..8; a shorter read cannot be judged.
    if (reply.size() < 9 || quint8(reply.at(0)) != 0x09 || quint8(reply.at(1)) != 0x03)
        return verdict;
    verdict.judged = true;

    const int major = static_cast<signed char>(reply.at(6));
    const int minor = static_cast<signed char>(reply.at(7));
    const int patch = static_cast<signed char>(reply.at(8));
    const QByteArray type = reply.mid(3, 3);

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
        verdict.versionText = typeText + QStringLiteral("-%1.%2.%3").arg(major).arg(minor).arg(patch)
                              + QStringLiteral(".");
    }
    return verdict;
}
