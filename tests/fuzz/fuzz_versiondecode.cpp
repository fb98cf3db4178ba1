// Communication::decodeVersionReply over any bytes: a read that is not a
// version reply leaves the caller's values alone; one that is yields exactly
// the bytes at their places.

#include "communication.h"
#include "fuzzcheck.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), int(size));
    const QString untouched = QStringLiteral("untouched");
    QString type = untouched;
    int major = 1000;
    int minor = 1000;
    int patch = 1000;
    Communication::decodeVersionReply(reply, type, major, minor, patch);

    const bool isReply = size >= 9 && data[0] == 0x09 && data[1] == 0x03;
    if (!isReply) {
        FUZZ_REQUIRE(type == untouched && major == 1000 && minor == 1000 && patch == 1000);
        return 0;
    }
    FUZZ_REQUIRE(major == int8_t(data[6]) && minor == int8_t(data[7]) && patch == int8_t(data[8]));
    const bool noType = data[3] == 0 && data[4] == 0 && data[5] == 0;
    if (noType) {
        FUZZ_REQUIRE(type == QLatin1String("unknown"));
    } else {
        // At most the three type bytes, ending at the first NUL.
        FUZZ_REQUIRE(type.size() <= 3);
        FUZZ_REQUIRE(!type.contains(QChar(0)));
        if (data[3] == 0)
            FUZZ_REQUIRE(type.isEmpty());
    }
    return 0;
}
