// What an update leaves a technician: a record naming the unit alike from every front end, and, where the
// wizard fails, the engine's lines in its log.

#include "carriedfirmware.h"
#include "downloadharness.h"
#include "history.h"
#include "sessionlog.h"
#include "unitend.h"
#include "stationwindow.h"

#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

#include <algorithm>

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void failedUpdateLeavesItsRecordAndLog();
    void everyFrontEndRecordsTheUnitAlike();
    void aBootloaderAndItsMainImageAreTimedApart();
    void aRecordTheHistoryRefusesIsSaid();
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

// One gripper updated by korvane-flash, the station (its Report field emptied) and the wizard, its old firmware
// put back between, the three pointed at one data folder: their history lines are alike, whether the unit is
// updated, its ROM refuses the erase (each then says it is left in its bootloader) or it runs a newer version
// (refused; the wizard's user cancels at its warning).
void TestRecords::everyFrontEndRecordsTheUnitAlike()
{
    QTemporaryDir data;
    DownloadHarness h;
    QStandardPaths::setTestModeEnabled(false);
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    sim::GripperConfig config;
    config.uniqueId = "3a0047001851363037383934";
    sim::Gripper &gripper = h.addGripper(config, QStringLiteral("gripper"));
    enum Ends { Updated, FailsInRom, Refused };
    const auto runs = [&](Ends ends) {
        sim::Version version{1, 6, 8};
        version.minor = ends == Refused ? 7 : 6;
        gripper.setFlash(kMainAddress, sim::buildStandinImage("GC3", version));
        gripper.powerCycle();
        return gripper.waitForState(sim::State::Firmware, std::chrono::seconds(5));
    };
    const auto history = [] {
        QList<QJsonObject> records;
        int skipped = 0;
        QString error;
        History::read(History::path(), {QString(), QDateTime()}, &records, &skipped, &error);
        return records;
    };
    // A machine busy with other work can hold the version reply past its 100 ms: the unit is then recorded
    // "no gripper answered", and the technician asks again, as this test does (three times at most).
    const auto missed = [](const QJsonObject &record) {
        return record.value(QStringLiteral("error")).toString().startsWith(QLatin1String("no gripper answered"));
    };
    const auto askedAgain = [&](Ends ends) {
        const QList<QJsonObject> records = history();
        return !records.isEmpty() && missed(records.last()) && runs(ends);
    };
    // Each program names itself as its main() does.
    QCoreApplication::setApplicationVersion(QLatin1String(CarriedFirmware::kUpgraderVersion));
    const auto updateByAllThree = [&](Ends ends) {
        QVERIFY(runs(ends));
        QProcess flash;
        for (int tries = 0; tries == 0 || (tries < 3 && askedAgain(ends)); ++tries) {
            flash.start(QStringLiteral(KORVANE_FLASH_PROGRAM), {QStringLiteral("update"), h.port(QStringLiteral("gripper"))});
            QVERIFY(flash.waitForFinished(120000));
        }
        QVERIFY2((flash.exitCode() == 0) == (ends == Updated), flash.readAll().constData());
        QVERIFY(runs(ends));
        QCoreApplication::setApplicationName(QStringLiteral("korvane-station"));
        for (int tries = 0; tries == 0 || (tries < 3 && askedAgain(ends)); ++tries) {
            StationWindow station;
            station.findChild<QObject *>(QStringLiteral("reportPath"))->setProperty("text", QString());
            QSignalSpy scanned(&station, &StationWindow::scanned);
            station.updateAll();
            QTRY_VERIFY_WITH_TIMEOUT(scanned.size() == 1 && !station.isBusy(), 80000);
        }
        QVERIFY(runs(ends));
        QCoreApplication::setApplicationName(QStringLiteral("korvane-upgrader"));
        h.restartWizard();
        if (ends == Refused) {
            delete h.answerer;
            h.answerer = new MessageBoxAnswerer(QMessageBox::Cancel);
            QVERIFY(h.pastPortPage(h.gripperEntry(QStringLiteral("(C)"))));
        } else {
            QVERIFY(h.runToDownload(h.gripperEntry(QStringLiteral("(C)")), QString(), kCarried));
        }
        if (ends == Updated) {
            QVERIFY(h.waitForVerifyButton());
            QVERIFY(h.verifyShows(QStringLiteral("GC3-1.6.9")));
        } else {
            QVERIFY(h.waitFor([&] { return h.wizardClosed(); }, 60000));
        }
    };
    updateByAllThree(Updated);
    sim::Faults refusing;
    refusing.romEraseNack = true;
    gripper.setFaults(refusing);
    updateByAllThree(FailsInRom);
    gripper.clearFaults();
    updateByAllThree(Refused);

    QList<QJsonObject> records = history();
    records.erase(std::remove_if(records.begin(), records.end(), missed), records.end());
    QCOMPARE(records.size(), 9);
    QStringList programs;
    QByteArrayList alike;
    for (QJsonObject record : records) {
        programs << record.take(QStringLiteral("program")).toString();
        for (const char *differs : {"time", "seconds"})
            record.remove(QLatin1String(differs));
        alike << QJsonDocument(record).toJson(QJsonDocument::Compact);
    }
    for (int round : {0, 3, 6}) {
        QCOMPARE(alike.at(round + 1), alike.at(round));
        QCOMPARE(alike.at(round + 2), alike.at(round));
        QCOMPARE(programs.mid(round, 3), (QStringList{"korvane-flash", "korvane-station", "korvane-upgrader"}));
    }
    QCOMPARE(records.first().value(QStringLiteral("version_after")).toString(), QStringLiteral("GC3-1.6.9"));
    QCOMPARE(records.at(3).value(QStringLiteral("result")).toString(), QStringLiteral("failed"));
    QVERIFY(records.at(3).value(QStringLiteral("left_in_bootloader")).toBool());
    QCOMPARE(records.at(6).value(QStringLiteral("error")).toString(),
             QStringLiteral("it runs a newer version than GC3-1.6.9"));
}

