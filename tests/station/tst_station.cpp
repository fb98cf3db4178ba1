// The station as a technician uses it: the window offscreen, the grippers
// simulated on pseudo-terminals. What counts is what the grippers hold
// afterwards, what each row says, and the report.

#include "gripper_sim.h"
#include "stationwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

namespace sim = korvane::sim;
using namespace std::chrono_literals;

namespace {

using Column = StationWindow::Column;

QHash<QString, QString> reportResults(const QString &path)
{
    QHash<QString, QString> results;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return results;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        // A unit reported twice would show as a lost result.
        const QString port = object.value(QStringLiteral("port")).toString();
        results.insert(port, results.contains(port) ? QStringLiteral("twice")
                                                    : object.value(QStringLiteral("result")).toString());
    }
    return results;
}

// Erasing the four main sectors takes four seconds, the rest of the line is
// quick: a unit that stays in its bootloader long enough to be looked at.
sim::GripperConfig slowErase()
{
    sim::GripperConfig config;
    config.pacing.enabled = true;
    config.pacing.baud = 2000000;
    config.pacing.erase128kSeconds = 1.0;
    return config;
}

} // namespace

class TestStation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QStandardPaths::setTestModeEnabled(true);
    }
    void cleanup()
    {
        grippers.clear();
        extraPorts.clear();
    }

    void mixedBenchEachRowKeepsItsOwnEnd();
    void forceAndLostReportLines();
    void stopGivesUpAndNamesTheUnitsLeftInTheirBootloader();
    void automaticModeUpdatesUnitsAsTheyArrive();

private:
    sim::Gripper &gripper(sim::GripperConfig config, bool listed = true)
    {
        const QString path = dir.filePath(QStringLiteral("port%1").arg(serial++));
        config.publishPath = path.toStdString();
        grippers.push_back(std::make_unique<sim::Gripper>(config));
        const sim::State running = config.bootToRom                 ? sim::State::Rom
                                   : config.kind == sim::Kind::Silent ? sim::State::Firmware
                                   : config.mainFirmware             ? sim::State::Firmware
                                                                     : sim::State::Halted;
        grippers.back()->waitForState(running, 5s);
        if (listed)
            extraPorts.append(path);
        qputenv("KORVANE_EXTRA_PORTS", extraPorts.join(QLatin1Char(':')).toLocal8Bit());
        return *grippers.back();
    }
    static QString port(const sim::Gripper &g) { return QString::fromStdString(g.publishedPath()); }
    static QString text(StationWindow &window, const char *name)
    {
        return window.findChild<QLabel *>(QLatin1String(name))->text();
    }
    static QPushButton *recoveryButton(StationWindow &window, const QString &port)
    {
        return window.findChild<QTableWidget *>()
            ->cellWidget(window.row(port), StationWindow::RecoveryColumn)
            ->findChild<QPushButton *>();
    }
    static void click(StationWindow &window, const char *name)
    {
        window.findChild<QPushButton *>(QLatin1String(name))->click();
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<sim::Gripper>> grippers;
    QStringList extraPorts;
    int serial = 0;
};

