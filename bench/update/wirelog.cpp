#include "wirelog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace korvane::bench {

namespace {

// Complete with their CRC, as the wizard sends them.
const uint8_t kRebootRequest[] = {0x09, 0x10, 0x01, 0x90, 0x00, 0x01, 0x02, 0x2A, 0x00, 0xD3, 0x60};
const uint8_t kVersionRequest[] = {0x09, 0x03, 0x01, 0xF4, 0x00, 0x03, 0x44, 0x8D};
const size_t kLongestFrame = sizeof kRebootRequest;

const uint8_t kSync = 0x7F;

struct KindName {
    WireKind kind;
    const char *name;
};

const KindName kNames[] = {
    {WireKind::HostOpen, "open"},       {WireKind::HostClose, "close"},  {WireKind::ModbusReboot, "reboot"},
    {WireKind::ModbusVersion, "version"}, {WireKind::Sync, "sync"},    {WireKind::Get, "get"},
    {WireKind::GetVersion, "get-version"}, {WireKind::GetId, "get-id"}, {WireKind::Read, "read"},
    {WireKind::Write, "write"},         {WireKind::Erase, "erase"},      {WireKind::Go, "go"},
    {WireKind::OtherRom, "rom"},
};

template <size_t N>
bool endsWith(const std::vector<uint8_t> &tail, const uint8_t (&frame)[N])
{
    return tail.size() >= N && std::memcmp(tail.data() + tail.size() - N, frame, N) == 0;
}

uint32_t bigEndian(const std::vector<uint8_t> &bytes, size_t at)
{
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8
           | uint32_t(bytes[at + 3]);
}

} // namespace

const char *wireKindName(WireKind kind)
{
    for (const KindName &n : kNames) {
        if (n.kind == kind)
            return n.name;
    }
    return "?";
}

bool wireKindFromName(const std::string &name, WireKind *kind)
{
    for (const KindName &n : kNames) {
        if (name == n.name) {
            *kind = n.kind;
            return true;
        }
    }
    return false;
}

uint32_t sectorKiB(uint16_t sector)
{
    const int index = sector % 12;
    return index < 4 ? 16 : index == 4 ? 64 : 128;
}

void WireTracker::hostOpened(int64_t ns)
{
    m_commands.push_back({WireKind::HostOpen, ns, ns, 0, 0, {}});
}

void WireTracker::hostClosed(int64_t ns)
{
    m_commands.push_back({WireKind::HostClose, ns, ns, 0, 0, {}});
}

void WireTracker::hostBytes(const uint8_t *data, size_t length, int64_t ns)
{
    for (size_t i = 0; i < length; ++i)
        hostByte(data[i], ns);
}

void WireTracker::deviceBytes(size_t length, int64_t ns)
{
    if (length > 0 && m_current >= 0)
        m_commands[size_t(m_current)].endNs = ns;
}

void WireTracker::begin(WireKind kind, int64_t ns)
{
    m_commands.push_back({kind, ns, ns, 0, 0, {}});
    m_current = int(m_commands.size()) - 1;
}

void WireTracker::hostByte(uint8_t byte, int64_t ns)
{
    if (m_mode == Mode::Rom) {
        romByte(byte, ns);
        return;
    }
    if (byte == kSync && m_rebootSent) {
        m_mode = Mode::Rom;
        m_step = Step::Command;
        m_tail.clear();
        m_tailNs.clear();
        begin(WireKind::Sync, ns);
        return;
    }
    m_tail.push_back(byte);
    m_tailNs.push_back(ns);
    if (m_tail.size() > kLongestFrame) {
        m_tail.erase(m_tail.begin());
        m_tailNs.erase(m_tailNs.begin());
    }
    if (endsWith(m_tail, kRebootRequest)) {
        m_rebootSent = true;
        begin(WireKind::ModbusReboot, m_tailNs[m_tail.size() - sizeof kRebootRequest]);
        m_tail.clear();
        m_tailNs.clear();
    } else if (endsWith(m_tail, kVersionRequest)) {
        begin(WireKind::ModbusVersion, m_tailNs[m_tail.size() - sizeof kVersionRequest]);
        m_tail.clear();
        m_tailNs.clear();
    }
}

