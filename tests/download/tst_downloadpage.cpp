// The download page against lines the test plays itself: leaving the page
// while it still calls a gripper.

#include "downloadharness.h"
#include "testpty.h"

#include <QtTest>

namespace {

const QByteArray kRebootRequest = QByteArray::fromHex("091001900001022A00D360");

// Lists a GC3 on each port as a rescan would have, with the port page
// showing.
void listGc3s(DownloadHarness &h, const QStringList &ports)
{
    for (KorvaneDevice *old : qAsConst(h.comm->devices))
        h.comm->retire(old);
    h.comm->devices.clear();
    for (const QString &port : ports)
        h.comm->devices.append(new KorvaneDevice(port, QStringLiteral("GC3"), GC, false,
                                                 {BAUD115200, DATA_8, PAR_NONE, STOP_1, FLOW_OFF, 100}));
    emit h.comm->deviceDetected(h.comm->devices.last());
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

} // namespace

class TestDownloadPage : public QObject
{
    Q_OBJECT

private slots:
    void leavingThePageStopsTheRun();
};

void TestDownloadPage::leavingThePageStopsTheRun()
{
    TestPty first;
    TestPty second;
    QVERIFY(first.isValid() && second.isValid());
    DownloadHarness h;
    h.startWizard();
    QVERIFY(h.toPortPage());
    listGc3s(h, {first.path(), second.path()});
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
