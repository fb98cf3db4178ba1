// The bootloader library's replies over any bytes: the pure parsers, then a
// session whose device answers with the input, through every exchange that
// reads a reply of a length the device announces.
//
// Input: one byte choosing the exchange, one byte of read length, then what
// the device sends.

#include "fuzzcheck.h"
#include "session.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// A device that sends the scripted bytes whatever it is asked, then goes
// silent. Waits end at once: the script is all there will ever be.
class ScriptedLine : public stbl::Transport
{
public:
    ScriptedLine(const uint8_t *data, std::size_t size)
        : bytes_(data, data + size)
    {
    }

    stbl::IoStatus write(const uint8_t *, std::size_t, stbl::Deadline) override { return stbl::IoStatus::Ok; }

    stbl::IoStatus read(uint8_t *data, std::size_t size, stbl::Deadline, std::size_t *got) override
    {
        const std::size_t n = std::min(size, bytes_.size() - next_);
        if (n > 0)
            std::memcpy(data, bytes_.data() + next_, n);
        next_ += n;
        if (got)
            *got = n;
        return n == size ? stbl::IoStatus::Ok : stbl::IoStatus::Timeout;
    }

    void discardInput() override {}

private:
    std::vector<uint8_t> bytes_;
    std::size_t next_ = 0;
};

// A parsed reply holds exactly what its length byte announced.
void checkParsers(const uint8_t *data, std::size_t size)
{
    stbl::GetReply get;
    if (stbl::parseGetReply(data, size, &get)) {
        FUZZ_REQUIRE(size == std::size_t(data[0]) + 2 && get.codes.size() == data[0]);
        const uint8_t erase = stbl::chooseEraseCommand(stbl::commandsFromCodes(get.codes));
        FUZZ_REQUIRE(erase == stbl::CMD_ERASE || erase == stbl::CMD_EXTENDED_ERASE);
    }
    stbl::VersionReply version;
    FUZZ_REQUIRE(stbl::parseGetVersionReply(data, size, &version) == (size == 3));
    uint32_t id = 0;
    if (stbl::parseGetIdReply(data, size, &id))
        FUZZ_REQUIRE(size == std::size_t(data[0]) + 2 && size <= 5);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t which = data[0];
    const std::size_t length = std::size_t(data[1]) * 3 + 1;
    data += 2;
    size -= 2;
    checkParsers(data, size);

    stbl::Session session;
    session.attach(std::make_unique<ScriptedLine>(data, size), 115200);
    session.setTimeout(1);
    switch (which % 5) {
    case 0:
        session.init();
        break;
    case 1: {
        uint8_t version = 0;
        Commands commands{};
        // A Get that succeeds took an ACK, its reply and a closing ACK.
        if (session.get(&version, &commands) == stbl::RESULT_OK)
            FUZZ_REQUIRE(size >= 4 && data[0] == stbl::ACK && size >= std::size_t(data[1]) + 4);
        break;
    }
    case 2: {
        stbl::VersionReply reply;
        if (session.getVersion(&reply) == stbl::RESULT_OK)
            FUZZ_REQUIRE(size >= 5 && reply.version == data[1]);
        break;
    }
    case 3: {
        uint32_t id = 0;
        if (session.getId(&id) == stbl::RESULT_OK)
            FUZZ_REQUIRE(size >= 4 && data[1] <= 3);
        break;
    }
    case 4: {
        std::vector<uint8_t> out(length);
        if (session.read(0x08000000, out.data(), out.size()) == stbl::RESULT_OK)
            FUZZ_REQUIRE(size >= out.size());
        break;
    }
    }
    return 0;
}
