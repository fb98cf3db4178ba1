// The bootloader library against the simulated gripper's ROM: what the ROM
// received and what its flash holds afterwards, never the library's insides.

#include "STBLLIB.h"
#include "gripper_sim.h"
#include "portnumbers.h"
#include "session.h"

#include <QtTest>

#include <random>
#include <thread>

using namespace korvane::sim;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t MAIN = 0x08080000;

Bytes randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 gen(seed);
    Bytes b(size);
    for (uint8_t &v : b)
        v = uint8_t(gen());
    return b;
}

GripperConfig romConfig()
{
    GripperConfig c;
    c.bootToRom = true;
    return c;
}

} // namespace

class TestStbl : public QObject
{
    Q_OBJECT

private slots:
    void initSynchronises_data();
    void initSynchronises();
    void getChoosesTheEraseCommand_data();
    void getChoosesTheEraseCommand();
    void writeReadBackVerifyAndGo();
    void portNumbersAndHoldingThePort();
    void vanishedPortEndsTheCallAtOnce();
    void uniqueIdReadOrRefused_data();
    void uniqueIdReadOrRefused();
};

void TestStbl::initSynchronises_data()
{
    QTest::addColumn<int>("wrongByte");
    QTest::addColumn<bool>("strayZero");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("alreadySynced");
    QTest::addColumn<int>("lateMs");
    QTest::addColumn<int>("missed");
    QTest::addColumn<int>("expected");

    QTest::newRow("fresh ROM acknowledges") << -1 << false << false << false << 0 << 0 << 0;
    QTest::newRow("stray 0x00 before ACK") << -1 << true << false << false << 0 << 0 << 0;
    QTest::newRow("synchronised by an earlier probe") << -1 << false << false << true << 0 << 0 << 0;
    // A second 0x7F sent before this ACK arrives would leave the ROM waiting for its complement.
    QTest::newRow("ACK later than the time-out") << -1 << false << false << false << 300 << 0 << 0;
    QTest::newRow("ACK later than twice the time-out") << -1 << false << false << false << 500 << 0 << 0;
    QTest::newRow("first 0x7F unheard") << -1 << false << false << false << 0 << 1 << 0;
    QTest::newRow("wrong answer") << 0x42 << false << false << false << 0 << 0 << int(stbl::RESULT_BAD_ANSWER);
    QTest::newRow("silence") << -1 << false << true << false << 0 << 0 << int(stbl::RESULT_NO_ANSWER);
}

void TestStbl::initSynchronises()
{
    QFETCH(int, wrongByte);
    QFETCH(bool, strayZero);
    QFETCH(bool, silent);
    QFETCH(bool, alreadySynced);
    QFETCH(int, lateMs);
    QFETCH(int, missed);
    QFETCH(int, expected);

    Gripper g(romConfig());
    QVERIFY(g.waitForState(State::Rom, std::chrono::seconds(2)));
    Faults f;
    f.romSyncWrongByte = wrongByte;
    f.romSyncStrayZero = strayZero;
    f.romNoSyncAnswer = silent;
    f.romSyncAckDelayMs = lateMs;
    f.romMissedSyncs = missed;
    g.setFaults(f);

    if (alreadySynced) {
        stbl::Session probe;
        QCOMPARE(probe.open(g.path()), stbl::RESULT_OK);
        probe.setTimeout(200);
        QCOMPARE(probe.init(), stbl::RESULT_OK);
    }

    stbl::Session s;
    QCOMPARE(s.open(g.path()), stbl::RESULT_OK);
    s.setTimeout(200);
    QCOMPARE(int(s.init()), expected);
    QCOMPARE(g.romLog().syncs, expected == 0 ? 1 : 0);
    if (expected == 0) {
        QCOMPARE(s.lastAck(), stbl::ACK);
        // The ROM is left ready for a command whichever way it got there.
        uint8_t version = 0;
        QCOMPARE(s.get(&version, nullptr), stbl::RESULT_OK);
        QCOMPARE(version, uint8_t(0x31));
    } else if (wrongByte >= 0) {
        QCOMPARE(int(s.lastAck()), wrongByte);
    } else {
        QVERIFY(!s.hasAck());
    }
}

void TestStbl::getChoosesTheEraseCommand_data()
{
    QTest::addColumn<bool>("legacyRom");
    QTest::addColumn<bool>("callGet");
    QTest::addColumn<int>("expectedCommand");
    QTest::newRow("extended ROM") << false << true << int(stbl::CMD_EXTENDED_ERASE);
    QTest::newRow("legacy ROM") << true << true << int(stbl::CMD_ERASE);
    QTest::newRow("no Get: extended") << false << false << int(stbl::CMD_EXTENDED_ERASE);
}

