// The Freescale receive buffer over any bytes, any stage and any image size:
// success only after the dots and with a report, a start failure only
// without any dot, and the progress never negative.
//
// Input: stage byte, eight bytes of image size (little-endian, sign bit
// dropped: a file size), then the buffer.

#include "freescaleparse.h"
#include "fuzzcheck.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 9)
        return 0;
    const int stage = data[0] % 4;
    uint64_t raw = 0;
    for (int i = 8; i >= 1; --i)
        raw = (raw << 8) | data[i];
    const qint64 imageSize = qint64(raw & uint64_t(INT64_MAX));
    const QByteArray received(reinterpret_cast<const char *>(data + 9), int(size - 9));

    const FreescaleReading reading = readFreescaleReceived(received, stage, imageSize);

    const bool dots = received.contains('.');
    switch (reading.outcome) {
    case FreescaleReading::Loaded:
        FUZZ_REQUIRE(stage == 2);
        FUZZ_REQUIRE(received.contains("Loaded 0x"));
        break;
    case FreescaleReading::Downloading:
        FUZZ_REQUIRE(dots);
        break;
    case FreescaleReading::StartFailure:
        FUZZ_REQUIRE(!dots && received.contains("Loaded"));
        break;
    case FreescaleReading::Nothing:
        FUZZ_REQUIRE(!dots && !received.contains("Loaded"));
        break;
    }
    if (reading.outcome != FreescaleReading::Loaded)
        FUZZ_REQUIRE(reading.progress >= 0);
    return 0;
}
