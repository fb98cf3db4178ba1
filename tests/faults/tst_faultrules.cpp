// Rows of the fault matrix decided by a rule rather than by a whole run: an
// image sent to firmware that never rebooted, a line switched under another
// program's update, a stray image taken for every GS gripper, a scan held for
// good by one port, a port named in lower case dropped.

#include "communication.h"
#include "firmwarechoice.h"
#include "freescaleparse.h"
#include "portnumbers.h"
#include "portprobe.h"
#include "qextserialenumerator.h"
#include "simflash.h"
#include "testpty.h"

#include <QTemporaryDir>
#include <QtTest>

#include <future>
#include <sys/file.h>
#include <sys/ioctl.h>

using namespace std::chrono_literals;

class TestFaultRules : public QObject
{
    Q_OBJECT

private slots:
    void emptyMarkersAreNoMarkers_data();
    void emptyMarkersAreNoMarkers();
    void comNamesInAnyCase();
    void bluetoothPortsOnlyWhenNamed();
    void strayImageInTheWorkingFolderIsNotTaken();
    void refusedOpenLeavesTheLineAsItWas();
    void hungOpenIsNamedAndTheScanGoesOn();
};

void TestFaultRules::emptyMarkersAreNoMarkers_data()
{
    QTest::addColumn<QByteArrayList>("markers");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<bool>("ready");
    const QByteArrayList onlyFirst{"Freescale bootloader ready", "", ""};
    const QByteArray echo = QByteArray::fromHex(Communication::kRebootEcho);
    // The firmware's echo of the reboot request is no sign of the bootloader.
    QTest::newRow("only the first set, reboot echo") << onlyFirst << echo << false;
    QTest::newRow("only the first set, nothing yet") << onlyFirst << QByteArray() << false;
    QTest::newRow("only the first set, banner") << onlyFirst << echo + "\r\nFreescale bootloader ready\r\n" << true;
    QTest::newRow("none set") << QByteArrayList{"", "", ""} << echo << false;
}

void TestFaultRules::emptyMarkersAreNoMarkers()
{
    QFETCH(QByteArrayList, markers);
    QFETCH(QByteArray, received);
    QFETCH(bool, ready);
    QCOMPARE(holdsReadyMarker(received, markers), ready);
    // A build without any refuses the GS path before a byte is sent.
    QCOMPARE(missingMarkerRefusal(markers).isEmpty(), !markers.first().isEmpty());
}

void TestFaultRules::comNamesInAnyCase()
{
    // KORVANE_EXTRA_PORTS=com11 is one port for korvane-flash and the wizard.
    for (const char *name : {"COM11", "com11", "Com11", "\\\\.\\com11"})
        QVERIFY2(korvane::comNumberFromName(name) == 11, name);
    for (const char *name : {"ttyUSB0", "COM", "COM1x"})
        QVERIFY2(korvane::comNumberFromName(name) == 0, name);
}

void TestFaultRules::bluetoothPortsOnlyWhenNamed()
{
    QextPortInfo adapter;
    adapter.portName = adapter.physName = QStringLiteral("COM3");
    adapter.enumName = QStringLiteral("FTDIBUS");
    QextPortInfo bluetooth = adapter;
    bluetooth.portName = bluetooth.physName = QStringLiteral("COM7");
    bluetooth.enumName = QStringLiteral("BTHENUM");
    const auto locate = [](const QString &name) { return name.toUpper(); };
    const auto names = [](const QList<QextPortInfo> &ports) {
        QStringList list;
        for (const QextPortInfo &port : ports)
            list.append(port.portName);
        return list;
    };
    QCOMPARE(names(QextSerialEnumerator::listPorts({adapter, bluetooth}, {}, locate)), QStringList{"COM3"});
    QCOMPARE(names(QextSerialEnumerator::listPorts({adapter, bluetooth}, {"com7"}, locate)),
             (QStringList{"COM3", "com7"}));
}