void WireTracker::romByte(uint8_t byte, int64_t ns)
{
    switch (m_step) {
    case Step::Command:
        if (byte == kSync) {
            begin(WireKind::Sync, ns);
            return;
        }
        m_code = byte;
        m_codeNs = ns;
        m_step = Step::Complement;
        return;
    case Step::Complement:
        if (byte != uint8_t(m_code ^ 0xFF)) {
            // Not a command after all: this byte may start the next one.
            m_step = Step::Command;
            romByte(byte, ns);
            return;
        }
        break;
    case Step::Parameters:
        parameterByte(byte);
        return;
    }

    // A whole command code: what follows it depends on the command.
    WireKind kind = WireKind::OtherRom;
    m_expected = 0;
    switch (m_code) {
    case 0x00: kind = WireKind::Get; break;
    case 0x01: kind = WireKind::GetVersion; break;
    case 0x02: kind = WireKind::GetId; break;
    case 0x11: kind = WireKind::Read; m_expected = 7; break;   // address, XOR; N, ~N
    case 0x31: kind = WireKind::Write; m_expected = 6; break;  // address, XOR; N (then N+1 bytes and XOR)
    case 0x21: kind = WireKind::Go; m_expected = 5; break;
    case 0x44: kind = WireKind::Erase; m_expected = 2; break;  // count - 1, 16 bits (then the sectors)
    case 0x43: kind = WireKind::Erase; m_expected = 1; break;  // count - 1 (then the pages)
    default: break;
    }
    begin(kind, m_codeNs);
    m_params.clear();
    m_step = m_expected > 0 ? Step::Parameters : Step::Command;
}

void WireTracker::parameterByte(uint8_t byte)
{
    m_params.push_back(byte);
    WireCommand &command = m_commands[size_t(m_current)];
    const size_t have = m_params.size();
    if (m_code == 0x31 && have == 6)
        m_expected = 6 + (size_t(m_params[5]) + 1) + 1;
    else if (m_code == 0x44 && have == 2) {
        const unsigned count = unsigned(m_params[0]) << 8 | m_params[1];
        m_expected = count >= 0xFFF0 ? 3 : 2 + 2 * (size_t(count) + 1) + 1;
    } else if (m_code == 0x43 && have == 1) {
        m_expected = m_params[0] == 0xFF ? 2 : 1 + (size_t(m_params[0]) + 1) + 1;
    }
    if (have < m_expected)
        return;

    switch (m_code) {
    case 0x11:
        command.address = bigEndian(m_params, 0);
        command.length = uint32_t(m_params[5]) + 1;
        break;
    case 0x31:
        command.address = bigEndian(m_params, 0);
        command.length = uint32_t(m_params[5]) + 1;
        break;
    case 0x21:
        command.address = bigEndian(m_params, 0);
        // The gripper leaves its ROM: what follows is Modbus again.
        m_mode = Mode::Modbus;
        m_rebootSent = false;
        break;
    case 0x44:
        for (size_t i = 2; i + 2 < m_params.size(); i += 2)
            command.sectors.push_back(uint16_t(m_params[i] << 8 | m_params[i + 1]));
        break;
    case 0x43:
        for (size_t i = 1; i + 1 < m_params.size(); ++i)
            command.sectors.push_back(m_params[i]);
        break;
    default:
        break;
    }
    m_step = Step::Command;
}

std::string WireTracker::serialize(const WireCommand &command)
{
    std::ostringstream out;
    out << wireKindName(command.kind) << ' ' << command.startNs << ' ' << command.endNs << ' ' << command.address
        << ' ' << command.length << ' ';
    if (command.sectors.empty())
        out << '-';
    for (size_t i = 0; i < command.sectors.size(); ++i)
        out << (i ? "," : "") << command.sectors[i];
    return out.str();
}

bool WireTracker::parse(const std::string &line, WireCommand *command)
{
    std::istringstream in(line);
    std::string kind;
    std::string sectors;
    WireCommand c;
    if (!(in >> kind >> c.startNs >> c.endNs >> c.address >> c.length >> sectors) || !wireKindFromName(kind, &c.kind))
        return false;
    if (sectors != "-") {
        std::istringstream list(sectors);
        std::string item;
        while (std::getline(list, item, ','))
            c.sectors.push_back(uint16_t(std::strtoul(item.c_str(), nullptr, 10)));
    }
    *command = c;
    return true;
}

} // namespace korvane::bench
