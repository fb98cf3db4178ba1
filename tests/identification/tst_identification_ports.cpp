#include "bootloaderlink.h"
#include "communication.h"
#include "modbuscrc.h"
#include "simgrippers.h"
#include "testpty.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

QextPortInfo portInfo(const QString &name, const QString &enumName)
{
    QextPortInfo port;
    port.portName = name;
    port.physName = name;
    port.enumName = enumName;
    return port;
}

// Descriptors this process holds on a device, by number. The simulator
// keeps its own; any other one after a probe is a port the probe leaked.
QSet<QString> descriptorsOn(const QString &device)
{
    QSet<QString> found;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == device)
            found.insert(fd);
    }
    return found;
}

// Plays a device on a test pty: once the version request has arrived (after
// whatever came before it), writes `first`, then `later` after a pause.
class ScriptedDevice
{
public:
    ScriptedDevice(TestPty &pty, QByteArray first, QByteArray later)
        : m_thread([this, &pty, first, later] {
            const QByteArray request = QByteArray::fromHex("090301f40003448d");
            QByteArray seen;
            while (m_running && !seen.contains(request))
                seen += pty.readMaster(1, 20);
            if (!m_running)
                return;
            pty.writeMaster(first);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (!later.isEmpty())
                pty.writeMaster(later);
        })
    {
    }
    ~ScriptedDevice()
    {
        m_running = false;
        m_thread.join();
    }

private:
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};

} // namespace

// What identification does with one port: which ports it leaves alone, what
// it makes of answers that are not a clean version reply, ports that come
// and go, and that it never keeps a port open.
class TestIdentificationPorts : public QObject
{
    Q_OBJECT

private slots:
    void portsThatAreNeverProbed();
    void textAndOddAnswersAfterTheModbusRequest_data();
    void textAndOddAnswersAfterTheModbusRequest();
    void portVanishingMidProbeLeavesNothingOpen();
    void unitArrivingDuringADownloadLeavesItsLineAlone();
    void romAnsweringAfterItsProbeGaveUpIsFound_data();
    void romAnsweringAfterItsProbeGaveUpIsFound();
};

void TestIdentificationPorts::portsThatAreNeverProbed()
{
    SimBench sims;
    korvane::sim::Gripper &gripper = sims.add(korvane::sim::Kind::GC);
    QVERIFY(sims.settle());
    const QString path = SimBench::pathOf(gripper);
    QextSerialEnumerator::getPorts(); // gives the path its port number
    gripper.clearLogs();

    Communication comm;
    QSignalSpy detected(&comm, &Communication::deviceDetected);

    // The machine's own ports are never touched; a name that gives no port
    // number cannot be handed to the bootloader library.
    comm.handleNewDevice(portInfo(path, QStringLiteral("ACPI")));
    comm.handleNewDevice(portInfo(QStringLiteral("COMX"), QStringLiteral("USB")));
    QTest::qWait(200); // the simulator counts opens and bytes on its own thread
    QCOMPARE(gripper.status().counters.hostOpens, 0);
    QCOMPARE(gripper.status().counters.bytesReceived, 0L);
    QVERIFY(comm.devices.isEmpty());
    QCOMPARE(detected.count(), 0);

    // The same gripper through its real enumerator name is probed.
    comm.handleNewDevice(portInfo(path, QStringLiteral("EXTRA")));
    QCOMPARE(comm.devices.size(), 1);
    QCOMPARE(comm.devices.at(0)->kind, GC);
    QCOMPARE(detected.count(), 1);
}

void TestIdentificationPorts::textAndOddAnswersAfterTheModbusRequest_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("later");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("typeCode");

    QTest::newRow("banner split over both reads") << QByteArray("boot (GS") << QByteArray("2) ready\r\n") << int(GSX)
                                                  << QString();
    QTest::newRow("banner in the later text") << QByteArray("...") << QByteArray("(GS3)") << int(GSX) << QString();
    QTest::newRow("lower-case banner") << QByteArray("(gs1)") << QByteArray() << int(Unidentified) << QString();
    QTest::newRow("exception response") << withCrc(QByteArray::fromHex("098302")) << QByteArray() << int(Unidentified)
                                        << QString();
    QTest::newRow("exception response, then banner")
        << withCrc(QByteArray::fromHex("098302")) << QByteArray("(GS1)\r\n") << int(GSX) << QString();
    QTest::newRow("type code outside the table")
        << withCrc(QByteArray::fromHex("090306") + "XYZ" + QByteArray::fromHex("010203")) << QByteArray()
        << int(Unidentified) << QStringLiteral("XYZ");
    QTest::newRow("type bytes all zero") << withCrc(QByteArray::fromHex("090306000000010203")) << QByteArray()
                                         << int(Unidentified) << QStringLiteral("unknown");
    // The decoder takes what it can, but the table decides the kind: a GC
    // reply cut short still counts as a GC.
    QTest::newRow("version reply without its CRC") << QByteArray::fromHex("090306474333010609") << QByteArray()
                                                   << int(GC) << QStringLiteral("GC3");
}

