// The fault matrix: each fault the simulated gripper can inject, on each path
// it reaches, must end in something the user is shown (a dialog, a retry he
// is told about, or the finished run) and never in a hang, a crash or a
// failure passed off as success. Rows already played by tests/download,
// tests/identification and tests/pages are not repeated here. Every row
// prints how long the user waited for what he saw ("fault-matrix:" lines).
// The last rows are decided by a rule, without a wizard: ready markers, the
// line lock, the image folder, hung probes, COM names.

#include "downloadharness.h"
#include "firmwarechoice.h"
#include "freescaleparse.h"
#include "portnumbers.h"
#include "portprobe.h"
#include "qextserialenumerator.h"
#include "testpty.h"

#include <QtTest>

#include <future>
#include <sys/file.h>
#include <sys/ioctl.h>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(sim::Faults)

namespace {

using F = sim::Faults;
const QString kRetryText = QStringLiteral("If the device is turned off, turn it on.");
const QString kVerifyWaiting = QStringLiteral("The wizard verifies if the firmware update was done properly.");

void report(const char *path, qint64 ms, const QString &seen)
{
    qInfo("fault-matrix: %s | %s | %lld ms | %s", path, QTest::currentDataTag(), ms, qPrintable(seen.left(90)));
}

// What the download page ended in, for the user: the first dialog's text,
// "retry" (the page starts its entry again, Cancel usable), "done"
// ("Verify version" usable) or "hang" when none of these came within limitMs.
// The time runs from the moment faultHit() first held; it is reported
// under `path`, and given in `waited` when asked for.
QString watchRun(const char *path, DownloadHarness &h, const std::function<bool()> &faultHit, int limitMs,
                 qint64 *waited = nullptr)
{
    QElapsedTimer sinceFault;
    QString seen;
    qint64 seenAt = -1;
    // A timer rather than the wait's own polling: it keeps running inside
    // the dialog's event loop, so the dialog is timed as it shows.
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!sinceFault.isValid() && faultHit())
            sinceFault.start();
        if (!seen.isEmpty())
            return;
        if (QMessageBox *box = testdialogs::visibleMessageBox())
            seen = box->text();
        else if (h.answerer->count() > 0)
            seen = h.answerer->texts().first();
        else if (h.wizard->currentId() == 3 && h.button(QWizard::CommitButton)->isEnabled()
                 && h.button(QWizard::CommitButton)->isVisible())
            seen = QStringLiteral("done");
        else if (h.askingForPowerCycle())
            seen = QStringLiteral("retry");
        if (!seen.isEmpty() && sinceFault.isValid())
            seenAt = sinceFault.elapsed();
    });
    poll.start();
    DownloadHarness::waitFor([&] { return !seen.isEmpty(); }, limitMs);
    if (seen.isEmpty())
        seen = QStringLiteral("hang");
    report(path, seenAt, seen);
    if (waited)
        *waited = seenAt;
    return seen;
}

// The entry of the port page that names this port, whatever its suffix.
QString entryFor(const DownloadHarness &h, const QString &port)
{
    QComboBox *list = h.deviceList();
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).startsWith(port))
            return list->itemText(i);
    }
    return QString();
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void identification_data();
    void identification();
    void entry_data();
    void entry();
    void flash_data();
    void flash();
    void freescale_data();
    void freescale();
    void verifyPage_data();
    void verifyPage();
    void powerLossRecovery_data();
    void powerLossRecovery();
    void emptyMarkersAreNoMarkers_data();
    void emptyMarkersAreNoMarkers();
    void comNamesInAnyCase();
    void bluetoothPortsOnlyWhenNamed();
    void strayImageInTheWorkingFolderIsNotTaken();
    void refusedOpenLeavesTheLineAsItWas();
    void hungOpenIsNamedAndTheScanGoesOn();
};

void TestFaults::identification_data()
{
    QTest::addColumn<bool>("inRom");
    QTest::addColumn<sim::Faults>("faults");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("firmware silent") << false << oneFault(&F::modbusNoAnswer, true) << QString();
    QTest::newRow("firmware 300 ms late") << false << oneFault(&F::modbusDelayMs, 300) << QString();
    QTest::newRow("firmware 1.5 s late") << false << oneFault(&F::modbusDelayMs, 1500) << QString();
    QTest::newRow("firmware reply in halves") << false << oneFault(&F::modbusSplitGapMs, 60) << QStringLiteral("(C)");
    QTest::newRow("ROM silent") << true << oneFault(&F::romNoSyncAnswer, true) << QString();
    QTest::newRow("ROM wrong ack") << true << oneFault(&F::romSyncWrongByte, 0x55) << QString();
    QTest::newRow("ROM stray zero") << true << oneFault(&F::romSyncStrayZero, true) << QStringLiteral("(BL_STM32)");
}