void TestStation::mixedBenchEachRowKeepsItsOwnEnd()
{
    sim::Gripper &old = gripper(slowErase());
    sim::GripperConfig current;
    current.version = {1, 6, 9};
    sim::Gripper &same = gripper(current);
    sim::Gripper &faulty = gripper(sim::GripperConfig());
    sim::Faults nack;
    nack.romNackAtWrite = 3;
    faulty.setFaults(nack);
    sim::GripperConfig rom;
    rom.bootToRom = true;
    sim::Gripper &inRom = gripper(rom);
    sim::GripperConfig dead;
    dead.mainFirmware = false;
    sim::Gripper &noFirmware = gripper(dead);

    StationWindow window;
    window.show();
    const QString report = dir.filePath(QStringLiteral("bench.jsonl"));
    window.findChild<QLineEdit *>(QStringLiteral("reportPath"))->setText(report);
    QSignalSpy scanned(&window, &StationWindow::scanned);
    window.scan();
    QVERIFY(scanned.wait(20000));
    QCOMPARE(window.cell(port(old), Column::InstalledColumn), QStringLiteral("GC3-1.6.8"));
    QCOMPARE(window.cell(port(old), Column::TargetColumn), QStringLiteral("GC3-1.6.9"));
    QVERIFY(window.cell(port(inRom), Column::ResultColumn).contains(QStringLiteral("ROM bootloader")));
    QVERIFY(window.cell(port(noFirmware), Column::ResultColumn).contains(QStringLiteral("no gripper answered")));

    click(window, "updateAll");
    QVERIFY(scanned.wait(20000));
    // While the others are written, the unit without firmware waits for its
    // power cycle, in the wizard's words.
    recoveryButton(window, port(noFirmware))->click();
    QTRY_COMPARE_WITH_TIMEOUT(window.cell(port(noFirmware), Column::StepColumn),
                              QStringLiteral("If the device is turned off, turn it on."), 10000);
    // The close is refused while a unit is between erase and start, and the
    // window says why.
    QTRY_VERIFY_WITH_TIMEOUT(window.unitsInBootloader().contains(port(old)), 30000);
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QVERIFY(text(window, "message").contains(QStringLiteral("Please wait")));
    QVERIFY(text(window, "message").contains(port(old)));
    QCOMPARE(noFirmware.state(), sim::State::Halted);
    noFirmware.powerCycle();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 60000);

    QCOMPARE(old.status().unit.version, (sim::Version{1, 6, 9}));
    QVERIFY(same.romLog().erasedSectors.empty());
    // The faulty one's fault stays in its row.
    QVERIFY(window.cell(port(faulty), Column::ResultColumn).startsWith(QStringLiteral("FAILED: erasing or writing")));
    QVERIFY(window.cell(port(old), Column::ResultColumn).startsWith(QStringLiteral("updated to GC3-1.6.9")));
    QCOMPARE(window.cell(port(old), Column::ProgressColumn), QStringLiteral("100"));
    QCOMPARE(window.cell(port(same), Column::ResultColumn), QStringLiteral("up to date"));
    // The units without working firmware wait for their recovery.
    QVERIFY(inRom.romLog().erasedSectors.empty());
    QCOMPARE(noFirmware.status().unit.version, (sim::Version{1, 6, 9}));
    QVERIFY(window.cell(port(noFirmware), Column::ResultColumn).startsWith(QStringLiteral("updated to GC3-1.6.9")));
    QCOMPARE(text(window, "counters"), QStringLiteral("2 updated, 1 failed, 1 up to date"));

    // The one in its ROM is told its type and written; the others are not
    // touched again.
    QVERIFY(recoveryButton(window, port(inRom))->isVisible());
    QVERIFY(!recoveryButton(window, port(same))->isVisible());
    QCOMPARE(recoveryButton(window, port(inRom))->parentWidget()->findChild<QComboBox *>()->currentText(),
             QStringLiteral("GC3"));
    QSignalSpy ended(&window, &StationWindow::unitEnded);
    recoveryButton(window, port(inRom))->click();
    QVERIFY(ended.wait(60000));
    QCOMPARE(inRom.status().unit.version, (sim::Version{1, 6, 9}));
    QVERIFY(window.cell(port(inRom), Column::ResultColumn).startsWith(QStringLiteral("updated to GC3-1.6.9")));
    QCOMPARE(text(window, "counters"), QStringLiteral("3 updated, 1 failed, 1 up to date"));

    const QHash<QString, QString> expected{{port(old), "updated"},
                                           {port(same), "up-to-date"},
                                           {port(faulty), "failed"},
                                           {port(inRom), "updated"},
                                           {port(noFirmware), "updated"}};
    QCOMPARE(reportResults(report), expected);
    QVERIFY(window.close());
}