void TestStbl::getChoosesTheEraseCommand()
{
    QFETCH(bool, legacyRom);
    QFETCH(bool, callGet);
    QFETCH(int, expectedCommand);

    GripperConfig config = romConfig();
    config.legacyEraseRom = legacyRom;
    // Paced erase: a 128 KiB sector takes far longer than the time-out
    // below, as on the real part.
    config.pacing.enabled = true;
    config.pacing.erase128kSeconds = 0.6;
    Gripper g(config);
    QVERIFY(g.waitForState(State::Rom, std::chrono::seconds(2)));
    QVERIFY(g.readFlash(MAIN, 16) != Bytes(16, 0xFF));

    stbl::Session s;
    QCOMPARE(s.open(g.path()), stbl::RESULT_OK);
    QCOMPARE(s.init(), stbl::RESULT_OK);
    if (callGet) {
        uint8_t version = 0;
        Commands commands{};
        QCOMPARE(s.get(&version, &commands), stbl::RESULT_OK);
        QCOMPARE(bool(commands.ERASE_CMD), legacyRom);
    }
    g.clearLogs();
    const uint16_t sector = 8;
    QCOMPARE(s.erase(&sector, 1), stbl::RESULT_OK);
    const RomLog log = g.romLog();
    QCOMPARE(log.commands, (Bytes{uint8_t(expectedCommand)}));
    QCOMPARE(log.erasedSectors, std::vector<int>{8});
    QCOMPARE(log.massErases, 0);
    QCOMPARE(g.readFlash(MAIN, 0x20000), Bytes(0x20000, 0xFF));

    // A special erase number never reaches the ROM.
    const uint16_t mass = 0xFFFF;
    QCOMPARE(s.erase(&mass, 1), stbl::RESULT_BAD_ARGUMENT);
    QCOMPARE(g.romLog().commands.size(), std::size_t(1));

    // A protected sector's NACK comes back as a refusal.
    Faults f;
    f.romEraseNack = true;
    g.setFaults(f);
    QCOMPARE(s.erase(&sector, 1), stbl::RESULT_NACK);
    QCOMPARE(s.lastAck(), stbl::NACK);
}

void TestStbl::writeReadBackVerifyAndGo()
{
    Gripper g(romConfig());
    QVERIFY(g.waitForState(State::Rom, std::chrono::seconds(2)));
    g.setFlash(MAIN, Bytes(0x20000, 0xFF)); // erased, so writes land without an erase
    stbl::Session s;
    QCOMPARE(s.open(g.path()), stbl::RESULT_OK);
    QCOMPARE(s.init(), stbl::RESULT_OK);
    g.clearLogs();

    // Neither a multiple of the packet size nor of a word.
    const Bytes image = randomBytes(1001, 1);
    s.setPacketSize(255);
    QCOMPARE(s.packetSize(), std::size_t(252));
    std::vector<uint32_t> steps;
    QCOMPARE(s.write(MAIN, image.data(), image.size(),
                     [&](uint32_t done, uint32_t total) {
                         QCOMPARE(total, uint32_t(image.size()));
                         steps.push_back(done);
                     }),
             stbl::RESULT_OK);
    QCOMPARE(steps, (std::vector<uint32_t>{252, 504, 756, 1001}));
    QCOMPARE(g.romLog().writes.size(), std::size_t(4));
    Bytes expected = image;
    expected.resize(1100, 0xFF);
    QCOMPARE(g.readFlash(MAIN, 1100), expected);

    Bytes back(image.size());
    QCOMPARE(s.read(MAIN, back.data(), back.size()), stbl::RESULT_OK);
    QCOMPARE(back, image);
    QCOMPARE(s.verify(MAIN, image.data(), image.size()), stbl::RESULT_OK);
    Bytes flipped = image;
    flipped[700] ^= 0x01;
    QCOMPARE(s.verify(MAIN, flipped.data(), flipped.size()), stbl::RESULT_VERIFY_MISMATCH);

    // Refused before anything is sent.
    g.clearLogs();
    QCOMPARE(s.write(MAIN + 2, image.data(), 8), stbl::RESULT_BAD_ARGUMENT);
    QCOMPARE(s.write(MAIN, image.data(), 0), stbl::RESULT_BAD_ARGUMENT);
    QVERIFY(g.romLog().commands.empty());

    QCOMPARE(s.go(0x08000000), stbl::RESULT_OK);
    QCOMPARE(g.romLog().goAddresses, std::vector<uint32_t>{0x08000000});
}