void TestFaults::identification()
{
    QFETCH(bool, inRom);
    QFETCH(sim::Faults, faults);
    QFETCH(QString, suffix);
    DownloadHarness h;
    sim::GripperConfig config;
    config.bootToRom = inRom;
    sim::Gripper &gripper = h.addGripper(config, QStringLiteral("gripper"));
    QVERIFY(h.startOnce(gripper, faults, inRom ? sim::State::Rom : sim::State::Firmware));
    QElapsedTimer scan;
    scan.start();
    QVERIFY(h.toPortPage());
    const QString port = h.port(QStringLiteral("gripper"));
    QVERIFY(h.waitFor([&] { return !entryFor(h, port).isEmpty(); }, 10000));
    report("identification", scan.elapsed(), QStringLiteral("listed as ") + entryFor(h, port).mid(port.size()));
    // Whatever went wrong, the port stays listed so "Manual reboot" can reach it.
    QCOMPARE(entryFor(h, port), port + suffix);
    QCOMPARE(h.answerer->count(), 0);
}

void TestFaults::entry_data()
{
    QTest::addColumn<sim::Faults>("faults");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("reboot request unanswered") << oneFault(&F::modbusNoAnswer, true) << QStringLiteral("retry");
    QTest::newRow("reboot request refused") << oneFault(&F::modbusException, 4) << QStringLiteral("retry");
    QTest::newRow("reboot echo 1.5 s late") << oneFault(&F::modbusDelayMs, 1500) << QStringLiteral("retry");
    // Far enough apart that no busy machine reads them as one.
    QTest::newRow("reboot echo in halves") << oneFault(&F::modbusSplitGapMs, 400) << QStringLiteral("retry");
    // Through both synchronisation attempts: the page starts its entry again.
    QTest::newRow("ROM silent") << oneFault(&F::romNoSyncAnswer, true) << QStringLiteral("retry");
    QTest::newRow("ROM answers a wrong byte") << oneFault(&F::romSyncWrongByte, 0x55) << kLost;
    QTest::newRow("stray zero before the ROM ack") << oneFault(&F::romSyncStrayZero, true) << QStringLiteral("done");
}

void TestFaults::entry()
{
    QFETCH(sim::Faults, faults);
    QFETCH(QString, outcome);
    DownloadHarness h;
    sim::Gripper &gripper = h.addGripper(sim::Kind::GC, QStringLiteral("gripper"));
    QVERIFY(h.startOnce(gripper));
    QVERIFY(h.pastPortPage(h.gripperEntry(QStringLiteral("(C)"))));
    QVERIFY(h.chooseImages(QString(), kCarried));
    gripper.setFaults(faults);
    gripper.clearLogs();
    QVERIFY(h.commitUpdate());

    const QString seen = watchRun("STM32 entry", h, [] { return true; }, 90000);
    QCOMPARE(seen, outcome);
    if (seen == QLatin1String("retry")) {
        // The retry is real: once the gripper behaves, the user cycles its
        // power as told, as often as it takes, and the same run goes through.
        gripper.clearFaults();
        int cycles = 0;
        QElapsedTimer lastCycle;
        QVERIFY(h.waitFor(
            [&] {
                if (h.statusText().startsWith(kRetryText) && (!lastCycle.isValid() || lastCycle.elapsed() > 3000)) {
                    gripper.powerCycle();
                    lastCycle.start();
                    ++cycles;
                }
                return h.button(QWizard::CommitButton)->isEnabled() && h.button(QWizard::CommitButton)->isVisible();
            },
            60000));
        qInfo("fault-matrix: %s: power cycles until it went through: %d", QTest::currentDataTag(), cycles);
        QCOMPARE(h.answerer->count(), 0);
    }
    if (seen == kLost) {
        QVERIFY(h.waitFor([&] { return h.wizardClosed(); }, 5000));
        // A ROM that answers wrongly is asked nothing at all.
        QVERIFY(gripper.romLog().commands.empty());
        return;
    }
    QVERIFY(flashHoldsExactly(gripper, kMainAddress, resourceBytes(kCarried), kMainRegion));
}

