// The simulated firmware's Modbus slave where pymodbus (peers.py) and the
// wizard's runs do not look: requests a real slave refuses or ignores, the
// product bootloader's window, a K01 whose GB1 has no firmware, and faults
// that would otherwise pass unnoticed. Every kind's version reply and
// reboot, and a unit with no firmware to start after the window, are met by
// the identification, flash and download tests.

#include <QtTest>

#include "gripper_sim.h"
#include "hostline.h"

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

    // A write of another value or to another register, an unknown function:
    // exceptions, as a real slave gives them (an illegal address is
    // pymodbus's).
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
}

void TestSimModbus::k01RelaysToItsGb1()
{
    // The hand-over to the GB1's ROM and back is read by pymodbus
    // (peers.py) and by the engine's GB1 update. A K01 whose GB1 has no
    // firmware reports its target failing (a K01 alone has no second block:
    // identification finds no GB1 behind it).
    GripperConfig config;
    config.kind = Kind::K01WithGB1;
    config.secondaryMainFirmware = false;
    std::unique_ptr<Gripper> broken(runningGripper(config));
    QVERIFY(broken);
    HostLine line(broken->path());
    line.write({0x09, 0x03, 0x0D, 0xAC, 0x00, 0x03, 0xC6, 0x0E});
    QCOMPARE(line.read(5), withCrc({0x09, 0x83, 0x0B}));
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
