// The download page against a line the test plays itself: what a simulated
// gripper would never send on its own (Freescale output cut at awkward
// places, report forms the page must refuse), and leaving the page while it
// still calls a gripper.

#include "downloadharness.h"
#include "freescaleconfig.h"
#include "testpty.h"

#include <QtTest>

namespace {

const QString kDownloading = QStringLiteral("The wizard is currently downloading the new firmware.");
const QString kDownloaded = QStringLiteral("The new firmware has been downloaded successfully.");
const QByteArray kRebootRequest = QByteArray::fromHex("091001900001022A00D360");

KorvaneDevice *record(const QString &port, const QString &typeCode, DeviceKind kind)
{
    const PortSettings settings = {BAUD115200, DATA_8, PAR_NONE, STOP_1, FLOW_OFF, 100};
    auto *device = new KorvaneDevice(port, typeCode, kind, false, settings);
    device->major = 1;
    device->minor = 6;
    device->patch = 8;
    return device;
}

// Puts the records in the device list as a rescan would have, with the port
// page showing, and picks the first.
void listRecords(DownloadHarness &h, const QList<KorvaneDevice *> &records)
{
    for (KorvaneDevice *old : qAsConst(h.comm->devices))
        h.comm->retire(old);
    h.comm->devices = records;
    emit h.comm->deviceDetected(records.last());
}

// Everything the page sent so far, keeping the event loop running.
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

qint64 freescaleImageSize()
{
    return QFileInfo(QLatin1String(FreescaleConfig::kLocalFirmwareFolder)
                     + QLatin1String(FreescaleConfig::kImageName)).size();
}

// The gripper's side of a run, step by step: each step waits for its moment
// and then acts. It runs from a timer, because the page keeps its own event
// loops going while it waits for the bootloader, and the test's code would
// only run again once the transfer is over.
class Script
{
public:
    explicit Script(TestPty &pty)
        : m_pty(pty)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
        m_clock.start();
    }
    void then(std::function<bool()> ready, std::function<void()> act)
    {
        m_steps.append({std::move(ready), std::move(act)});
    }
    bool done() const { return m_steps.isEmpty(); }
    int stepsDone() const { return m_done; }
    const QByteArray &sent() const { return m_sent; }
    // Time since the last step acted.
    qint64 sinceLastStep() const { return m_clock.elapsed() - m_lastAt; }

private:
    void poll()
    {
        m_sent += m_pty.readMaster(1 << 20, 0);
        while (!m_steps.isEmpty() && m_steps.first().ready()) {
            const Step step = m_steps.takeFirst();
            step.act();
            ++m_done;
            m_lastAt = m_clock.elapsed();
        }
    }
    struct Step
    {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    TestPty &m_pty;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastAt = 0;
    QList<Step> m_steps;
    QByteArray m_sent;
    int m_done = 0;
};

} // namespace

class TestDownloadPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void freescaleProgressAndReport();
    void dotsAndReportInOneChunk();
    void leavingThePageStopsTheRun();

private:
    // The GS page in manual-reboot mode, waiting for the bootloader on `pty`;
    // the script's first steps announce the bootloader and see the image
    // arrive.
    bool gsPageWaiting(DownloadHarness &h, TestPty &pty, Script &script);
};

void TestDownloadPage::init()
{
    qputenv("KORVANE_EXTRA_PORTS", QByteArray());
}

bool TestDownloadPage::gsPageWaiting(DownloadHarness &h, TestPty &pty, Script &script)
{
    h.startWizard();
    if (!h.toPortPage())
        return false;
    listRecords(h, {record(pty.path(), QStringLiteral("GS"), GS)});
    h.setManualReboot(true);
    h.wizard->next();
    if (h.wizard->currentId() != 3)
        return false;
    // Turned on again, the bootloader announces itself; the marker may
    // arrive cut in two, and the page keeps what it received.
    const QByteArray marker = FreescaleConfig::kReadyMarkers[0];
    script.then([&] { return h.statusText().startsWith(QLatin1String("Please turn the gripper back on")); },
                [&pty, marker] { pty.writeMaster("\r\n" + marker.left(marker.size() / 2)); });
    script.then([&script] { return script.sinceLastStep() > 100; },
                [&pty, marker] { pty.writeMaster(marker.mid(marker.size() / 2) + "\r\n"); });
    script.then([&] { return script.sent().startsWith("S0"); }, [] {});
    return true;
}