void TestFaults::flash_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<sim::Faults>("faults");
    QTest::newRow("erase refused") << "erase" << oneFault(&F::romEraseNack, true);
    QTest::newRow("write refused") << "write" << oneFault(&F::romNackAtWrite, 100);
    QTest::newRow("byte read back wrong") << "verify" << oneFault(&F::romFlipAtWrite, 200);
    QTest::newRow("start refused") << "start" << oneFault(&F::romGoNack, true);
}

void TestFaults::flash()
{
    QFETCH(QString, path);
    QFETCH(sim::Faults, faults);
    DownloadHarness h;
    sim::Gripper &gripper = h.addGripper(sim::Kind::GC, QStringLiteral("gripper"));
    QVERIFY(h.startOnce(gripper, faults));
    QVERIFY(h.runToDownload(h.gripperEntry(QStringLiteral("(C)")), QString(), kCarried));

    // Timed from the refusal, or from the first read-back.
    const QString seen = watchRun(qPrintable(path), h, [&] {
        const sim::RomLog rom = gripper.romLog();
        return rom.nacks > 0 || rom.reads > 0;
    }, 120000);
    QCOMPARE(seen, kLost);
    QVERIFY(h.waitFor([&] { return h.wizardClosed(); }, 5000));
    // Never started: left in its ROM, where a "Manual reboot" run can write it.
    QVERIFY(gripper.romLog().goAddresses.empty());
}

void TestFaults::freescale_data()
{
    QTest::addColumn<bool>("manual");
    QTest::addColumn<sim::Faults>("faults");
    QTest::addColumn<QString>("outcome");
    const sim::Faults noReport = oneFault(&F::freescaleNoReport, true);
    QTest::newRow("no load report") << false << noReport << kWatchdogText;
    QTest::newRow("no load report, manual reboot") << true << noReport << kWatchdogText;
    QTest::newRow("reboot request refused") << false << oneFault(&F::modbusException, 4) << kWatchdogText;
    QTest::newRow("reboot request unanswered") << false << oneFault(&F::modbusNoAnswer, true) << kWatchdogText;
}

void TestFaults::freescale()
{
    QFETCH(bool, manual);
    QFETCH(sim::Faults, faults);
    QFETCH(QString, outcome);
    KORVANE_SKIP_IF(freescaleSkipReason());
    DownloadHarness h;
    sim::Gripper &gripper = h.addGripper(gsGripper(), QStringLiteral("gripper"));
    QVERIFY(h.startOnce(gripper));
    QVERIFY(h.toEntry(h.gripperEntry(QStringLiteral("(S)"))));
    h.setManualReboot(manual);
    gripper.setFaults(faults);
    gripper.clearLogs();
    h.button(QWizard::NextButton)->click();
    if (manual) {
        // Answers the power-off box, then cycles the power when told to.
        QVERIFY(h.waitFor([&] { return h.statusText().startsWith(QLatin1String("Please turn the gripper back on")); },
                          10000));
        h.answerer->clear();
        gripper.powerCycle();
    } else {
        QVERIFY(h.commitUpdate());
    }

    // Timed from the last image byte, when the report is due, or from the
    // reboot request.
    const long imageBytes = long(freescaleImage().size());
    qint64 waited = -1;
    const QString seen = watchRun(
        "GS transfer", h,
        [&] { return !faults.freescaleNoReport || gripper.status().freescale.bytesReceived >= imageBytes; }, 30000,
        &waited);
    QCOMPARE(seen, outcome);
    QVERIFY(h.waitFor([&] { return h.wizardClosed(); }, 5000));
    // A bootloader that never greeted is given its whole five seconds, and
    // none of the image goes to a gripper that did not reboot.
    if (!manual && !faults.freescaleNoReport) {
        QVERIFY2(waited >= 4500, qPrintable(QString::number(waited)));
        QCOMPARE(gripper.status().freescale.bannersPrinted, 0);
    }
}

// These come through in the end; a silent one: tst_pageverifynewversion.
void TestFaults::verifyPage_data()
{
    QTest::addColumn<sim::Faults>("faults");
    QTest::newRow("reply 1.5 s late") << oneFault(&F::modbusDelayMs, 1500);
    QTest::newRow("reply in halves 400 ms apart") << oneFault(&F::modbusSplitGapMs, 400);
}

