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
    void eraseWriteReadBackAndGo_data();
    void eraseWriteReadBackAndGo();
    void destructiveCommandsAreCounted();
    void writeFaults();
    void syncFaults();
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

    RomLog log = gripper.romLog();
    QCOMPARE(log.syncs, 1);
    QCOMPARE(log.ignoredBeforeSync, int(versionRequest().size()));
    QCOMPARE(log.nacks, 2);
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
    QCOMPARE(rom.read(kMain, 1024 > 256 ? 256 : 1024), Bytes(before.begin(), before.begin() + 256));
    RomLog log = gripper.romLog();
    QCOMPARE(log.nacks, 12);
    QVERIFY(log.erasedSectors.empty());
    QCOMPARE(log.massErases, 0);
}

void TestSimRom::eraseWriteReadBackAndGo_data()
{
    QTest::addColumn<korvane::sim::Kind>("kind");
    QTest::addColumn<uint>("goAddress");
    QTest::newRow("GC, Go to the product bootloader") << Kind::GC << 0x08000000u;
    QTest::newRow("GC, Go to the main firmware") << Kind::GC << 0x08080000u;
    QTest::newRow("CH, Go to the product bootloader") << Kind::CH << 0x08000000u;
}

void TestSimRom::eraseWriteReadBackAndGo()
{
    QFETCH(korvane::sim::Kind, kind);
    QFETCH(uint, goAddress);
    Gripper gripper(romConfig(kind));
    const uint32_t main = gripper.mainAddress();
    QCOMPARE(main, kind == Kind::CH ? 0x08100000u : 0x08080000u);
    if (goAddress != 0x08000000u)
        goAddress = main;
    HostLine line(gripper.path());
    RomHost rom(line);
    QCOMPARE(rom.sync(), kAck);

    std::vector<uint16_t> sectors;
    for (int s = kind == Kind::CH ? 12 : 8; s < (kind == Kind::CH ? 24 : 12); ++s)
        sectors.push_back(uint16_t(s));
    QCOMPARE(rom.extendedErase(sectors), kAck);
    QVERIFY(gripper.readFlash(main, 123992) == Bytes(123992, 0xFF));
    QVERIFY(gripper.readFlash(0x08000000, 4) != Bytes(4, 0xFF)); // product bootloader kept

    // An odd length: the last packet is padded to a word with 0xFF.
    const Bytes image = buildStandinImage(kind == Kind::CH ? "CH" : "GC3", Version{1, 7, 0}, 123990, main);
    QVERIFY(rom.writeImage(main, image));
    QCOMPARE(rom.readImage(main, image.size()), image);
    QCOMPARE(gripper.readFlash(main, uint32_t(image.size())), image);
    QCOMPARE(gripper.readFlash(main + uint32_t(image.size()), 2), (Bytes{0xFF, 0xFF}));

    QCOMPARE(rom.go(goAddress), kAck);
    QVERIFY(gripper.waitForState(State::Firmware, 2000ms));
    line.write(versionRequest());
    Bytes reply = line.read(11);
    const Bytes type = kind == Kind::CH ? Bytes{'C', 'H', 0} : Bytes{'G', 'C', '3'};
    QCOMPARE(reply, withCrc({0x09, 0x03, 0x06, type[0], type[1], type[2], 1, 7, 0}));

    RomLog log = gripper.romLog();
    QCOMPARE(std::vector<int>(log.erasedSectors.begin(), log.erasedSectors.end()),
             std::vector<int>(sectors.begin(), sectors.end()));
    QCOMPARE(log.writes.size(), size_t((image.size() + 255) / 256));
    QCOMPARE(log.writes.back().length, uint32_t(123992 - 123904)); // padded to 88
    QCOMPARE(log.goAddresses, std::vector<uint32_t>{goAddress});
    QCOMPARE(log.massErases, 0);
    QCOMPARE(log.readoutUnprotects, 0);
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
        QCOMPARE(log.syncs, 2);
    }
    {
        GripperConfig config = romConfig();
        config.legacyEraseRom = true;
        Gripper gripper(config);
        HostLine line(gripper.path());
        RomHost rom(line);
        QCOMPARE(rom.sync(), kAck);
        QCOMPARE(rom.command(0x43), kAck);
        QCOMPARE(rom.send({0x00, 0x08, 0x08}), kAck);
        QVERIFY(gripper.readFlash(kMain, 64) == Bytes(64, 0xFF));
        QVERIFY(gripper.readFlash(0x08000000, 4) != Bytes(4, 0xFF));
        QCOMPARE(gripper.romLog().massErases, 0);
        QCOMPARE(rom.command(0x43), kAck);
        QCOMPARE(rom.send({0xFF, 0x00}), kAck);
        QCOMPARE(gripper.romLog().massErases, 1);
        QVERIFY(gripper.readFlash(0x08000000, 4) == Bytes(4, 0xFF));
    }
}

