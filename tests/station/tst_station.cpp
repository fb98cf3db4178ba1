// What the station adds to a batch, its window driven offscreen against
// simulated grippers; the batch's own rules are in tests/batch.

#include "simflash.h"
#include "stationwindow.h"

#include <QCheckBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace std::chrono_literals;

namespace {

using Column = StationWindow::Column;

// Port by port, how the report says each unit ended; "twice" for a unit
// reported twice.
QHash<QString, QString> reportResults(const QString &path)
{
    QHash<QString, QString> results;
    QFile file(path);
    for (const QByteArray &line : file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QByteArrayList()) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        const QString port = object.value(QStringLiteral("port")).toString();
        if (!line.isEmpty())
            results.insert(port, results.contains(port) ? "twice" : object.value(QStringLiteral("result")).toString());
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
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); QVERIFY(dir.isValid()); }

    void eachRowReadsAtAGlanceAndTheCloseGuardsTheRom();
    void automaticModeUpdatesUnitsAsTheyArrive();
    void commandLineIsAnsweredWithoutAWindow();

private:
    sim::Gripper &gripper(sim::GripperConfig config, const QString &name = QString())
    {
        const QString path = dir.filePath(name.isEmpty() ? QStringLiteral("port%1").arg(serial++) : name);
        config.publishPath = path.toStdString();
        grippers.push_back(std::make_unique<sim::Gripper>(config));
        grippers.back()->waitForState(config.mainFirmware ? sim::State::Firmware : sim::State::Halted, 5s);
        if (!extraPorts.contains(path)) // named already for the automatic mode
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
        auto *table = window.findChild<QTableView *>();
        return table->indexWidget(table->model()->index(window.row(port), Column::RecoveryColumn))
            ->findChild<QPushButton *>();
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<sim::Gripper>> grippers;
    QStringList extraPorts;
    int serial = 0;
};