void TestFaults::verifyPage()
{
    QFETCH(sim::Faults, faults);
    DownloadHarness h;
    sim::Gripper &gripper = h.addGripper(sim::Kind::GC, QStringLiteral("gripper"), {1, 6, 9});
    QVERIFY(h.startOnce(gripper));
    QVERIFY(h.toEntry(h.gripperEntry(QStringLiteral("(C)"))));
    gripper.setFaults(faults);
    // The page as "Verify version" opens it after an update of this gripper.
    QWizardPage *page = h.wizard->page(4);
    QElapsedTimer since;
    since.start();
    page->initializePage();
    QLabel *label = page->findChild<QLabel *>();
    QVERIFY(h.waitFor([&] { return label->text() != kVerifyWaiting; }, 60000));
    report("verify page", since.elapsed(), label->text());
    QCOMPARE(label->text(), QStringLiteral("The current version of the firmware is GC3-1.6.9."));
    QCOMPARE(h.answerer->count(), 0);
}

void TestFaults::powerLossRecovery_data()
{
    const int packets = (resourceBytes(kCarried).size() + 251) / 252;
    QTest::addColumn<int>("packet");
    // Before the image's start-up code is in flash: a unit that answers
    // nothing.
    QTest::newRow("early") << 3;
    QTest::newRow("middle") << packets / 2;
    QTest::newRow("last") << packets;
}

void TestFaults::powerLossRecovery()
{
    QFETCH(int, packet);
    DownloadHarness h;
    sim::Gripper &gripper = h.addGripper(sim::Kind::GC, QStringLiteral("gripper"));
    QVERIFY(h.startOnce(gripper, oneFault(&F::romPowerLossAtWrite, packet)));
    QVERIFY(h.runToDownload(h.gripperEntry(QStringLiteral("(C)")), QString(), kCarried));

    const QString seen = watchRun("write", h, [&] { return gripper.state() == sim::State::Off; }, 120000);
    QCOMPARE(seen, kLost);
    QVERIFY(h.waitFor([&] { return h.wizardClosed(); }, 5000));
    // The row really struck the packet it names: the last one ends the image.
    const std::vector<sim::RomWrite> writes = gripper.romLog().writes;
    QCOMPARE(int(writes.size()), packet);
    const uint32_t imageEnd = kMainAddress + uint32_t(resourceBytes(kCarried).size());
    const bool endsImage = writes.back().address + writes.back().length == imageEnd;
    QCOMPARE(endsImage, QTest::currentDataTag() == QByteArray("last"));

    // Powered again, it starts what it has, is listed with its kind, and a
    // "Manual reboot" run reboots it by request, no power cycle asked for.
    // With nothing it can start it is listed without a kind: the user
    // chooses the image and cycles the power when asked.
    const bool dead = QTest::currentDataTag() == QByteArray("early");
    gripper.clearFaults();
    gripper.clearLogs();
    gripper.powerOn();
    QVERIFY(gripper.waitForState(dead ? sim::State::Halted : sim::State::Firmware, 5s));
    h.restartWizard();
    if (dead) {
        QVERIFY(h.pastPortPage(h.port(QStringLiteral("gripper")), true));
        QVERIFY(h.updateWith(QString(), kCarried));
        QVERIFY(h.waitFor([&] { return h.askingForPowerCycle(); }, 10000));
        gripper.powerCycle();
    } else {
        QVERIFY(h.pastPortPage(h.gripperEntry(QStringLiteral("(C)")), true));
        QCOMPARE(h.wizard->currentId(), 3);
    }
    QVERIFY(h.waitFor([&] { return h.statusText().endsWith(QLatin1String("Software Version: GC3-1.6.9")); }, 90000));
    QCOMPARE(h.entryRetries > 0, dead);
    QVERIFY(flashHoldsExactly(gripper, kMainAddress, resourceBytes(kCarried), kMainRegion));
    QCOMPARE(gripper.state(), sim::State::Firmware);
    QCOMPARE(h.answerer->count(), 0);
}

void TestFaults::emptyMarkersAreNoMarkers_data()
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

void TestFaults::emptyMarkersAreNoMarkers()
{
    QFETCH(QByteArrayList, markers);
    QFETCH(QByteArray, received);
    QFETCH(bool, ready);
    QCOMPARE(holdsReadyMarker(received, markers), ready);
    // A build without any refuses the GS path before a byte is sent.
    QCOMPARE(missingMarkerRefusal(markers).isEmpty(), !markers.first().isEmpty());
}

