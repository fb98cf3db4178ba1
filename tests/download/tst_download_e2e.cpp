// Whole wizard runs, from the port page to the last page, against simulated
// grippers: what ends up in the gripper's flash, what the bootloader was
// asked, and what the user is shown.

#include "communication.h"
#include "downloadharness.h"
#include "downloadrun.h"
#include "pagefixture.h"
#include "testpty.h"

#include "STBLLIB.h"

#include <QtTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(sim::Kind)

namespace {

const QString kBootloaderImage = QStringLiteral("BL1-1.0.0.bin");
const QString kChImage = QStringLiteral("CH-1.6.9.bin");
const QString kK01Image = QStringLiteral("K01-2.0.0.bin");
const QString kDifferentType
    = QStringLiteral("The firmware you will install is of a different type than the one currently installed.");
const QString kPowerOffBox
    = QStringLiteral("Please turn off the gripper by disconnecting its power supply, then press OK.");
// What a manual-reboot run appends to the status once the unit answers.
const QString kRecoveredLine = QStringLiteral("\r\nSoftware Version: GC3-1.6.9");

// The user cycles the power of the unit the page is calling for, until the
// page has started its new firmware.
bool powerCycleWhenAsked(DownloadHarness &h, sim::Gripper &gripper)
{
    return h.waitFor(
        [&] {
            if (gripper.state() == sim::State::Halted && h.button(QWizard::CancelButton)->isEnabled()
                && h.statusText().startsWith(QLatin1String("If the device is turned off")))
                gripper.powerCycle();
            return !gripper.romLog().goAddresses.empty();
        },
        60000);
}

// Everything the page sent to a line the test plays, the event loop running.
QByteArray drain(TestPty &pty, int ms)
{
    QByteArray all;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        all += pty.readMaster(1 << 20, 5);
        QTest::qWait(10);
    }
    return all;
}

// The frame comes at least twice: a unit called again and again. However
// slow the machine, within a few seconds.
bool calledAgain(TestPty &pty, const QByteArray &frame)
{
    QByteArray all;
    QElapsedTimer clock;
    clock.start();
    while (all.count(frame) < 2 && clock.elapsed() < 5000)
        all += drain(pty, 100);
    return all.count(frame) >= 2;
}

} // namespace

class TestDownloadRuns : public QObject
{
    Q_OBJECT

private slots:
    // STM32 grippers updated through the ROM bootloader.
    void update_data();
    void update();
    void manualRebootBatch_data();
    void manualRebootBatch();
    // The GS family's Freescale bootloader.
    void gsAutomatic();
    void gsManual_data();
    void gsManual();
    void gsReportBeforeDot();
    // What the user can and cannot do while the page works.
    void windowStaysWhileFlashing();
    void leavingThePageStopsTheRun();
    void cancelWhileTheRomStaysSilent_data();
    void cancelWhileTheRomStaysSilent();
    // Nothing is sent to a gripper the upgrader carries no image for.
    void noImageForTheGripper_data();
    void noImageForTheGripper();
    void manualRebootTakesTheCarriedImage_data();
    void manualRebootTakesTheCarriedImage();
};

void TestDownloadRuns::update_data()
{
    QTest::addColumn<sim::Kind>("kind");
    QTest::addColumn<bool>("inRom");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("bootloader");
    QTest::addColumn<QString>("image");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QStringList>("dialogs");
    QTest::newRow("gc3") << sim::Kind::GC << false << "(C)" << QString() << kCarried << 0 << QStringList();
    QTest::newRow("bothImages") << sim::Kind::GC << false << "(C)" << kBootloaderImage << kCarried << 0
                                << QStringList();
    // A K01 given its own image, newer than the one it runs: nothing to warn
    // about before, nor after, though it is not the GC3 image the build is
    // named after.
    QTest::newRow("k01") << sim::Kind::K01 << false << "(K)" << QString() << kK01Image << 0 << QStringList();
    // No image carried for a GB1, nor for a ROM: the version page warns that
    // the one it offers is of another type.
    QTest::newRow("gb1BehindK01") << sim::Kind::K01WithGB1 << false << "(B)" << QString() << kCarried << 1
                                  << QStringList{kDifferentType};
    QTest::newRow("foundInRom") << sim::Kind::GC << true << "(BL_STM32)" << QString() << kCarried << 0
                                << QStringList{kDifferentType};
    // Found in its ROM, the record cannot tell a CH from a GC: the image
    // chosen for it decides the bank.
    QTest::newRow("chFoundInRom") << sim::Kind::CH << true << "(BL_STM32)" << QString() << kChImage << 0
                                  << QStringList{kDifferentType};
}

