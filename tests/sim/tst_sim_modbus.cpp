// The simulated firmware's Modbus slave where pymodbus (peers.py) and the
// wizard's runs do not look: requests a real slave refuses or ignores, the
// product bootloader's window, the K01's line handed to its GB1 and back,
// and faults that would otherwise pass unnoticed. Every kind's version reply
// and reboot are read by the identification, flash and download tests.

#include <QtTest>

#include "gripper_sim.h"
#include "romhost.h"

using namespace korvane::sim;
using namespace std::chrono_literals;

namespace {

Gripper *runningGripper(GripperConfig config)
{
    auto *gripper = new Gripper(config);
    if (!gripper->waitForState(State::Firmware, 3000ms)) {
        delete gripper;
        return nullptr;
    }
    return gripper;
}

} // namespace

class TestSimModbus : public QObject {
    Q_OBJECT

private slots:
    void malformedAndIllegalRequests();
    void productBootloaderWindow();
    void k01RelaysToItsGb1();
    void answerFaults();
};

void TestSimModbus::malformedAndIllegalRequests()
{
    std::unique_ptr<Gripper> gripper(runningGripper(GripperConfig{}));
    QVERIFY(gripper);
    HostLine line(gripper->path());

    // A read running past the version block, a write of another value or to
    // another register, an unknown function: exceptions, as a real slave
    // gives them.
    line.write(withCrc({0x09, 0x03, 0x01, 0xF5, 0x00, 0x03}));
    QCOMPARE(line.read(5), withCrc({0x09, 0x83, 0x02}));
    line.write(withCrc({0x09, 0x10, 0x01, 0x90, 0x00, 0x01, 0x02, 0x2B, 0x00}));
    QCOMPARE(line.read(5), withCrc({0x09, 0x90, 0x03}));
    line.write(withCrc({0x09, 0x10, 0x01, 0x91, 0x00, 0x01, 0x02, 0x2A, 0x00}));
    QCOMPARE(line.read(5), withCrc({0x09, 0x90, 0x02}));
    line.write(withCrc({0x09, 0x07}));
    QCOMPARE(line.read(5), withCrc({0x09, 0x87, 0x01}));

    // A wrong CRC, or another slave's request: no answer at all.
    Bytes corrupt = versionRequest();
    corrupt[7] ^= 0x01;
    line.write(corrupt);
    QCOMPARE(line.readFor(100).size(), size_t(0));
    line.write(withCrc({0x05, 0x03, 0x01, 0xF4, 0x00, 0x03}));
    QCOMPARE(line.readFor(100).size(), size_t(0));

    // The bootloader probe's 0x7F right in front of a request, in the same
    // burst, does not hide it.
    Bytes probeThenRequest{0x7F, 0x7F};
    for (uint8_t b : versionRequest())
        probeThenRequest.push_back(b);
    line.write(probeThenRequest);
    QCOMPARE(line.read(11).size(), size_t(11));

    QCOMPARE(gripper->state(), State::Firmware);
}

void TestSimModbus::productBootloaderWindow()
{
    GripperConfig config;
    config.productBootloaderWindowMs = 400;
    Gripper gripper(config);
    HostLine line(gripper.path());

    // In the window only the reboot request is heard.
    QCOMPARE(gripper.state(), State::ProductBootloader);
    line.write(versionRequest());
    QCOMPARE(line.readFor(60).size(), size_t(0));
    line.write(rebootRequest());
    QCOMPARE(line.read(8), rebootEcho());
    QVERIFY(gripper.waitForState(State::Rom, 1000ms));

    // After the window: the main firmware when it is valid ...
    gripper.powerCycle();
    QVERIFY(gripper.waitForState(State::Firmware, 2000ms));
    line.write(versionRequest());
    QCOMPARE(line.read(11).size(), size_t(11));

    // ... and nothing at all when it is not.
    const uint32_t main = gripper.mainAddress();
    gripper.setFlash(main, Bytes(8, 0xFF));
    gripper.powerCycle();
    QVERIFY(gripper.waitForState(State::Halted, 2000ms));
    line.write(rebootRequest());
    QCOMPARE(line.readFor(100).size(), size_t(0));
}

void TestSimModbus::k01RelaysToItsGb1()
{
    GripperConfig config;
    config.kind = Kind::K01WithGB1;
    config.version = Version{2, 0, 1};
    config.secondaryVersion = Version{1, 4, 2};
    std::unique_ptr<Gripper> gripper(runningGripper(config));
    QVERIFY(gripper);
    QVERIFY(gripper->waitForState(State::Firmware, 1000ms, 1));
    HostLine line(gripper->path());

    // The secondary reboot hands the line to the GB1's ROM; the K01 stays.
    line.write({0x09, 0x10, 0x0D, 0x48, 0x00, 0x01, 0x02, 0x2A, 0x00, 0x0D, 0xB8});
    QCOMPARE(line.read(8), withCrc({0x09, 0x10, 0x0D, 0x48, 0x00, 0x01}));
    QVERIFY(gripper->waitForState(State::Rom, 1000ms, 1));
    QCOMPARE(gripper->state(0), State::Firmware);
    QVERIFY(gripper->status().lineOnSecondary);
    QTest::qWait(20);
    RomHost rom(line);
    QCOMPARE(rom.sync(), kAck);
    QCOMPARE(gripper->romLog(1).syncs, 1);

    // Starting the GB1's firmware gives the line back to the K01.
    QCOMPARE(rom.go(0x08080000), kAck);
    QVERIFY(gripper->waitForState(State::Firmware, 1000ms, 1));
    QVERIFY(!gripper->status().lineOnSecondary);
    line.write(versionRequest());
    QCOMPARE(line.read(11), withCrc({0x09, 0x03, 0x06, 'K', '0', '1', 2, 0, 1}));

    // A K01 whose GB1 has no firmware reports its target failing (a K01
    // alone has no second block: identification finds no GB1 behind it).
    config.secondaryMainFirmware = false;
    std::unique_ptr<Gripper> broken(runningGripper(config));
    QVERIFY(broken);
    HostLine brokenLine(broken->path());
    brokenLine.write({0x09, 0x03, 0x0D, 0xAC, 0x00, 0x03, 0xC6, 0x0E});
    QCOMPARE(brokenLine.read(5), withCrc({0x09, 0x83, 0x0B}));
}

void TestSimModbus::answerFaults()
{
    std::unique_ptr<Gripper> gripper(runningGripper(GripperConfig{}));
    QVERIFY(gripper);
    HostLine line(gripper->path());
    const Bytes reply = withCrc({0x09, 0x03, 0x06, 'G', 'C', '3', 1, 6, 8});

    // The wizard's tests would notice these faults doing nothing, except an
    // unanswered request that is still obeyed and a reply that arrives whole.
    Faults faults;
    faults.modbusNoAnswer = true;
    gripper->setFaults(faults);
    line.write(rebootRequest());
    QCOMPARE(line.readFor(150).size(), size_t(0));
    QCOMPARE(gripper->state(), State::Firmware);

    faults = Faults{};
    faults.modbusSplitGapMs = 300;
    gripper->setFaults(faults);
    line.write(versionRequest());
    Bytes first = line.readFor(150);
    QCOMPARE(first, Bytes(reply.begin(), reply.begin() + 5));
    QCOMPARE(line.read(6, 2000), Bytes(reply.begin() + 5, reply.end()));

    gripper->clearFaults();
    line.write(versionRequest());
    QCOMPARE(line.read(11), reply);
}

QTEST_GUILESS_MAIN(TestSimModbus)
#include "tst_sim_modbus.moc"