void TestFaults::comNamesInAnyCase()
{
    // KORVANE_EXTRA_PORTS=com11 is one port for korvane-flash and the wizard.
    for (const char *name : {"COM11", "com11", "Com11", "\\\\.\\com11"})
        QVERIFY2(korvane::comNumberFromName(name) == 11, name);
    for (const char *name : {"ttyUSB0", "COM", "COM1x"})
        QVERIFY2(korvane::comNumberFromName(name) == 0, name);
}

void TestFaults::bluetoothPortsOnlyWhenNamed()
{
    QextPortInfo adapter{QStringLiteral("COM3"), QStringLiteral("COM3"), QString(), QStringLiteral("FTDIBUS")};
    QextPortInfo bluetooth{QStringLiteral("COM7"), QStringLiteral("COM7"), QString(), QStringLiteral("BTHENUM")};
    const auto listed = [&](const QStringList &named) {
        QStringList names;
        for (const QextPortInfo &port :
             QextSerialEnumerator::listPorts({adapter, bluetooth}, named, [](const QString &n) { return n.toUpper(); }))
            names.append(port.portName);
        return names;
    };
    QCOMPARE(listed({}), QStringList{"COM3"});
    QCOMPARE(listed({"com7"}), (QStringList{"COM3", "com7"}));
}

void TestFaults::strayImageInTheWorkingFolderIsNotTaken()
{
    KORVANE_SKIP_IF(freescaleSkipReason());
    const QByteArray carried = freescaleImage();
    QTemporaryDir elsewhere;
    QVERIFY(QDir(elsewhere.path()).mkdir(QStringLiteral("firmwares")));
    QFile stray(elsewhere.filePath(QStringLiteral("firmwares/")) + QLatin1String(FreescaleConfig::kImageName));
    QVERIFY(stray.open(QIODevice::WriteOnly) && stray.write("S00600004844521B\n") > 0 && stray.flush());
    const QString runDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    FirmwareImage image;
    Phrase error;
    const bool found = FirmwareChoice::imageFor(QStringLiteral("GS"), GS, {}, &image, &error);
    QDir::setCurrent(runDir);
    // The one beside the program, the same as the run folder's here.
    QVERIFY2(found, qPrintable(error.english));
    QCOMPARE(image.content, carried);
}

void TestFaults::refusedOpenLeavesTheLineAsItWas()
{
    // Another of our programs on the line, as the bootloader library's
    // session holds it: locked, exclusive, in settings of its own.
    TestPty pty;
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
    int exclusive = 0;
    QVERIFY(tcgetattr(holder, &after) == 0 && ::ioctl(holder, TIOCGEXCL, &exclusive) == 0);
    QCOMPARE(cfgetospeed(&after), cfgetospeed(&before));
    QCOMPARE(after.c_iflag, before.c_iflag);
    QCOMPARE(after.c_cflag, before.c_cflag);
    QCOMPARE(exclusive, 1);
    ::close(holder);
}

void TestFaults::hungOpenIsNamedAndTheScanGoesOn()
{
    QTemporaryDir dir;
    sim::GripperConfig config;
    config.publishPath = dir.filePath(QStringLiteral("gc")).toStdString();
    sim::Gripper gripper(config);
    QVERIFY(gripper.waitForState(sim::State::Firmware, 5s));
    const QString gc = QString::fromStdString(config.publishPath);
    const QString hung = dir.filePath(QStringLiteral("bluetooth"));

    // The first open of one port's probe never returns (a Bluetooth port
    // connecting to a device out of reach) until the test lets it.
    struct Hang
    {
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::atomic<bool> returned{false};
    };
    const auto hang = std::make_shared<Hang>();
    const auto romAnswers = [hang, hung](const QString &port, uint32_t timeoutMs) {
        if (port != hung)
            return PortProbe::romAnswersOnOwnSession(port, timeoutMs);
        hang->released.wait();
        return !(hang->returned = true);
    };
    const QList<ProbedDevice> found = PortProbe::identifyAll({{hung, hung, {}, {}}, {gc, gc, {}, {}}}, romAnswers);
    QCOMPARE(found.size(), 2);
    QVERIFY(found.at(0).unavailable && found.at(0).openError == ETIMEDOUT);
    QCOMPARE(found.at(1).kind, GC);
    // Named while still stuck; its thread ends once its open returns.
    QVERIFY(!hang->returned);
    hang->release.set_value();
    QTRY_VERIFY(hang->returned);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