void TestDownloadRuns::update()
{
    QFETCH(sim::Kind, kind);
    QFETCH(bool, inRom);
    QFETCH(QString, suffix);
    QFETCH(QString, bootloader);
    QFETCH(QString, image);
    QFETCH(int, unit);
    QFETCH(QStringList, dialogs);
    DownloadHarness h;
    sim::GripperConfig config;
    config.kind = kind;
    config.bootToRom = inRom;
    config.secondaryVersion = {1, 6, 8};
    sim::Gripper &gripper = h.addGripper(config, QStringLiteral("gripper"));
    QVERIFY(gripper.waitForState(inRom ? sim::State::Rom : sim::State::Firmware, 5s, unit));
    // Found in its ROM, the unit is written on the line identification left
    // with its 25 ms: a late ACK (a USB adapter's latency) must still be waited for.
    if (inRom) {
        sim::Faults slow;
        slow.romSlowAckAtWrite = 1;
        gripper.setFaults(slow);
    }
    h.startWizard();

    QVERIFY(h.runToDownload(h.gripperEntry(suffix), bootloader, image));
    QVERIFY(h.waitForVerifyButton(120000));
    // Started: the run can no longer be cancelled, nor needs to be.
    QVERIFY(!h.button(QWizard::CancelButton)->isEnabled());

    const bool ch = kind == sim::Kind::CH;
    QVERIFY(flashHoldsExactly(gripper, ch ? kMainAddressCH : kMainAddress, resourceBytes(image),
                              ch ? kMainRegionCH : kMainRegion, unit));
    if (!bootloader.isEmpty())
        QVERIFY(flashHoldsExactly(gripper, kBootloaderAddress, resourceBytes(bootloader), kBootloaderRegion));
    // Found in its ROM, it is sent no reboot request, and the probe's
    // synchronisation is the only one.
    QCOMPARE(gripper.status().counters.modbusFrames == 0, inRom);
    QCOMPARE(gripper.romLog(unit).syncs, 1);
    QCOMPARE(gripper.romLog(unit).goAddresses, std::vector<uint32_t>{ch ? kMainAddressCH : kBootloaderAddress});
    // A CH pads its two-letter type code with a NUL, shown as it came.
    QVERIFY(h.verifyShows(QLatin1Char('-') + image.section(QLatin1Char('-'), 1).chopped(4) + QLatin1Char('.')));
    QCOMPARE(h.answerer->texts(), dialogs);
}

void TestDownloadRuns::manualRebootBatch_data()
{
    QTest::addColumn<QString>("nextPort");
    // The recovered unit leaves the list; the next one is found on another
    // adapter by hot-plug detection.
    QTest::newRow("anotherPort") << QStringLiteral("gripperB");
    // One adapter: the next unit takes its place at once, under the same
    // port name, and must still be seen as a new unit.
    QTest::newRow("samePort") << QStringLiteral("gripperA");
}

void TestDownloadRuns::manualRebootBatch()
{
    // Grippers whose firmware is gone, recovered one after the other: they
    // answer nothing until their ROM is reached, so they are listed without
    // a kind and take the version page, where the image is chosen. A gripper
    // on another adapter, up to date but for one patch, heads the list.
    QFETCH(QString, nextPort);
    sim::GripperConfig bricked;
    bricked.mainFirmware = false;
    DownloadHarness h;
    sim::Gripper &bystander = h.addGripper(sim::Kind::GC, QStringLiteral("bystander"));
    sim::Gripper &first = h.addGripper(bricked, QStringLiteral("gripperA"));
    QVERIFY(h.startOnce(first, {}, sim::State::Halted));
    QVERIFY(h.pastPortPage(h.port(QStringLiteral("gripperA")), true));
    QVERIFY(h.updateWith(QString(), kCarried));

    QVERIFY(powerCycleWhenAsked(h, first));
    QVERIFY(h.waitFor([&] { return h.statusText().endsWith(kRecoveredLine); }, 15000));
    QVERIFY(h.button(QWizard::CancelButton)->isEnabled());
    QCOMPARE(h.progressBar()->value(), 0);
    QVERIFY(flashHoldsExactly(first, kMainAddress, resourceBytes(kCarried), kMainRegion));
    const int readsForOneImage = first.romLog().reads;

    first.unplug();
    if (nextPort != QLatin1String("gripperA"))
        QVERIFY(h.waitFor([&] { return h.comm->devices.size() == 1; }, 10000));
    sim::Gripper &next = h.addGripper(bricked, nextPort);
    QVERIFY(powerCycleWhenAsked(h, next));
    QVERIFY(h.waitFor([&] { return h.statusText().endsWith(kRecoveredLine); }, 15000));
    QVERIFY(flashHoldsExactly(next, kMainAddress, resourceBytes(kCarried), kMainRegion));
    // The next unit is read back against its own image, not the first's too.
    QCOMPARE(next.romLog().reads, readsForOneImage);

    // Every hot-plug notice rebuilt the port page's list: "Verify version"
    // still asks the unit just written, not the one now at the list's head.
    const int bystanderHeard = bystander.status().counters.modbusFrames;
    QVERIFY(h.verifyShows(QStringLiteral("GC3-1.6.9.")));
    QCOMPARE(bystander.status().counters.modbusFrames, bystanderHeard);
    QCOMPARE(h.answerer->count(), 0);
}