void TestStation::eachRowReadsAtAGlanceAndTheCloseGuardsTheRom()
{
    sim::Gripper &old = gripper(slowErase());
    sim::GripperConfig current;
    current.version = {1, 6, 9};
    sim::Gripper &same = gripper(current);
    // Behind a long by-id path, its fault must still be read in full.
    sim::Gripper &faulty = gripper(sim::GripperConfig(), "usb-Korvane_Gripper_Adapter_0123456789ABCDEF-if00-port0");
    faulty.setFaults(oneFault(&sim::Faults::romNackAtWrite, 3));
    sim::GripperConfig dead;
    dead.mainFirmware = false;
    sim::Gripper &noFirmware = gripper(dead);
    // Six rows, as on a bench: one unit waits in its ROM, another is current.
    sim::GripperConfig inRom;
    inRom.bootToRom = true;
    sim::Gripper &rom = gripper(inRom);
    sim::Gripper &sameToo = gripper(current);

    auto window = std::make_unique<StationWindow>();
    window->show();
    const QString report = dir.filePath(QStringLiteral("bench.jsonl"));
    window->findChild<QLineEdit *>(QStringLiteral("reportPath"))->setText(report);
    QSignalSpy scanned(window.get(), &StationWindow::scanned);
    // Stopped while its ports are still probed, "Update all" starts nothing.
    window->updateAll();
    window->stop();
    QVERIFY(scanned.wait(20000) && !window->isBusy());
    QCOMPARE(text(*window, "message"), QStringLiteral("Stopped."));
    // At its first size, on a 1280-pixel-wide screen, every column is in view.
    QTableView *table = window->findChild<QTableView *>();
    QCOMPARE(table->model()->rowCount(), 6);
    QVERIFY(window->width() <= 1280 - 16);
    QCOMPARE(table->horizontalScrollBar()->maximum(), 0);
    const int stepWidth = table->columnWidth(Column::StepColumn);
    const int resultAt = table->columnViewportPosition(Column::ResultColumn);
    const int recoveryAt = table->columnViewportPosition(Column::RecoveryColumn);
    window->updateAll();
    QVERIFY(scanned.wait(20000));
    // The close waits from the confirmed reboot request on, before the ROM
    // has said a word, says why, and closes once the new firmware runs.
    // The faulty unit ends first (a close gives up any unit still running
    // its firmware).
    QTRY_VERIFY_WITH_TIMEOUT(!window->cell(port(faulty), Column::ResultColumn).isEmpty(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(old.state() == sim::State::Rom, 30000);
    QVERIFY(!window->close());
    QVERIFY(text(*window, "message").contains(QStringLiteral("Please wait")));
    QVERIFY(text(*window, "message").contains(port(old)));
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 60000);
    QVERIFY(!window->isBusy());
    QCOMPARE(old.status().unit.version, (sim::Version{1, 6, 9}));
    window->show();

    for (const sim::Gripper *g : {&old, &same, &faulty})
        QVERIFY(window->cell(port(*g), Column::StepColumn).isEmpty());
    // The columns kept their places through the run, and what each row
    // ended with is read whole in its cell.
    QCOMPARE(table->columnWidth(Column::StepColumn), stepWidth);
    QCOMPARE(table->columnViewportPosition(Column::ResultColumn), resultAt);
    QCOMPARE(table->columnViewportPosition(Column::RecoveryColumn), recoveryAt);
    const QString failed = window->cell(port(faulty), Column::ResultColumn);
    QVERIFY2(failed.contains(QStringLiteral("FAILED: erasing or writing")), qPrintable(failed));
    for (const sim::Gripper *g : {&old, &faulty, &rom}) {
        const int r = window->row(port(*g));
        const QRect cell(0, 0, table->columnWidth(Column::ResultColumn) - 8, 10000);
        QVERIFY(table->fontMetrics().boundingRect(cell, Qt::TextWordWrap, window->cell(port(*g), Column::ResultColumn))
                    .height()
                <= table->rowHeight(r) - 4);
    }
    // The unit in its ROM is taken as korvane-flash update --all takes it.
    QCOMPARE(text(*window, "counters"), QStringLiteral("1 updated, 2 up to date, 1 not updated, 1 failed"));

    // Closed while a unit waits for its power cycle: it is given up, with
    // its line, and the window goes.
    recoveryButton(*window, port(noFirmware))->click();
    QTRY_COMPARE_WITH_TIMEOUT(window->cell(port(noFirmware), Column::StepColumn),
                              QStringLiteral("If the device is turned off, turn it on."), 10000);
    QVERIFY(window->close());
    window.reset();
    const QHash<QString, QString> expected{{port(old), "updated"},
                                           {port(same), "up-to-date"},
                                           {port(faulty), "failed"},
                                           {port(noFirmware), "given-up"},
                                           {port(rom), "refused"},
                                           {port(sameToo), "up-to-date"}};
    QCOMPARE(reportResults(report), expected);
}

void TestStation::automaticModeUpdatesUnitsAsTheyArrive()
{
    // A port yet to appear, named before the window watches.
    extraPorts = QStringList{dir.filePath(QStringLiteral("port%1").arg(serial))};
    qputenv("KORVANE_EXTRA_PORTS", extraPorts.first().toLocal8Bit());
    StationWindow window;
    window.show();
    const QString report = dir.filePath(QStringLiteral("automatic.jsonl"));
    window.findChild<QLineEdit *>(QStringLiteral("reportPath"))->setText(report);
    window.findChild<QCheckBox *>(QStringLiteral("automatic"))->setChecked(true);
    sim::Gripper &g = gripper(sim::GripperConfig());
    QTRY_COMPARE_WITH_TIMEOUT(reportResults(report).value(port(g)), QStringLiteral("updated"), 60000);
    QCOMPARE(g.status().unit.version, (sim::Version{1, 6, 9}));
    // Pulled off the bench, its row says so.
    g.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(window.cell(port(g), Column::StepColumn), QStringLiteral("unplugged"), 10000);
}

// Both window programs, asked on a machine without a display: the answer
// comes on the terminal, no window is tried and no session log is begun.
void TestStation::commandLineIsAnsweredWithoutAWindow()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "LANGUAGE"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("no-window")));
    for (const char *program : {KORVANE_STATION_PROGRAM, KORVANE_UPGRADER_PROGRAM}) {
        auto ask = [&](const QStringList &arguments, int code) {
            QProcess process;
            process.setProcessEnvironment(env);
            process.start(QString::fromLocal8Bit(program), arguments);
            const bool ended = process.waitForFinished(60000);
            process.kill();
            const QString out = QString::fromUtf8(process.readAllStandardOutput());
            return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == code ? out : QString();
        };
        const QString name = QFileInfo(QString::fromLocal8Bit(program)).fileName();
        QCOMPARE(ask({"--version"}, 0), name + QStringLiteral(" 1.2.0\n"));
        const QString help = ask({"--help"}, 0);
        QVERIFY2(help.contains("--lang <LANGUAGE>") && help.contains("Korvane gripper"), qPrintable(name + help));
        QVERIFY(ask({"--lang", "fr", "--help"}, 0).contains("pince"));
        QVERIFY(ask({"--lang"}, 2).isEmpty());
    }
    QVERIFY(!QDir(dir.filePath(QStringLiteral("no-window"))).exists());
}

QTEST_MAIN(TestStation)
#include "tst_station.moc"