// A bootloader written before the main image: each erase and write keeps its own time in the record.
void TestRecords::aBootloaderAndItsMainImageAreTimedApart()
{
    UnitEnd end;
    end.begin(UnitResult(), FirmwareImage(), false, true);
    for (GripperUpdate::Phase phase : {GripperUpdate::Identifying, GripperUpdate::Erasing,
                                       GripperUpdate::WritingBootloader, GripperUpdate::Erasing,
                                       GripperUpdate::WritingMain, GripperUpdate::Verifying})
        end.enter(phase);
    const QJsonObject seconds = QJsonDocument::fromJson(end.result().toJsonLine()).object().value(
        QStringLiteral("seconds")).toObject();
    QCOMPARE(seconds.keys(), (QStringList{"erase", "erase_bootloader", "reboot", "write", "write_bootloader"}));
}

// A production line ties each unit to its firmware by the history: a line it refuses is not lost in silence.
void TestRecords::aRecordTheHistoryRefusesIsSaid()
{
    QTemporaryDir data;
    DownloadHarness h;
    // Not the test folder the other programs of the suite share.
    QStandardPaths::setTestModeEnabled(false);
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    QVERIFY(QDir().mkpath(History::path()));
    QVERIFY(h.startOnce(h.addGripper(sim::Kind::GC, QStringLiteral("gripper"))));
    QVERIFY(h.runToDownload(h.gripperEntry(QStringLiteral("(C)")), QString(), kCarried));
    QVERIFY(h.waitForVerifyButton());
    QVERIFY(h.verifyShows(QStringLiteral("GC3-1.6.9")));
    QCOMPARE(h.answerer->count(), 1);
    QVERIFY(h.answerer->texts().first().contains(History::path()));
}

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
