// The verification page's judgement over any bytes: only a version reply is
// judged, and only the version this build carries passes.

#include "carriedfirmware.h"
#include "fuzzcheck.h"
#include "update/versionreply.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), int(size));
    const VersionVerdict verdict = judgeVersionReply(reply);

    const bool isReply = size >= 9 && data[0] == 0x09 && data[1] == 0x03;
    FUZZ_REQUIRE(verdict.judged == isReply);
    if (!isReply) {
        FUZZ_REQUIRE(verdict.dialog == VersionVerdict::NoDialog && verdict.versionText.isEmpty());
        return 0;
    }

    const QByteArray type = reply.mid(3, 3);
    const bool carried = int8_t(data[6]) == CarriedFirmware::kMajor && int8_t(data[7]) == CarriedFirmware::kMinor
                         && int8_t(data[8]) == CarriedFirmware::kPatch;
    if (type == QByteArray(3, '\0')) {
        FUZZ_REQUIRE(verdict.dialog == VersionVerdict::CannotRead);
        FUZZ_REQUIRE(verdict.versionText == QLatin1String("unknown"));
    } else if (type == "DVP") {
        FUZZ_REQUIRE(verdict.dialog == VersionVerdict::WrongVersion);
    } else {
        // A clean result only for the carried version, and always a label.
        FUZZ_REQUIRE((verdict.dialog == VersionVerdict::NoDialog) == carried);
        FUZZ_REQUIRE(verdict.dialog != VersionVerdict::CannotRead);
        FUZZ_REQUIRE(!verdict.versionText.isEmpty());
    }
    return 0;
}
