// The simulated STM32 ROM bootloader: the handshake, what it refuses, what
// it keeps in flash, and the faults a host must survive.

#include <QtTest>

#include "gripper_sim.h"
#include "romhost.h"

using namespace korvane::sim;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(korvane::sim::Kind)

namespace {

GripperConfig romConfig(Kind kind = Kind::GC)
{
    GripperConfig config;
    config.kind = kind;
    config.bootToRom = true;
    return config;
}

const uint32_t kMain = 0x08080000;

} // namespace

class TestSimRom : public QObject {
    Q_OBJECT

private slots:
    void handshakeAndIdentity_data();
    void handshakeAndIdentity();
    void refusesWhatTheRomRefuses();
    void chFlashErasedWrittenAndStarted();
    void destructiveCommandsAreCounted();
    void powerLostMidWriteLeavesATornImage();
};

void TestSimRom::handshakeAndIdentity_data()
{
    QTest::addColumn<korvane::sim::Kind>("kind");
    QTest::addColumn<bool>("legacy");
    QTest::addColumn<int>("chipId");
    QTest::newRow("GC, F4 command set") << Kind::GC << false << 0x413;
    QTest::newRow("CH, 2 MiB part") << Kind::CH << false << 0x419;
    QTest::newRow("GC, legacy erase") << Kind::GC << true << 0x413;
}

void TestSimRom::handshakeAndIdentity()
{
    QFETCH(korvane::sim::Kind, kind);
    QFETCH(bool, legacy);
    QFETCH(int, chipId);
    GripperConfig config = romConfig(kind);
    config.legacyEraseRom = legacy;
    Gripper gripper(config);
    HostLine line(gripper.path());
    QVERIFY(line.isOpen());
    RomHost rom(line);

    // A Modbus request before the handshake is line noise to the ROM.
    line.write(versionRequest());
    QCOMPARE(line.readFor(50).size(), size_t(0));
    QCOMPARE(rom.sync(), kAck);

    line.write({0x00, 0xFF});
    Bytes get = line.read(15);
    Bytes expectedGet{0x79, 0x0B, 0x31, 0x00, 0x01, 0x02, 0x11, 0x21, 0x31,
                      uint8_t(legacy ? 0x43 : 0x44), 0x63, 0x73, 0x82, 0x92, 0x79};
    QCOMPARE(get, expectedGet);
    line.write({0x01, 0xFE});
    QCOMPARE(line.read(5), (Bytes{0x79, 0x31, 0x00, 0x00, 0x79}));
    line.write({0x02, 0xFD});
    QCOMPARE(line.read(5), (Bytes{0x79, 0x01, uint8_t(chipId >> 8), uint8_t(chipId), 0x79}));

    // Once synchronised, 0x7F is a command code waiting for its complement:
    // a host that sends it again hears nothing, and a NACK after a second one.
    QCOMPARE(rom.send({0x7F}, 100), kSilence);
    QCOMPARE(rom.send({0x7F}), kNack);

    // The erase command the part does not list is refused.
    QCOMPARE(rom.command(legacy ? 0x44 : 0x43), kNack);
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

// The GC's layout is exercised by stm32flash (peers.py); the CH keeps its
// main firmware higher up, in the second bank's sectors.
void TestSimRom::chFlashErasedWrittenAndStarted()
{
    Gripper gripper(romConfig(Kind::CH));
    const uint32_t main = gripper.mainAddress();
    QCOMPARE(main, 0x08100000u);
    HostLine line(gripper.path());
    RomHost rom(line);
    QCOMPARE(rom.sync(), kAck);

    std::vector<uint16_t> sectors;
    for (uint16_t s = 12; s < 24; ++s)
        sectors.push_back(s);
    QCOMPARE(rom.extendedErase(sectors), kAck);
    QVERIFY(gripper.readFlash(main, 123992) == Bytes(123992, 0xFF));
    QVERIFY(gripper.readFlash(0x08000000, 4) != Bytes(4, 0xFF)); // product bootloader kept

    // An odd length: the last packet is padded to a word with 0xFF.
    const Bytes image = buildStandinImage("CH", Version{1, 7, 0}, 123990, main);
    QVERIFY(rom.writeImage(main, image));
    QCOMPARE(rom.readImage(main, image.size()), image);
    QCOMPARE(gripper.readFlash(main + uint32_t(image.size()), 2), (Bytes{0xFF, 0xFF}));

    QCOMPARE(rom.go(0x08000000), kAck);
    QVERIFY(gripper.waitForState(State::Firmware, 2000ms));
    line.write(versionRequest());
    QCOMPARE(line.read(11), withCrc({0x09, 0x03, 0x06, 'C', 'H', 0, 1, 7, 0}));
    QCOMPARE(gripper.romLog().writes.back().length, uint32_t(123992 - 123904));
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

void TestSimRom::powerLostMidWriteLeavesATornImage()
{
    // Not strapped: the ROM is reached through the firmware's reboot
    // request, and a power-on runs the product bootloader.
    GripperConfig config;
    config.productBootloaderWindowMs = 100;
    Gripper gripper(config);
    QVERIFY(gripper.waitForState(State::Firmware, 2000ms));
    HostLine line(gripper.path());
    line.write(rebootRequest());
    QCOMPARE(line.read(8), rebootEcho());
    QVERIFY(gripper.waitForState(State::Rom, 1000ms));
    RomHost rom(line);
    QCOMPARE(rom.sync(), kAck);
    QCOMPARE(rom.extendedErase({8}), kAck);

    const Bytes image = buildStandinImage("GC3", Version{1, 7, 0}, 4096, kMain);
    const Bytes first(image.begin(), image.begin() + 256);
    const Bytes torn(image.begin() + 256, image.begin() + 512);
    QCOMPARE(rom.write(kMain, first), kAck);
    Faults faults;
    faults.romPowerLossAtWrite = 1;
    gripper.setFaults(faults);

    // Half the packet lands, no answer comes, the unit is off; after power-on
    // the image's start-up code at 0x400 is missing, so the product
    // bootloader's window passes and nothing answers.
    QCOMPARE(rom.write(kMain + 256, torn), kSilence);
    QCOMPARE(gripper.state(), State::Off);
    QCOMPARE(gripper.readFlash(kMain, 384), Bytes(image.begin(), image.begin() + 384));
    QVERIFY(gripper.readFlash(kMain + 384, 256) == Bytes(256, 0xFF));

    gripper.clearFaults();
    gripper.powerOn();
    QCOMPARE(gripper.state(), State::ProductBootloader);
    QVERIFY(gripper.waitForState(State::Halted, 2000ms));
    line.write(versionRequest());
    QCOMPARE(line.readFor(150).size(), size_t(0));
}

QTEST_GUILESS_MAIN(TestSimRom)
#include "tst_sim_rom.moc"
