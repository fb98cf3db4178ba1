// The GS family's Freescale bootloader and the text-only ports where the
// product's runs do not look: a host that ignores XOFF, and output nobody
// reads. A paced load, its dots and report, and a
// missing or early report are asserted where the wizard meets them (the
// download, engine, fault and flash tests), the older GS's marker where
// identification meets it. Unplug and replug, several
// grippers driven at once and the API called from other threads are the
// daily bread of the hot-plug, identification, korvane-flash, bootloader
// library and Windows tests.

#include <QRegularExpression>
#include <QtTest>

#include <cstdio>

#include "gripper_sim.h"
#include "hostline.h"

using namespace korvane::sim;
using namespace std::chrono_literals;

namespace {

std::string record(char type, uint32_t address, size_t addressBytes, const Bytes &data)
{
    Bytes body{uint8_t(addressBytes + data.size() + 1)};
    for (size_t i = addressBytes; i-- > 0;)
        body.push_back(uint8_t(address >> (8 * i)));
    body.insert(body.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (uint8_t b : body)
        sum += b;
    body.push_back(uint8_t(~sum));
    std::string line = std::string("S") + type;
    char hex[3];
    for (uint8_t b : body) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    return line + "\r\n";
}

// Program records (S1) with an S0 header naming the version and an S9 end
// record.
std::string makeImage(const std::string &header, int programRecords)
{
    std::string image = record('0', 0, 2, Bytes(header.begin(), header.end()));
    for (int i = 0; i < programRecords; ++i) {
        Bytes data(32);
        for (size_t j = 0; j < data.size(); ++j)
            data[j] = uint8_t(i * 7 + int(j));
        image += record('1', uint32_t(0x100 + 32 * i), 2, data);
    }
    return image + record('9', 0x100, 2, {});
}

GripperConfig gsConfig(Kind kind = Kind::GS)
{
    GripperConfig config;
    config.kind = kind;
    config.version = Version{1, 0, 3};
    config.freescaleWindowMs = 200;
    return config;
}

// "Loaded 0x" 4 lower-case hex digits " Program and 0x" 4 digits " Data words".
bool containsLoadReport(const std::string &text)
{
    static const QRegularExpression report(QStringLiteral("Loaded 0x[0-9a-f]{4} Program and 0x[0-9a-f]{4} Data words"));
    return report.match(QString::fromStdString(text)).hasMatch();
}

} // namespace

class TestSimFreescale : public QObject {
    Q_OBJECT

private slots:
    void hostIgnoringXoffLosesTheImage();
    void outputIsLostWhileNoHostListens();
};

void TestSimFreescale::hostIgnoringXoffLosesTheImage()
{
    GripperConfig config = gsConfig();
    config.freescaleBufferBytes = 256;
    config.freescaleDrainBytesPerSecond = 20000;
    Gripper gripper(config);
    QVERIFY(gripper.waitForState(State::Firmware, 2000ms));
    HostLine line(gripper.path(), false);
    line.write(rebootRequest());
    line.readUntil("ready\r\n", 1000);

    const std::string image = makeImage("GS-2.1.0", 300);
    QVERIFY(line.write(Bytes(image.begin(), image.end())));
    std::string out = line.readUntil("Data words\r\n", 5000);
    QVERIFY(out.find('\x13') != std::string::npos); // XOFF reached the reader: nobody obeyed it
    Status status = gripper.status();
    QVERIFY(!status.freescale.hostFlowControl);
    QVERIFY(status.freescale.overflowBytes > 0);
    // The report still comes, but the half image does not run.
    QVERIFY(containsLoadReport(out));
    QVERIFY(gripper.waitForState(State::Halted, 1000ms));
    line.write(versionRequest());
    QCOMPARE(line.readFor(100).size(), size_t(0));
}

void TestSimFreescale::outputIsLostWhileNoHostListens()
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

QTEST_GUILESS_MAIN(TestSimFreescale)
#include "tst_sim_freescale.moc"