void TestSimRom::writeFaults()
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

    Faults faults;
    faults.romEraseNack = true;
    gripper.setFaults(faults);
    QCOMPARE(rom.extendedErase({8}), kNack);
    QVERIFY(gripper.readFlash(kMain, 4) != Bytes(4, 0xFF));
    gripper.clearFaults();
    QCOMPARE(rom.extendedErase({8}), kAck);

    const Bytes image = buildStandinImage("GC3", Version{1, 7, 0}, 4096, kMain);
    auto packet = [&](int i) { return Bytes(image.begin() + 256 * i, image.begin() + 256 * (i + 1)); };

    // NACK at the second write: the first is in, the second is not.
    faults = Faults{};
    faults.romNackAtWrite = 2;
    gripper.setFaults(faults);
    QCOMPARE(rom.write(kMain, packet(0)), kAck);
    QCOMPARE(rom.write(kMain + 256, packet(1)), kNack);
    QVERIFY(gripper.readFlash(kMain + 256, 256) == Bytes(256, 0xFF));
    QCOMPARE(rom.write(kMain + 256, packet(1)), kAck);

    // A flipped cell: acknowledged, but the read-back differs in one byte.
    faults = Faults{};
    faults.romFlipAtWrite = 1;
    gripper.setFaults(faults);
    QCOMPARE(rom.write(kMain + 512, packet(2)), kAck);
    const Bytes flipped = packet(2);
    Bytes back = rom.read(kMain + 512, 256);
    QCOMPARE(back.size(), size_t(256));
    int differing = 0;
    for (size_t i = 0; i < 256; ++i)
        differing += back[i] != flipped[i];
    QCOMPARE(differing, 1);

    // Power lost halfway through the next write: no answer, the unit is
    // off, and after power-on the half-written image does not start (its
    // startup code at 0x400 never made it), so the product bootloader's
    // window passes and nothing answers.
    faults = Faults{};
    faults.romPowerLossAtWrite = 1;
    gripper.setFaults(faults);
    const Bytes torn = packet(3);
    QCOMPARE(rom.write(kMain + 768, torn), kSilence);
    QCOMPARE(gripper.state(), State::Off);
    QVERIFY(!gripper.romLog().writes.back().acked);
    QCOMPARE(gripper.readFlash(kMain, 512), Bytes(image.begin(), image.begin() + 512));
    QCOMPARE(gripper.readFlash(kMain + 768, 128), Bytes(torn.begin(), torn.begin() + 128));
    QVERIFY(gripper.readFlash(kMain + 896, 256) == Bytes(256, 0xFF));

    gripper.clearFaults();
    gripper.powerOn();
    QCOMPARE(gripper.state(), State::ProductBootloader);
    QVERIFY(gripper.waitForState(State::Halted, 2000ms));
    line.write(versionRequest());
    QCOMPARE(line.readFor(150).size(), size_t(0));
}

void TestSimRom::syncFaults()
{
    Gripper gripper(romConfig());
    HostLine line(gripper.path());
    RomHost rom(line);

    Faults faults;
    faults.romNoSyncAnswer = true;
    gripper.setFaults(faults);
    QCOMPARE(rom.send({0x7F}, 150), kSilence);

    faults = Faults{};
    faults.romSyncWrongByte = 0x55;
    gripper.setFaults(faults);
    QCOMPARE(rom.sync(), 0x55);

    faults = Faults{};
    faults.romSyncStrayZero = true;
    gripper.setFaults(faults);
    line.write({0x7F});
    QCOMPARE(line.read(2), (Bytes{0x00, 0x79}));
    QCOMPARE(gripper.romLog().syncs, 1);
}

QTEST_GUILESS_MAIN(TestSimRom)
#include "tst_sim_rom.moc"