void TestStation::forceAndLostReportLines()
{
    sim::GripperConfig current;
    current.version = {1, 6, 9};
    sim::GripperConfig newer;
    newer.version = {1, 7, 0};
    sim::Gripper &same = gripper(current);
    sim::Gripper &ahead = gripper(newer);
    StationWindow window;
    window.show();
    // A full disk: every line is lost, and the window says so.
    window.findChild<QLineEdit *>(QStringLiteral("reportPath"))->setText(QStringLiteral("/dev/full"));
    QSignalSpy scanned(&window, &StationWindow::scanned);
    window.updateAll();
    QVERIFY(scanned.wait(20000));
    QVERIFY(!window.isBusy());
    QCOMPARE(window.cell(port(same), Column::ResultColumn), QStringLiteral("up to date"));
    QCOMPARE(window.cell(port(ahead), Column::ResultColumn),
             QStringLiteral("not updated: it runs a newer version than GC3-1.6.9 (Force installs it anyway)"));
    QCOMPARE(text(window, "counters"),
             QStringLiteral("0 updated, 0 failed, 1 up to date, 1 not updated; 2 report line(s) not written"));
    QVERIFY(text(window, "message").contains(QStringLiteral("/dev/full: the line for")));

    window.findChild<QCheckBox *>(QStringLiteral("force"))->setChecked(true);
    window.updateAll();
    QVERIFY(scanned.wait(20000));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 60000);
    QCOMPARE(same.status().unit.version, (sim::Version{1, 6, 9}));
    QCOMPARE(same.romLog().erasedSectors.size(), size_t(4));
    QCOMPARE(ahead.status().unit.version, (sim::Version{1, 6, 9}));
}

void TestStation::stopGivesUpAndNamesTheUnitsLeftInTheirBootloader()
{
    sim::Gripper &g = gripper(slowErase());
    StationWindow window;
    window.show();
    window.findChild<QLineEdit *>(QStringLiteral("reportPath"))->setText(dir.filePath(QStringLiteral("stop.jsonl")));
    window.updateAll();
    QTRY_VERIFY_WITH_TIMEOUT(!window.unitsInBootloader().isEmpty(), 30000);
    click(window, "stop");
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 30000);
    QCOMPARE(g.state(), sim::State::Rom);
    QVERIFY(g.romLog().goAddresses.empty());
    QVERIFY(window.cell(port(g), Column::ResultColumn).startsWith(QStringLiteral("given up:")));
    QVERIFY2(text(window, "message").contains(QStringLiteral("Left in their bootloader")), qPrintable(text(window, "message")));
    QVERIFY(text(window, "message").contains(port(g)));
    QVERIFY(text(window, "counters").contains(QStringLiteral("1 given up")));
    QCOMPARE(reportResults(dir.filePath(QStringLiteral("stop.jsonl"))).value(port(g)), QStringLiteral("given-up"));
}

void TestStation::automaticModeUpdatesUnitsAsTheyArrive()
{
    // A port that will appear, named before the window starts watching.
    extraPorts = QStringList{dir.filePath(QStringLiteral("port%1").arg(serial))};
    qputenv("KORVANE_EXTRA_PORTS", extraPorts.join(QLatin1Char(':')).toLocal8Bit());
    StationWindow window;
    window.show();
    window.findChild<QLineEdit *>(QStringLiteral("reportPath"))->setText(dir.filePath(QStringLiteral("auto.jsonl")));
    window.findChild<QCheckBox *>(QStringLiteral("automatic"))->setChecked(true);
    QTest::qWait(200);

    sim::Gripper &g = gripper(sim::GripperConfig(), false);
    QTRY_VERIFY_WITH_TIMEOUT(window.row(port(g)) >= 0, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy() && !window.cell(port(g), Column::ResultColumn).isEmpty(), 60000);
    QVERIFY2(window.cell(port(g), Column::ResultColumn).startsWith(QStringLiteral("updated to GC3-1.6.9")),
             qPrintable(window.cell(port(g), Column::ResultColumn)));
    QCOMPARE(g.status().unit.version, (sim::Version{1, 6, 9}));

    // Pulled off the bench, its row says so.
    g.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(window.cell(port(g), Column::StepColumn), QStringLiteral("unplugged"), 10000);
}

QTEST_MAIN(TestStation)
#include "tst_station.moc"
