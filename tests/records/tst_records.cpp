// A failed wizard run leaves its record, naming the unit, and the engine's lines in its log.

#include "downloadharness.h"
#include "history.h"
#include "sessionlog.h"

#include <QtTest>

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void failedUpdateLeavesItsRecordAndLog();
};

void TestRecords::failedUpdateLeavesItsRecordAndLog()
{
    DownloadHarness h;
    QDir(History::folder()).removeRecursively();
    const QString logPath = SessionLog::start(QStringLiteral("tst_records"));
    QVERIFY(!logPath.isEmpty());
    sim::Gripper &gripper = h.addGripper(sim::Kind::GC, QStringLiteral("gripper"));
    sim::Faults refusing;
    refusing.romEraseNack = true;
    QVERIFY(h.startOnce(gripper, refusing));
    QVERIFY(h.runToDownload(h.gripperEntry(QStringLiteral("(C)")), QString(), QStringLiteral("GC3-1.6.9.bin")));
    QVERIFY(h.waitFor([&] { return h.wizardClosed(); }, 60000));

    const std::vector<uint8_t> id = gripper.uniqueId();
    const QByteArray unitId = QByteArray(reinterpret_cast<const char *>(id.data()), int(id.size())).toHex();
    QList<QJsonObject> records;
    int skipped = 0;
    QString error;
    QVERIFY(History::read(History::path(), {QString::fromLatin1(unitId), QDateTime()}, &records, &skipped, &error));
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().value(QStringLiteral("result")).toString(), QStringLiteral("failed"));
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray lines = log.readAll();
    QVERIFY(lines.contains("korvane.stbl") && lines.contains(unitId));
}

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