void TestDownloadRuns::gsAutomatic()
{
    KORVANE_SKIP_IF(freescaleSkipReason());
    DownloadHarness h;
    sim::Gripper &gripper = h.addGripper(gsGripper(), QStringLiteral("gripper"));
    QVERIFY(h.startOnce(gripper));
    QVERIFY(h.pastPortPage(h.gripperEntry(QStringLiteral("(S)"))));
    QVERIFY(h.commitUpdate());
    QVERIFY(h.waitForVerifyButton());
    QCOMPARE(gripper.status().freescale.imagesLoaded, 1);

    QVERIFY(h.verifyShows(QStringLiteral("-1.6.9.")));
    QCOMPARE(h.answerer->count(), 0);
}

void TestDownloadRuns::gsManual_data()
{
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<bool>("cablePulled");
    QTest::newRow("poweredAgain") << false << false;
    // The user gives up before the gripper is switched back on.
    QTest::newRow("cancelled") << true << false;
    // The USB cable is pulled and put back before the power cycle: the
    // bootloader greets a port the page had lost.
    QTest::newRow("cablePulled") << false << true;
}

void TestDownloadRuns::gsManual()
{
    QFETCH(bool, cancelled);
    QFETCH(bool, cablePulled);
    KORVANE_SKIP_IF(freescaleSkipReason());
    DownloadHarness h;
    sim::Gripper &gripper = h.addGripper(gsGripper(), QStringLiteral("gripper"));
    QVERIFY(h.startOnce(gripper));
    QVERIFY(h.pastPortPage(h.gripperEntry(QStringLiteral("(S)")), true));

    // Told to turn it off, then waiting, for as long as it takes, with Cancel
    // usable, for it to be turned on again.
    QVERIFY(h.waitFor([&] { return h.statusText().startsWith(QLatin1String("Please turn the gripper back on")); },
                      10000));
    QCOMPARE(h.answerer->texts(), QStringList{kPowerOffBox});
    QVERIFY(h.button(QWizard::CancelButton)->isEnabled());
    if (cancelled) {
        h.button(QWizard::CancelButton)->click();
        QVERIFY(h.waitFor([&] { return h.wizardClosed() && !h.comm->isOpen(); }, 5000));
    }
    if (cablePulled) {
        gripper.unplug(false);
        QTest::qWait(300);
        gripper.replug();
        QVERIFY(h.waitFor([&] { return gripper.status().hostOpen; }, 5000));
    }
    gripper.powerCycle();
    // Cancelled, the gripper's bootloader greets nobody and its window passes
    // with nothing sent; else the unit, loaded, may be verified.
    QVERIFY(cancelled ? gripper.waitForState(sim::State::Firmware, 5s)
                      : h.waitFor([&] { return h.button(QWizard::CommitButton)->isEnabled(); }, 30000));
    QCOMPARE(gripper.status().freescale.imagesLoaded, cancelled ? 0 : 1);
    QCOMPARE(gripper.status().freescale.bytesReceived == 0, cancelled);
    QCOMPARE(h.answerer->texts(), QStringList{kPowerOffBox});
}

void TestDownloadRuns::gsReportBeforeDot()
{
    KORVANE_SKIP_IF(freescaleSkipReason());
    DownloadHarness h;
    sim::Gripper &gripper = h.addGripper(gsGripper(), QStringLiteral("gripper"));
    QVERIFY(h.startOnce(gripper, oneFault(&sim::Faults::freescaleReportFirst, true)));
    QVERIFY(h.pastPortPage(h.gripperEntry(QStringLiteral("(S)"))));
    QVERIFY(h.commitUpdate());

    QVERIFY(h.waitFor([&] { return h.wizardClosed(); }, 20000));
    QCOMPARE(h.answerer->texts(), QStringList{kStartFailure});
}

