#ifndef SIM_ROMHOST_H
#define SIM_ROMHOST_H

// A minimal host for the ROM bootloader's USART protocol, written from the
// protocol notes, so tests can speak to the simulated ROM byte by byte.

#include "hostline.h"

constexpr int kAck = 0x79;
constexpr int kNack = 0x1F;
constexpr int kSilence = -1;

inline Bytes addressBlock(uint32_t address)
{
    Bytes b{uint8_t(address >> 24), uint8_t(address >> 16), uint8_t(address >> 8), uint8_t(address)};
    b.push_back(uint8_t(b[0] ^ b[1] ^ b[2] ^ b[3]));
    return b;
}

class RomHost {
public:
    explicit RomHost(HostLine &line) : line_(line) {}

    int reply(int timeoutMs = 500)
    {
        Bytes b = line_.read(1, timeoutMs);
        return b.empty() ? kSilence : b[0];
    }
    int send(const Bytes &bytes, int timeoutMs = 500)
    {
        line_.write(bytes);
        return reply(timeoutMs);
    }
    int sync() { return send({0x7F}); }
    int command(uint8_t code) { return send({code, uint8_t(code ^ 0xFF)}); }

    // Full Write Memory; the last answer (or the first refusal).
    int write(uint32_t address, const Bytes &data)
    {
        int r = command(0x31);
        if (r != kAck)
            return r;
        if ((r = send(addressBlock(address))) != kAck)
            return r;
        Bytes block{uint8_t(data.size() - 1)};
        uint8_t sum = block[0];
        for (uint8_t b : data) {
            block.push_back(b);
            sum ^= b;
        }
        block.push_back(sum);
        return send(block, 2000);
    }
    // Read Memory; empty on any refusal.
    Bytes read(uint32_t address, size_t length)
    {
        if (command(0x11) != kAck || send(addressBlock(address)) != kAck)
            return {};
        uint8_t n = uint8_t(length - 1);
        if (send({n, uint8_t(n ^ 0xFF)}) != kAck)
            return {};
        return line_.read(length, 1000);
    }
    int extendedErase(const std::vector<uint16_t> &sectors)
    {
        int r = command(0x44);
        if (r != kAck)
            return r;
        uint16_t n = uint16_t(sectors.size() - 1);
        Bytes block{uint8_t(n >> 8), uint8_t(n)};
        for (uint16_t s : sectors) {
            block.push_back(uint8_t(s >> 8));
            block.push_back(uint8_t(s));
        }
        uint8_t sum = 0;
        for (uint8_t b : block)
            sum ^= b;
        block.push_back(sum);
        return send(block, 5000);
    }

private:
    HostLine &line_;
};

#endif