void TestFaultRules::strayImageInTheWorkingFolderIsNotTaken()
{
    KORVANE_SKIP_IF(freescaleSkipReason());
    const QByteArray carried = freescaleImage();
    QTemporaryDir elsewhere;
    QVERIFY(QDir(elsewhere.path()).mkdir(QStringLiteral("firmwares")));
    QFile stray(elsewhere.filePath(QStringLiteral("firmwares/")) + QLatin1String(FreescaleConfig::kImageName));
    QVERIFY(stray.open(QIODevice::WriteOnly) && stray.write("S00600004844521B\n") > 0);
    stray.close();
    const QString runDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    FirmwareImage image;
    QString error;
    const bool found = FirmwareChoice::imageFor(QStringLiteral("GS"), GS, {}, &image, &error);
    QDir::setCurrent(runDir);
    // The one beside the program, where the test build put the same as the
    // run folder's.
    QVERIFY2(found, qPrintable(error));
    QCOMPARE(image.content, carried);
}

void TestFaultRules::refusedOpenLeavesTheLineAsItWas()
{
    // Another of our programs on the line (as the bootloader library's
    // session holds it): locked, exclusive, and in settings of its own.
    TestPty pty;
    QVERIFY(pty.isValid());
    const int holder = ::open(QFile::encodeName(pty.path()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(holder >= 0 && ::flock(holder, LOCK_EX | LOCK_NB) == 0 && ::ioctl(holder, TIOCEXCL) == 0);
    termios before;
    QVERIFY(tcgetattr(holder, &before) == 0);
    cfsetspeed(&before, B57600);
    before.c_iflag |= IXON | IXOFF;
    QVERIFY(tcsetattr(holder, TCSANOW, &before) == 0 && tcgetattr(holder, &before) == 0);

    // As root exclusive mode keeps nobody out: only the lock does.
    QextSerialPort probe(pty.path(), {BAUD115200, DATA_8, PAR_NONE, STOP_1, FLOW_OFF, 100}, QextSerialPort::Polling);
    QVERIFY(!probe.open(QIODevice::ReadWrite));
    termios after;
    QVERIFY(tcgetattr(holder, &after) == 0);
    QCOMPARE(cfgetospeed(&after), cfgetospeed(&before));
    QCOMPARE(after.c_iflag, before.c_iflag);
    QCOMPARE(after.c_cflag, before.c_cflag);
    int exclusive = 0;
    QVERIFY(::ioctl(holder, TIOCGEXCL, &exclusive) == 0);
    QCOMPARE(exclusive, 1);
    ::close(holder);
}

void TestFaultRules::hungOpenIsNamedAndTheScanGoesOn()
{
    QTemporaryDir dir;
    sim::GripperConfig config;
    config.publishPath = dir.filePath(QStringLiteral("gc")).toStdString();
    sim::Gripper gripper(config);
    QVERIFY(gripper.waitForState(sim::State::Firmware, 5s));
    QextPortInfo hung;
    hung.portName = hung.physName = dir.filePath(QStringLiteral("bluetooth"));
    QextPortInfo gc;
    gc.portName = gc.physName = QString::fromStdString(config.publishPath);

    // The open of one port never returns, as a Bluetooth port's connecting
    // to a device out of reach: here the first thing the probe opens.
    struct Hang
    {
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::atomic<bool> returned{false};
    };
    const auto hang = std::make_shared<Hang>();
    const auto romAnswers = [hang, path = hung.physName](const QString &port) {
        if (port != path)
            return PortProbe::romAnswersOnOwnSession(port);
        hang->released.wait();
        hang->returned = true;
        return false;
    };
    const QList<ProbedDevice> found = PortProbe::identifyAll({hung, gc}, romAnswers);
    QCOMPARE(found.size(), 2);
    QVERIFY(found.at(0).unavailable && found.at(0).openError == ETIMEDOUT);
    QCOMPARE(found.at(1).kind, GC);
    // Named while still stuck; its thread ends once its open returns.
    QVERIFY(!hang->returned);
    hang->release.set_value();
    QTRY_VERIFY(hang->returned);
}

QTEST_GUILESS_MAIN(TestFaultRules)
#include "tst_faultrules.moc"