void TestDownloadRuns::windowStaysWhileFlashing()
{
    DownloadHarness h;
    sim::Gripper &gripper = h.addGripper(sim::Kind::GC, QStringLiteral("gripper"));
    QVERIFY(h.startOnce(gripper));
    QVERIFY(h.runToDownload(h.gripperEntry(QStringLiteral("(C)")), QString(), kCarried));

    // Escape as a user presses it (on whatever has the focus), and the
    // window's own close button, in the middle of the write and of the
    // read-back: the bar is then part way.
    QStringList triedIn;
    QObject::connect(h.progressBar(), &QProgressBar::valueChanged, [&](int value) {
        // What the user reads tells the write from the read-back.
        const QString state = h.statusText().section(QLatin1Char(' '), 0, 0);
        if (value <= 0 || value >= 100 || triedIn.contains(state) || state == QLatin1String("Erasing"))
            return;
        QTest::keyClick(h.progressBar(), Qt::Key_Escape);
        h.wizard->close();
        triedIn << state + (h.wizardClosed() ? QStringLiteral(" closed") : QString());
    });
    QVERIFY(h.waitForVerifyButton());
    QCOMPARE(triedIn, (QStringList{QStringLiteral("Downloading"), QStringLiteral("Verifying")}));
    QCOMPARE(gripper.romLog().goAddresses, std::vector<uint32_t>{kBootloaderAddress});
    QCOMPARE(h.answerer->count(), 0);
    // Once the new firmware runs, the window closes as usual.
    h.wizard->close();
    QVERIFY(h.wizardClosed());
}

void TestDownloadRuns::leavingThePageStopsTheRun()
{
    const QByteArray rebootRequest = QByteArray::fromHex("091001900001022A00D360");
    TestPty first;
    TestPty second;
    QVERIFY(first.isValid() && second.isValid());
    DownloadHarness h;
    h.startWizard();
    QVERIFY(h.toPortPage());
    setRecords(h.comm, {makeRecord(first.path(), "GC3", GC), makeRecord(second.path(), "GC3", GC)});
    h.setManualReboot(true);
    h.deviceList()->setCurrentIndex(0);
    h.wizard->next();
    // A silent gripper is called again and again, until the user goes back.
    QVERIFY(calledAgain(first, rebootRequest));
    h.wizard->back();
    drain(first, 200);
    QCOMPARE(drain(first, 500), QByteArray());

    // Entering the page again starts over with the gripper chosen now.
    h.deviceList()->setCurrentIndex(1);
    h.wizard->next();
    QVERIFY(calledAgain(second, rebootRequest));
    QCOMPARE(drain(first, 300), QByteArray());
}

void TestDownloadRuns::cancelWhileTheRomStaysSilent_data()
{
    QTest::addColumn<bool>("rebootedByServiceButton");
    // The gripper confirms the reboot, then its ROM never answers.
    QTest::newRow("after a confirmed reboot") << false;
    // A record turned into a bootloader one by the port page's Reboot.
    QTest::newRow("bootloader record") << true;
}

void TestDownloadRuns::cancelWhileTheRomStaysSilent()
{
    QFETCH(bool, rebootedByServiceButton);
    DownloadHarness h;
    sim::Gripper &gripper = h.addGripper(sim::Kind::GC, QStringLiteral("gripper"));
    QVERIFY(h.startOnce(gripper));
    QVERIFY(h.toEntry(h.gripperEntry(QStringLiteral("(C)"))));
    if (rebootedByServiceButton) {
        QVERIFY(QMetaObject::invokeMethod(h.wizard->page(1), "onRebootClicked"));
        QVERIFY(gripper.waitForState(sim::State::Rom, 3s));
    }
    gripper.setFaults(oneFault(&sim::Faults::romNoSyncAnswer, true));
    h.button(QWizard::NextButton)->click();
    QVERIFY(h.updateWith(QString(), kCarried));
    QVERIFY(h.waitFor([&] { return gripper.state() == sim::State::Rom; }, 10000));

    // Through the settle wait and both synchronisation attempts, and into
    // the next round, Cancel stays usable; then the user presses it. A timer,
    // as a user's clicks, reaches the page inside whichever wait it is in.
    int samples = 0;
    QStringList disabledAt;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!h.button(QWizard::CancelButton)->isEnabled())
            disabledAt << QString::number(samples * 50);
        if (++samples == 90) {
            user.stop();
            h.button(QWizard::CancelButton)->click();
        }
    });
    user.start(50);
    QVERIFY(h.waitFor([&] { return samples >= 90; }, 30000));
    QCOMPARE(disabledAt, QStringList());
    // Over for good: no dialog, the window gone, neither the wizard's port
    // nor the bootloader library holding the line, nothing more sent.
    QVERIFY(h.waitFor([&] { return h.wizardClosed() && !h.comm->isOpen() && COM_is_Open() == 0; }, 10000));
    QCOMPARE(h.answerer->count(), 0);
    const long sent = gripper.status().counters.bytesReceived;
    QTest::qWait(2500);
    QCOMPARE(gripper.status().counters.bytesReceived, sent);
    QVERIFY(gripper.romLog().erasedSectors.empty());
}

