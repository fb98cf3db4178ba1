// A version reply over any bytes. Communication::decodeVersionReply leaves the caller's values alone unless it is
// a version reply, and then takes exactly the bytes at their places; the verification page judges only a version
// reply, passes only the version this build carries, and records what it read as korvane-flash reads it.

#include "carriedfirmware.h"
#include "communication.h"
#include "fuzzcheck.h"
#include "versionreply.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), int(size));
    const bool isReply = size >= 9 && data[0] == 0x09 && data[1] == 0x03;
    QString type = QStringLiteral("untouched");
    int major = 1000, minor = 1000, patch = 1000;
    Communication::decodeVersionReply(reply, type, major, minor, patch);
    const VersionVerdict verdict = judgeVersionReply(reply);
    FUZZ_REQUIRE(verdict.judged == isReply);
    if (!isReply) {
        FUZZ_REQUIRE(type == QLatin1String("untouched") && major == 1000 && minor == 1000 && patch == 1000);
        FUZZ_REQUIRE(verdict.dialog == VersionVerdict::NoDialog && verdict.versionText.isEmpty());
        return 0;
    }
    FUZZ_REQUIRE(major == int8_t(data[6]) && minor == int8_t(data[7]) && patch == int8_t(data[8]));
    FUZZ_REQUIRE(verdict.reported == (type.isEmpty() ? QString() : versionText(type, major, minor, patch)));
    const QByteArray typeBytes = reply.mid(3, 3);
    if (typeBytes == QByteArray(3, '\0')) {
        FUZZ_REQUIRE(type == QLatin1String("unknown") && verdict.dialog == VersionVerdict::CannotRead);
    } else if (typeBytes == "DVP") {
        FUZZ_REQUIRE(verdict.dialog == VersionVerdict::WrongVersion);
    } else {
        // At most the three type bytes, ending at the first NUL; a clean
        // result only for the carried version.
        FUZZ_REQUIRE(type.size() <= 3 && !type.contains(QChar(0)) && (data[3] != 0 || type.isEmpty()));
        const bool carried = major == CarriedFirmware::kMajor && minor == CarriedFirmware::kMinor
                             && patch == CarriedFirmware::kPatch;
        FUZZ_REQUIRE((verdict.dialog == VersionVerdict::NoDialog) == carried && !verdict.versionText.isEmpty());
    }
    return 0;
}