void TestDownloadPage::freescaleProgressAndReport()
{
    KORVANE_SKIP_IF(freescaleBuildSkipReason());
    TestPty pty;
    QVERIFY(pty.isValid());
    DownloadHarness h;
    Script script(pty);
    QVERIFY(gsPageWaiting(h, pty, script));

    // Progress counts every dot since readiness against the image's size.
    const int divisor = int(freescaleImageSize() / 1000 + 1);
    QString statusAfterDots;
    QString statusAfterUpperCase;
    bool completeAfterUpperCase = true;
    int barAtSuccess = -1;
    bool completeAtSuccess = false;
    script.then([] { return true; }, [&] {
        pty.writeMaster("...");
        pty.writeMaster("..");
    });
    script.then([&] { return h.progressBar()->value() == 5 * 100 / divisor; }, [&] {
        statusAfterDots = h.statusText();
        // Upper-case hexadecimal is not the bootloader's report.
        pty.writeMaster("\r\nLoaded 0x00AB Program and 0x0000 Data words\r\n");
    });
    script.then([&] { return script.sinceLastStep() > 300; }, [&] {
        statusAfterUpperCase = h.statusText();
        completeAfterUpperCase = h.page()->isComplete();
        pty.writeMaster("\r\nLoaded 0x00ab Program and 0x0000 Data words\r\n");
    });
    script.then([&] { return h.statusText() == kDownloaded; }, [&] {
        barAtSuccess = h.progressBar()->value();
        completeAtSuccess = h.page()->isComplete();
    });
    // Manual mode reads the version back; nobody answers, so it shows the
    // empty type code and 0.0.0, and the page waits for the next unit.
    script.then([&] { return h.statusText().endsWith(QLatin1String("\r\nSoftware Version: -0.0.0")); }, [] {});

    QVERIFY2(h.waitFor([&] { return script.done(); }, 20000), qPrintable(QString::number(script.stepsDone())));
    QCOMPARE(statusAfterDots, kDownloading);
    QCOMPARE(statusAfterUpperCase, kDownloading);
    QVERIFY(!completeAfterUpperCase);
    QCOMPARE(barAtSuccess, 100);
    QVERIFY(completeAtSuccess);
    QVERIFY(h.button(QWizard::CancelButton)->isEnabled());
    QCOMPARE(h.answerer->count(), 1);
}

void TestDownloadPage::dotsAndReportInOneChunk()
{
    KORVANE_SKIP_IF(freescaleBuildSkipReason());
    TestPty pty;
    QVERIFY(pty.isValid());
    DownloadHarness h;
    Script script(pty);
    QVERIFY(gsPageWaiting(h, pty, script));

    // The first pass only learns that the transfer started; the report
    // counts once the next chunk arrives.
    QString statusBeforeNextChunk;
    bool completeBeforeNextChunk = true;
    script.then([] { return true; },
                [&] { pty.writeMaster("....\r\nLoaded 0x0010 Program and 0x0000 Data words\r\n"); });
    script.then([&] { return script.sinceLastStep() > 300; }, [&] {
        statusBeforeNextChunk = h.statusText();
        completeBeforeNextChunk = h.page()->isComplete();
        pty.writeMaster("\r\n");
    });
    script.then([&] { return h.statusText() == kDownloaded; }, [] {});

    QVERIFY2(h.waitFor([&] { return script.done(); }, 20000), qPrintable(QString::number(script.stepsDone())));
    QCOMPARE(statusBeforeNextChunk, kDownloading);
    QVERIFY(!completeBeforeNextChunk);
}

void TestDownloadPage::leavingThePageStopsTheRun()
{
    TestPty first;
    TestPty second;
    QVERIFY(first.isValid() && second.isValid());
    DownloadHarness h;
    h.startWizard();
    QVERIFY(h.toPortPage());
    listRecords(h, {record(first.path(), QStringLiteral("GC3"), GC), record(second.path(), QStringLiteral("GC3"), GC)});
    h.setManualReboot(true);
    h.deviceList()->setCurrentIndex(0);
    h.wizard->next();
    QCOMPARE(h.wizard->currentId(), 3);

    // A silent gripper is called again and again.
    QVERIFY(drain(first, 500).count(kRebootRequest) >= 2);

    h.wizard->back();
    QCOMPARE(h.wizard->currentId(), 1);
    drain(first, 200);
    QCOMPARE(drain(first, 500), QByteArray());

    // Entering the page again starts over with the gripper chosen now.
    h.deviceList()->setCurrentIndex(1);
    h.wizard->next();
    QCOMPARE(h.wizard->currentId(), 3);
    QVERIFY(drain(second, 500).count(kRebootRequest) >= 2);
    QCOMPARE(drain(first, 300), QByteArray());
}

QTEST_MAIN(TestDownloadPage)
#include "tst_downloadpage.moc"