void TestIdentificationPorts::textAndOddAnswersAfterTheModbusRequest()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, later);
    QFETCH(int, kind);
    QFETCH(QString, typeCode);

    TestPty pty;
    QVERIFY(pty.isValid());
    qputenv("KORVANE_EXTRA_PORTS", pty.path().toLocal8Bit());
    Communication comm;
    QSignalSpy detected(&comm, &Communication::deviceDetected);
    {
        ScriptedDevice device(pty, first, later);
        delete comm.generateDeviceList();
    }
    QCOMPARE(comm.devices.size(), 1);
    const KorvaneDevice *record = comm.devices.at(0);
    QCOMPARE(int(record->kind), kind);
    QCOMPARE(record->typeCode, typeCode);
    QCOMPARE(detected.count(), 1);
}

void TestIdentificationPorts::portVanishingMidProbeLeavesNothingOpen()
{
    SimBench sims;
    korvane::sim::Gripper &gripper = sims.add(korvane::sim::Kind::Silent);
    QVERIFY(sims.settle());
    const QString path = SimBench::pathOf(gripper);
    QextSerialEnumerator::getPorts();

    const QString device = QFileInfo(path).canonicalFilePath();
    QVERIFY(device.startsWith(QStringLiteral("/dev/")));

    Communication comm;
    QSignalSpy detected(&comm, &Communication::deviceDetected);
    const QSet<QString> simulatorOwn = descriptorsOn(device);

    // A silent port keeps identification listening for more than a second,
    // long enough to pull the cable in the middle.
    QTimer::singleShot(400, [&gripper] { gripper.unplug(); });
    comm.handleNewDevice(portInfo(path, QStringLiteral("EXTRA")));

    QVERIFY(simulatorOwn.contains(descriptorsOn(device)));
    QVERIFY(comm.devices.isEmpty());
    QCOMPARE(detected.count(), 0);
}

void TestIdentificationPorts::unitArrivingDuringADownloadLeavesItsLineAlone()
{
    // A batch of manual-reboot units: the next one is plugged in while the
    // one before is being written over the process-wide bootloader line. Its
    // probe must neither take that line over nor close it.
    SimBench sims;
    korvane::sim::GripperConfig inRom;
    inRom.bootToRom = true;
    korvane::sim::Gripper &writing = sims.add(inRom);
    korvane::sim::Gripper &arriving = sims.add(inRom);
    QVERIFY(sims.settle());
    QextSerialEnumerator::getPorts();

    LibraryLink download;
    QCOMPARE(int(download.open(SimBench::pathOf(writing))), 0);
    // Set as a download sets it: the probes before left the process-wide
    // library at their own 25 ms, which a loaded machine's ROM may outlast.
    download.setTimeout(1000);
    QCOMPARE(int(download.init()), 0);

    Communication comm;
    comm.handleNewDevice(portInfo(SimBench::pathOf(arriving), QStringLiteral("EXTRA")));
    QCOMPARE(comm.devices.size(), 1);
    QCOMPARE(comm.devices.at(0)->kind, BL_STM32);

    // The download's line is still open on its gripper and still answers.
    QVERIFY(download.isOpen());
    uint8_t version = 0;
    Commands commands = {};
    QCOMPARE(int(download.get(&version, &commands)), 0);
    QCOMPARE(writing.romLog().commands, std::vector<uint8_t>{0x00});
    download.close();
}

void TestIdentificationPorts::romAnsweringAfterItsProbeGaveUpIsFound_data()
{
    QTest::addColumn<int>("baud");
    QTest::newRow("answers at once") << 0;
    // Its answers come a byte at a time, the last ones after the first was
    // read: asked again before they are all in, one would be taken for the
    // answer to the new sync.
    QTest::newRow("answers trickling in") << 9600;
}

void TestIdentificationPorts::romAnsweringAfterItsProbeGaveUpIsFound()
{
    // A loaded machine: the ROM's ACK comes after the sync's time-outs, so
    // the Modbus request that follows meets a ROM, which NACKs it.
    QFETCH(int, baud);
    SimBench sims;
    korvane::sim::GripperConfig inRom;
    inRom.bootToRom = true;
    inRom.pacing.enabled = baud > 0;
    inRom.pacing.baud = baud;
    inRom.pacing.usbFrameMicroseconds = 0;
    korvane::sim::Gripper &late = sims.add(inRom);
    QVERIFY(sims.settle());
    korvane::sim::Faults faults;
    faults.romSyncAckDelayMs = 300;
    late.setFaults(faults);
    QextSerialEnumerator::getPorts();

    Communication comm;
    comm.handleNewDevice(portInfo(SimBench::pathOf(late), QStringLiteral("EXTRA")));
    QCOMPARE(comm.devices.size(), 1);
    QCOMPARE(comm.devices.at(0)->kind, BL_STM32);
    QVERIFY(comm.devices.at(0)->inBootloader);

    // Found in its ROM, the unit is updated without a sync: it must have
    // been left ready for a command, not halfway through one.
    LibraryLink link;
    QCOMPARE(int(link.open(SimBench::pathOf(late))), 0);
    link.setTimeout(1000);
    uint8_t version = 0;
    Commands commands = {};
    QCOMPARE(int(link.get(&version, &commands)), 0);
    link.close();
}

QTEST_GUILESS_MAIN(TestIdentificationPorts)
#include "tst_identification_ports.moc"
