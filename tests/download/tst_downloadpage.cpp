// The download page against lines the test plays itself: leaving the page
// while it still calls a gripper.

#include "downloadharness.h"
#include "pagefixture.h"
#include "testpty.h"

#include <QtTest>

namespace {

const QByteArray kRebootRequest = QByteArray::fromHex("091001900001022A00D360");

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
    setRecords(h.comm, {makeRecord(first.path(), "GC3", GC), makeRecord(second.path(), "GC3", GC)});
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