// The C interface's own parts: ports by number, the acknowledge kept across
// a reopening, and a port held exclusively. The wizard's whole sequence
// through it runs in the engine and download tests, and under Wine.
void TestStbl::portNumbersAndHoldingThePort()
{
    Gripper g(romConfig());
    QVERIFY(g.waitForState(State::Rom, std::chrono::seconds(2)));

    QCOMPARE(SetCOMSettings(korvane::registerPortNumber("never-opened", "/dev/nonexistent-port"), 115200, 8, 1, 1.0f),
             stbl::RESULT_OK);
    QVERIFY(COM_Open() != 0 && COM_is_Open() == 0);
    QVERIFY(SetCOMSettings(99999, 115200, 8, 1, 1.0f) == 0 && COM_Open() == stbl::RESULT_UNKNOWN_PORT);
    QVERIFY(SetCOMSettings(1, 115200, 8, 0, 1.0f) != 0);

    // The pty by the number the serial layer gives it.
    QCOMPARE(SetCOMSettings(korvane::registerPortNumber("ttySIM", g.path()), 115200, 8, 1, 1.0f), stbl::RESULT_OK);
    QCOMPARE(COM_Open(), stbl::RESULT_OK);
    SetTimeOut(100);
    QCOMPARE(STBL_Init_BL(), stbl::RESULT_OK);
    QCOMPARE(COM_Close(), stbl::RESULT_OK);

    // Found in its bootloader by the probe: the next opening does not
    // synchronise again and the acknowledge still reads 0x79.
    QCOMPARE(COM_Open(), stbl::RESULT_OK);
    QCOMPARE(GetAckValue(), stbl::ACK);
    uint8_t version = 0;
    QCOMPARE(STBL_GET(&version, nullptr), stbl::RESULT_OK);
    QCOMPARE(g.romLog().syncs, 1);

    // Nobody else gets the port while the library holds it, and everybody
    // does once it let go. (Checked last: the simulator counts its hosts by
    // watching the pty node and may lose count when an open fails.)
    stbl::Session intruder;
    QCOMPARE(intruder.open(g.path()), stbl::RESULT_OPEN_FAILED);
    QCOMPARE(COM_Close(), stbl::RESULT_OK);
    QCOMPARE(STBL_GO(0x08000000), stbl::RESULT_NOT_OPEN);
    QCOMPARE(intruder.open(g.path()), stbl::RESULT_OK);
}

void TestStbl::vanishedPortEndsTheCallAtOnce()
{
    // Paced at 115200 baud, 64 KiB take about 6.6 s on the wire; the port
    // goes away long before.
    GripperConfig config = romConfig();
    config.pacing.enabled = true;
    Gripper g(config);
    QVERIFY(g.waitForState(State::Rom, std::chrono::seconds(2)));
    g.setFlash(MAIN, Bytes(0x20000, 0xFF)); // erased, so writes land without an erase
    stbl::Session s;
    QCOMPARE(s.open(g.path()), stbl::RESULT_OK);
    QCOMPARE(s.init(), stbl::RESULT_OK);
    g.clearLogs();

    std::thread unplugger([&] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (g.romLog().writes.size() < 3 && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        g.unplug();
    });
    const Bytes image = randomBytes(0x10000, 4);
    const uint8_t r = s.write(MAIN, image.data(), image.size());
    unplugger.join();
    // A hang-up, not a time-out: the port said so and nobody waited it out.
    QCOMPARE(r, stbl::RESULT_IO_ERROR);
    QVERIFY(g.romLog().writes.size() < 0x10000 / 256);
    uint8_t version = 0;
    QCOMPARE(s.get(&version, nullptr), stbl::RESULT_IO_ERROR);
}

void TestStbl::uniqueIdReadOrRefused_data()
{
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("ch");
    QTest::newRow("F405 part") << false << false;
    QTest::newRow("F42x part (CH)") << false << true;
    QTest::newRow("readout-protected ROM") << true << false;
}

// The part's own ID comes back byte for byte; a ROM that refuses it says so
// and still takes the next command.
void TestStbl::uniqueIdReadOrRefused()
{
    QFETCH(bool, refused);
    QFETCH(bool, ch);
    GripperConfig config = romConfig();
    config.kind = ch ? Kind::CH : Kind::GC;
    config.uniqueId = "3a0041001851353432383538";
    Gripper g(config);
    QVERIFY(g.waitForState(State::Rom, std::chrono::seconds(2)));
    Faults faults;
    faults.romUidNack = refused;
    g.setFaults(faults);
    stbl::Session s;
    QCOMPARE(s.open(g.path()), stbl::RESULT_OK);
    QCOMPARE(s.init(), stbl::RESULT_OK);
    uint32_t product = 0;
    Bytes id(stbl::UNIQUE_ID_SIZE, 0);
    QCOMPARE(s.readUniqueId(&product, id.data()), refused ? stbl::RESULT_NACK : stbl::RESULT_OK);
    QCOMPARE(product, ch ? 0x419u : 0x413u);
    if (!refused)
        QCOMPARE(id, (Bytes{0x3a, 0x00, 0x41, 0x00, 0x18, 0x51, 0x35, 0x34, 0x32, 0x38, 0x35, 0x38}));
    QCOMPARE(s.get(nullptr, nullptr), stbl::RESULT_OK);
}

QTEST_GUILESS_MAIN(TestStbl)
#include "tst_stbl.moc"