void TestDownloadRuns::noImageForTheGripper_data()
{
    QTest::addColumn<QString>("type");
    // A GC1 is of the GC family, but the GC3 image is not made for it;
    // "Manual reboot" goes for the image at once.
    QTest::newRow("gc1ManualReboot") << QStringLiteral("GC1");
    // Run without "firmwares/" beside the program or in the working folder:
    // this build's GS image, if it names one, is not among the resources.
    QTest::newRow("gsWithoutCarriedImage") << QStringLiteral("GS");
}

void TestDownloadRuns::noImageForTheGripper()
{
    QFETCH(QString, type);
    const bool gs = type == QLatin1String("GS");
    DownloadHarness h;
    const QString runDir = QDir::currentPath();
    QVERIFY(!gs || QDir::setCurrent(h.dir.path()));
    sim::GripperConfig config = gs ? gsGripper() : sim::GripperConfig();
    config.typeCode = type.toStdString();
    sim::Gripper &gripper = h.addGripper(config, QStringLiteral("gripper"));
    QVERIFY(h.startOnce(gripper));
    QVERIFY(h.toEntry(h.gripperEntry(QLatin1String(gs ? "(S)" : "(C)"))));
    h.setManualReboot(!gs);
    const long identified = gripper.status().counters.bytesReceived;
    h.button(QWizard::NextButton)->click();
    QVERIFY(!gs || h.commitUpdate());

    QVERIFY(h.waitFor([&] { return h.wizardClosed(); }, 10000));
    QDir::setCurrent(runDir);
    const QString noFirmware = QStringLiteral("This upgrader carries no firmware for the %1 gripper.").arg(type);
    QCOMPARE(h.answerer->texts(), QStringList{noFirmware});
    // Told before the reboot: the gripper was sent nothing more and still
    // runs its firmware.
    QCOMPARE(gripper.status().counters.bytesReceived, identified);
    QCOMPARE(gripper.state(), sim::State::Firmware);
}

// "Manual reboot" skips the image choice: the wizard takes the carried image
// made for the product, and asks the user only when the record cannot tell
// which product it is (a wrong guess writes the wrong bank).
void TestDownloadRuns::manualRebootTakesTheCarriedImage_data()
{
    QTest::addColumn<QString>("typeCode");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("refusal");

    const QString carried = QStringLiteral("GC3-1.6.9.bin");
    QTest::newRow("found in its ROM, named by the user") << "" << int(BL_STM32) << carried << true << QString();
    QTest::newRow("found in its ROM, the user declines")
        << "" << int(BL_STM32) << QString() << true << "This upgrader carries no firmware for the selected gripper.";
    QTest::newRow("a product nothing is carried for")
        << "GC1" << int(GC) << carried << false << "This upgrader carries no firmware for the GC1 gripper.";
}

void TestDownloadRuns::manualRebootTakesTheCarriedImage()
{
    QFETCH(QString, typeCode);
    QFETCH(int, kind);
    QFETCH(QString, answer);
    QFETCH(bool, asked);
    QFETCH(QString, refusal);
    Communication communication;
    KorvaneDevice device(QStringLiteral("/dev/null"), typeCode, DeviceKind(kind), false,
                         {BAUD115200, DATA_8, PAR_NONE, STOP_1, FLOW_OFF, 100});
    DownloadRun run(&communication);
    run.device = &device;
    bool wasAsked = false;
    const auto ask = [&] {
        wasAsked = true;
        return answer;
    };
    QString mainName;
    QCOMPARE(run.prepare(false, QString(), &mainName, true, ask).english, refusal);
    QCOMPARE(wasAsked, asked);
    if (refusal.isEmpty()) {
        QCOMPARE(mainName, QStringLiteral("GC3-1.6.9.bin"));
        QCOMPARE(run.plan().layoutKind(), GC);
        QVERIFY(run.plan().manualPowerCycle);
        QVERIFY(!run.plan().mainImage.isEmpty());
    }
}

QTEST_MAIN(TestDownloadRuns)
#include "tst_download_e2e.moc"
