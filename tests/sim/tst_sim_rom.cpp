// The simulated STM32 ROM bootloader where stm32flash (peers.py) and the
// wizard's own runs do not look: the handshake's edges, what it refuses, and
// the destructive commands that other tests count on never seeing. The
// layouts, write faults, a paced line and a power loss mid-write are checked
// end to end by the engine, bootloader library, download, fault and Windows
// tests.

#include <QtTest>

#include "gripper_sim.h"
#include "romhost.h"

using namespace korvane::sim;
using namespace std::chrono_literals;

namespace {

GripperConfig romConfig()
{
    GripperConfig config;
    config.bootToRom = true;
    return config;
}

const uint32_t kMain = 0x08080000;

} // namespace

class TestSimRom : public QObject {
    Q_OBJECT

private slots:
    void handshakeThenCommandsInStep();
    void refusesWhatTheRomRefuses();
    void destructiveCommandsAreCounted();
};

// Get, Get Version and Get ID are read by stm32flash (peers.py); requests
// the ROM ignores before its 0x7F are counted by the engine's GU run.
void TestSimRom::handshakeThenCommandsInStep()
{
    Gripper gripper(romConfig());
    HostLine line(gripper.path());
    QVERIFY(line.isOpen());
    RomHost rom(line);
    QCOMPARE(rom.sync(), kAck);

    // Once synchronised, 0x7F is a command code waiting for its complement:
    // a host that sends it again hears nothing, and a NACK after a second one.
    QCOMPARE(rom.send({0x7F}, 100), kSilence);
    QCOMPARE(rom.send({0x7F}), kNack);

    // The erase command the part does not list is refused.
    QCOMPARE(rom.command(0x43), kNack);
    QCOMPARE(rom.command(0x01), kAck); // still in step
    line.readFor(50);
    QCOMPARE(gripper.romLog().syncs, 1);
}

void TestSimRom::refusesWhatTheRomRefuses()
{
    Gripper gripper(romConfig()); // main firmware present at 0x08080000
    HostLine line(gripper.path());
    RomHost rom(line);
    QCOMPARE(rom.sync(), kAck);
    const Bytes before = gripper.readFlash(kMain, 1024);

    // Bad complement, bad address checksum, an address outside flash.
    QCOMPARE(rom.send({0x11, 0x11}), kNack);
    QCOMPARE(rom.command(0x11), kAck);
    Bytes badSum = addressBlock(kMain);
    badSum.back() ^= 0x01;
    QCOMPARE(rom.send(badSum), kNack);
    QCOMPARE(rom.command(0x11), kAck);
    QCOMPARE(rom.send(addressBlock(0x20000000)), kNack);

    // A read whose length complement is wrong, or that runs past the end.
    QCOMPARE(rom.command(0x11), kAck);
    QCOMPARE(rom.send(addressBlock(kMain)), kAck);
    QCOMPARE(rom.send({0x0F, 0x0F}), kNack);
    QCOMPARE(rom.command(0x11), kAck);
    QCOMPARE(rom.send(addressBlock(0x080FFF80)), kAck);
    QCOMPARE(rom.send({0xFF, 0x00}), kNack);
    QVERIFY(rom.read(0x080FFF80, 0x80).size() == 0x80); // up to the last byte is fine

    // Writes: unaligned address, a length that is no whole word, a bad
    // checksum, past the end, over programmed bytes.
    QCOMPARE(rom.command(0x31), kAck);
    QCOMPARE(rom.send(addressBlock(0x080C0002)), kNack);
    QCOMPARE(rom.write(0x080C0000, Bytes(6, 0x00)), kNack);
    QCOMPARE(rom.command(0x31), kAck);
    QCOMPARE(rom.send(addressBlock(0x080C0000)), kAck);
    QCOMPARE(rom.send({0x03, 1, 2, 3, 4, 0x00}), kNack);
    QCOMPARE(rom.write(0x080FFFFC, Bytes(8, 0x00)), kNack);
    QCOMPARE(rom.write(kMain, Bytes(16, 0x00)), kNack);

    // Extended erase of a sector the part does not have, and a bad checksum.
    QCOMPARE(rom.extendedErase({12}), kNack);
    QCOMPARE(rom.command(0x44), kAck);
    QCOMPARE(rom.send({0x00, 0x00, 0x00, 0x08, 0x09}), kNack);

    // None of it touched the flash, and the ROM still answers in step.
    QCOMPARE(gripper.readFlash(kMain, 1024), before);
    QVERIFY(gripper.readFlash(0x080C0000, 16) == Bytes(16, 0xFF));
    QCOMPARE(rom.read(kMain, 256), Bytes(before.begin(), before.begin() + 256));
    RomLog log = gripper.romLog();
    QVERIFY(log.erasedSectors.empty());
    QCOMPARE(log.massErases, 0);
}

void TestSimRom::destructiveCommandsAreCounted()
{
    {
        Gripper gripper(romConfig());
        HostLine line(gripper.path());
        RomHost rom(line);
        QCOMPARE(rom.sync(), kAck);
        QCOMPARE(rom.command(0x44), kAck);
        QCOMPARE(rom.send({0xFF, 0xFF, 0x00}, 2000), kAck);
        QVERIFY(gripper.readFlash(0x08000000, 16) == Bytes(16, 0xFF));

        // Readout Unprotect: two ACKs, then the part resets (into the ROM
        // again here, by its strap) and wants a new 0x7F.
        QCOMPARE(rom.command(0x92), kAck);
        QCOMPARE(rom.reply(2000), kAck);
        QVERIFY(gripper.waitForState(State::Rom, 1000ms));
        QTest::qWait(50);
        QCOMPARE(rom.sync(), kAck);
        RomLog log = gripper.romLog();
        QCOMPARE(log.massErases, 2); // the unprotect erases everything too
        QCOMPARE(log.readoutUnprotects, 1);
    }
    GripperConfig config = romConfig();
    config.legacyEraseRom = true;
    Gripper gripper(config);
    HostLine line(gripper.path());
    RomHost rom(line);
    QCOMPARE(rom.sync(), kAck);
    QCOMPARE(rom.command(0x43), kAck);
    QCOMPARE(rom.send({0xFF, 0x00}), kAck);
    QCOMPARE(gripper.romLog().massErases, 1);
    QVERIFY(gripper.readFlash(0x08000000, 4) == Bytes(4, 0xFF));
}

QTEST_GUILESS_MAIN(TestSimRom)
#include "tst_sim_rom.moc"
