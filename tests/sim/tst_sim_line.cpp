// The simulator's line as a host sees it: the published link through unplug
// and replug, output lost while no host listens, and a paced line. Several
// grippers driven at once, their API called from other threads, are the
// daily bread of the korvane-flash, bootloader library and Windows tests.

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include "gripper_sim.h"
#include "romhost.h"

using namespace korvane::sim;
using namespace std::chrono_literals;

namespace {

std::string linkTarget(const std::string &link)
{
    char buffer[256];
    ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, size_t(n)) : std::string();
}

bool exists(const std::string &path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

Bytes versionReply(int major, int minor, int patch)
{
    return withCrc({0x09, 0x03, 0x06, 'G', 'C', '3', uint8_t(major), uint8_t(minor), uint8_t(patch)});
}

} // namespace

class TestSimLine : public QObject {
    Q_OBJECT

private slots:
    void unplugAndReplug();
    void outputIsLostWhileNoHostListens();
    void pacedLineKeepsTheProtocol();
};

void TestSimLine::unplugAndReplug()
{
    QTemporaryDir dir;
    GripperConfig config;
    config.publishPath = dir.filePath("gripper").toStdString();
    config.productBootloaderWindowMs = 100;
    Gripper gripper(config);
    const std::string firstPath = gripper.path();
    QCOMPARE(linkTarget(config.publishPath), firstPath);
    QVERIFY(gripper.waitForState(State::Firmware, 2000ms));

    HostLine line(config.publishPath);
    QVERIFY(line.isOpen());
    line.write(versionRequest());
    QCOMPARE(line.read(11), versionReply(1, 6, 8));

    // Unplugged: the link goes, the open port hangs up, the unit loses power.
    gripper.unplug();
    QVERIFY(!exists(config.publishPath));
    line.read(1, 500);
    QVERIFY(line.hungUp());
    QVERIFY(::write(line.fd(), "x", 1) < 0);
    QCOMPARE(gripper.state(), State::Off);
    line.close();

    // Replugged: a new pty behind the same link, and the unit boots.
    gripper.replug();
    QVERIFY(exists(config.publishPath));
    QCOMPARE(linkTarget(config.publishPath), gripper.path());
    QCOMPARE(gripper.state(), State::ProductBootloader);
    QVERIFY(gripper.waitForState(State::Firmware, 2000ms));
    HostLine again(config.publishPath);
    again.write(versionRequest());
    QCOMPARE(again.read(11), versionReply(1, 6, 8));

    // A self-powered unit keeps running while its port is away.
    gripper.unplug(false);
    QCOMPARE(gripper.state(), State::Firmware);
    gripper.replug();
    QCOMPARE(gripper.state(), State::Firmware);
}

void TestSimLine::outputIsLostWhileNoHostListens()
{
    GripperConfig config;
    config.kind = Kind::Unidentified;
    Gripper gripper(config);

    // Prints nobody listened to are gone, not queued for the next opener.
    QTest::qWait(1200);
    gripper.powerOff();
    QVERIFY(gripper.status().counters.bytesDropped > 0);
    {
        HostLine line(gripper.path());
        QCOMPARE(line.readFor(100).size(), size_t(0));
    }

    // Nor does what a host left unread wait for the next one (once the
    // simulator has seen the close, which takes it well under a millisecond).
    gripper.powerOn();
    {
        HostLine line(gripper.path());
        pollfd p{line.fd(), POLLIN, 0};
        QCOMPARE(::poll(&p, 1, 1500), 1);
        gripper.powerOff();
    }
    QTest::qWait(20);
    HostLine line(gripper.path());
    QCOMPARE(line.readFor(100).size(), size_t(0));
    QCOMPARE(gripper.status().counters.hostOpens, 3);
}

void TestSimLine::pacedLineKeepsTheProtocol()
{
    GripperConfig config;
    config.bootToRom = true;
    config.pacing.enabled = true;
    config.pacing.erase128kSeconds = 0.05;
    Gripper gripper(config);
    HostLine line(gripper.path());
    RomHost rom(line);
    QCOMPARE(rom.sync(), kAck);
    line.write({0x00, 0xFF, 0x02, 0xFD});
    QCOMPARE(line.read(20).size(), size_t(20));
    // The ROM reads nothing while it erases: a command sent meanwhile is
    // answered after the erase's ACK, in order.
    QCOMPARE(rom.command(0x44), kAck);
    line.write({0x00, 0x00, 0x00, 0x08, 0x08, 0x01, 0xFE});
    QCOMPARE(line.read(6, 2000), (Bytes{0x79, 0x79, 0x31, 0x00, 0x00, 0x79}));
    const Bytes image = buildStandinImage("GC3", Version{1, 7, 0}, 2000, 0x08080000);
    QVERIFY(rom.writeImage(0x08080000, image));
    QCOMPARE(rom.readImage(0x08080000, image.size()), image);
}

QTEST_GUILESS_MAIN(TestSimLine)
#include "tst_sim_line.moc"
