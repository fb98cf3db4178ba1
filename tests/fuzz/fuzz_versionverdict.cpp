// The verification page's judgement over any bytes: only a version reply is
// judged; the dialog and the label agree with each other and with the
// version this build carries.

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
        // A clean result only for the carried version; the label always
        // names the three type bytes and the version as signed numbers.
        FUZZ_REQUIRE((verdict.dialog == VersionVerdict::NoDialog) == carried);
        FUZZ_REQUIRE(verdict.dialog != VersionVerdict::CannotRead);
        const QString version = QStringLiteral("-%1.%2.%3.")
                                    .arg(int(int8_t(data[6])))
                                    .arg(int(int8_t(data[7])))
                                    .arg(int(int8_t(data[8])));
        FUZZ_REQUIRE(verdict.versionText.size() == 3 + version.size());
        FUZZ_REQUIRE(verdict.versionText.endsWith(version));
        for (int i = 0; i < 3; ++i)
            FUZZ_REQUIRE(verdict.versionText.at(i).unicode() == data[3 + i]);
    }
    return 0;
}
