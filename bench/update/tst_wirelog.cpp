// The update benchmark splits an update into phases at the commands the
// adapter saw; a command misread (image bytes taken for a command, a length
// miscounted) would move a phase boundary by seconds without any error.

#include "wirelog.h"

#include <QtTest>

#include <vector>

using korvane::bench::WireCommand;
using korvane::bench::WireKind;
using korvane::bench::WireTracker;

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kReboot = {0x09, 0x10, 0x01, 0x90, 0x00, 0x01, 0x02, 0x2A, 0x00, 0xD3, 0x60};
const Bytes kVersion = {0x09, 0x03, 0x01, 0xF4, 0x00, 0x03, 0x44, 0x8D};

// What a host sends for one ROM command with an address: code, complement,
// address, its XOR.
Bytes withAddress(uint8_t code, uint32_t address)
{
    Bytes b = {code, uint8_t(~code), uint8_t(address >> 24), uint8_t(address >> 16), uint8_t(address >> 8),
               uint8_t(address)};
    b.push_back(b[2] ^ b[3] ^ b[4] ^ b[5]);
    return b;
}

Bytes write(uint32_t address, const Bytes &data)
{
    Bytes b = withAddress(0x31, address);
    uint8_t x = uint8_t(data.size() - 1);
    b.push_back(uint8_t(data.size() - 1));
    for (uint8_t d : data) {
        b.push_back(d);
        x ^= d;
    }
    b.push_back(x);
    return b;
}

Bytes read(uint32_t address, int length)
{
    Bytes b = withAddress(0x11, address);
    b.push_back(uint8_t(length - 1));
    b.push_back(uint8_t(~(length - 1)));
    return b;
}

void send(WireTracker &t, const Bytes &bytes, int64_t ns)
{
    t.hostBytes(bytes.data(), bytes.size(), ns);
}

std::vector<WireKind> kinds(const WireTracker &t)
{
    std::vector<WireKind> k;
    for (const WireCommand &c : t.commands())
        k.push_back(c.kind);
    return k;
}

} // namespace

class TestWireLog : public QObject
{
    Q_OBJECT

private slots:
    void updateSessionIsSplitIntoItsCommands();
    void probesBeforeARebootStartNoSession();
    void answersEndTheRequestTheyFollow();
    void commandsSurviveTheTripBetweenProcesses();
};

void TestWireLog::updateSessionIsSplitIntoItsCommands()
{
    WireTracker t;
    int64_t ns = 0;
    send(t, kReboot, ++ns);
    send(t, {0x7F}, ++ns);
    send(t, {0x00, 0xFF}, ++ns);
    send(t, {0x44, 0xBB, 0x00, 0x00, 0x00, 0x09, 0x09}, ++ns);
    // Image bytes that look like Read, Go, a sync and a reboot request.
    Bytes data = {0x11, 0xEE, 0x21, 0xDE, 0x7F, 0x00, 0xFF, 0x31};
    data.insert(data.end(), kReboot.begin(), kReboot.end());
    data.resize(252, 0x11);
    send(t, write(0x08080000, data), ++ns);
    // Its checksum is 0x7F: one byte miscounted and it would read as a sync.
    send(t, write(0x080800FC, {0x21, 0xDE, 0x44, 0xC7}), ++ns);
    send(t, read(0x08080000, 256), ++ns);
    send(t, read(0x08080100, 88), ++ns);
    // One write may reach the adapter in several reads.
    const Bytes go = withAddress(0x21, 0x08000000);
    send(t, Bytes(go.begin(), go.begin() + 3), ++ns);
    send(t, Bytes(go.begin() + 3, go.end()), ++ns);
    send(t, kVersion, ++ns);

    const std::vector<WireKind> expected = {WireKind::ModbusReboot, WireKind::Sync, WireKind::Get,
                                            WireKind::Erase,        WireKind::Write, WireKind::Write,
                                            WireKind::Read,         WireKind::Read,  WireKind::Go,
                                            WireKind::ModbusVersion};
    QCOMPARE(kinds(t), expected);
    const auto &c = t.commands();
    QCOMPARE(c[3].sectors, std::vector<uint16_t>{9});
    QCOMPARE(c[4].address, 0x08080000u);
    QCOMPARE(c[4].length, 252u);
    QCOMPARE(c[5].address, 0x080800FCu);
    QCOMPARE(c[5].length, 4u);
    QCOMPARE(c[6].length, 256u);
    QCOMPARE(c[7].address, 0x08080100u);
    QCOMPARE(c[7].length, 88u);
    QCOMPARE(c[8].address, 0x08000000u);
    QCOMPARE(c[8].startNs, int64_t(9));
}

void TestWireLog::probesBeforeARebootStartNoSession()
{
    WireTracker t;
    // The identification's ROM probe, then its version request in one burst.
    Bytes probe = {0x7F, 0x7F};
    probe.insert(probe.end(), kVersion.begin(), kVersion.end());
    send(t, probe, 1);
    send(t, {0x00, 0xFF}, 2);
    QCOMPARE(kinds(t), std::vector<WireKind>{WireKind::ModbusVersion});
    QCOMPARE(t.commands()[0].startNs, int64_t(1));
}

void TestWireLog::answersEndTheRequestTheyFollow()
{
    WireTracker t;
    t.hostOpened(1);
    send(t, kReboot, 2);
    t.deviceBytes(8, 3);   // the echo
    t.hostClosed(4);
    t.hostOpened(5);
    send(t, {0x7F}, 6);
    t.deviceBytes(1, 7);
    send(t, {0x00, 0xFF}, 8);
    t.deviceBytes(15, 9);
    t.deviceBytes(0, 10);  // nothing handed over: no end
    const auto &c = t.commands();
    QCOMPARE(c.size(), size_t(6));
    QCOMPARE(c[1].kind, WireKind::ModbusReboot);
    QCOMPARE(c[1].endNs, int64_t(3));
    QCOMPARE(c[2].kind, WireKind::HostClose);
    QCOMPARE(c[2].endNs, int64_t(4));
    QCOMPARE(c[4].endNs, int64_t(7));
    QCOMPARE(c[5].endNs, int64_t(9));
}

void TestWireLog::commandsSurviveTheTripBetweenProcesses()
{
    WireCommand erase;
    erase.kind = WireKind::Erase;
    erase.startNs = 1234567890123;
    erase.endNs = 1234567890999;
    erase.sectors = {8, 9, 11};
    WireCommand read;
    read.kind = WireKind::Read;
    read.startNs = 5;
    read.endNs = 6;
    read.address = 0x08080100;
    read.length = 256;
    for (const WireCommand &c : {erase, read}) {
        WireCommand back;
        QVERIFY(WireTracker::parse(WireTracker::serialize(c), &back));
        QCOMPARE(back.kind, c.kind);
        QCOMPARE(back.startNs, c.startNs);
        QCOMPARE(back.endNs, c.endNs);
        QCOMPARE(back.address, c.address);
        QCOMPARE(back.length, c.length);
        QCOMPARE(back.sectors, c.sectors);
    }
    WireCommand ignored;
    QVERIFY(!WireTracker::parse("teleport 1 2 3 4 -", &ignored));
}

QTEST_GUILESS_MAIN(TestWireLog)
#include "tst_wirelog.moc"
