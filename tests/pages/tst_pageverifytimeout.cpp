#include "dialogs.h"
#include "pagefixture.h"
#include "pageverifynewversion.h"
#include "testpty.h"

#include <QLabel>
#include <QtTest>

#include <atomic>

// A gripper that never answers after the update: the page must not wait
// forever without a word.
class TestPageVerifyTimeout : public QObject
{
    Q_OBJECT

private slots:
    void silentGripperIsReportedAfterTheTimeLimit();
};

void TestPageVerifyTimeout::silentGripperIsReportedAfterTheTimeLimit()
{
    qunsetenv("KORVANE_EXTRA_PORTS");
    TestPty pty;
    QVERIFY(pty.isValid());
    std::atomic<int> requests{0};
    pty.serve(8, [&requests](const QByteArray &request) {
        if (request == QByteArray::fromHex("090301f40003448d"))
            ++requests;
        return QByteArray();
    });

    WizardFixture fixture;
    fixture.wizard->next();
    fixture.setRecords({makeRecord(pty.path(), "GC3", GC, 1, 6, 8)});
    QWizardPage *page = fixture.wizard->page(4);
    QLabel *label = page->findChild<QLabel *>();
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    page->initializePage();

    // Still asking a few seconds in, in case the gripper is slow to start.
    QTest::qWait(3500);
    QCOMPARE(answerer.count(), 0);
    QCOMPARE(label->text(), QStringLiteral("The wizard verifies if the firmware update was done properly."));
    QVERIFY(fixture.comm->isOpen());
    QVERIFY(requests.load() >= 3);

    QTRY_COMPARE_WITH_TIMEOUT(answerer.count(), 1, 15000);
    QCOMPARE(answerer.texts().first(),
             QStringLiteral("The new firmware version cannot be read. If the gripper is powered and the connection "
                            "cable is plugged, please contact Korvane to report the problem."));
    QCOMPARE(label->text(), QStringLiteral("The current version of the firmware is unknown"));
    QVERIFY(!fixture.comm->isOpen());
    const int asked = requests.load();
    QVERIFY2(asked >= 8, qPrintable(QString::number(asked)));

    // Given up means given up: no more requests, no second dialog.
    QTest::qWait(1500);
    QCOMPARE(requests.load(), asked);
    QCOMPARE(answerer.count(), 1);
    pty.stop();
}

QTEST_MAIN(TestPageVerifyTimeout)
#include "tst_pageverifytimeout.moc"
