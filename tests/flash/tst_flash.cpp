// What korvane-flash adds to a batch (its command line, console, interrupts),
// run as a user runs it; the batch's own rules are in tests/batch.

#include "flashtool.h"
#include "simflash.h"
#include "terminal.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

struct Run
{
    int code = -1;
    QString out;
    QString err;
};

QList<QJsonObject> jsonLines(const QString &path)
{
    QFile file(path);
    QList<QJsonObject> lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            lines.append(QJsonDocument::fromJson(line).object());
    }
    return lines;
}

QString field(const QJsonObject &line, const char *key)
{
    return line.value(QLatin1String(key)).toString();
}

sim::GripperConfig ofKind(sim::Kind kind, bool bootToRom = false, sim::Version version = {1, 6, 8})
{
    sim::GripperConfig config;
    config.kind = kind;
    config.bootToRom = bootToRom;
    config.version = version;
    return config;
}

// Erasing the four main sectors takes four seconds, the rest of the line is
// quick: a unit that stays in its bootloader long enough to be acted on.
sim::GripperConfig slowErase()
{
    sim::GripperConfig config;
    config.pacing.enabled = true;
    config.pacing.baud = 2000000;
    config.pacing.erase128kSeconds = 1.0;
    return config;
}

// Whether `out` comes to hold `text` within ten seconds.
bool says(const QString &out, const QString &text)
{
    return QTest::qWaitFor([&] { return out.contains(text); }, 10000);
}

} // namespace

class TestFlash : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }
    void cleanup() { grippers.clear(), extraPorts.clear(); }

    void badArgumentsTouchNoGripper_data();
    void badArgumentsTouchNoGripper();
    void updatesSeveralKindsAtOnceWithOneFaulty();
    void planSaysWhatTheRunDoes();
    void watchUpdatesUnitsAsTheyArrive();
    void secondInterruptGivesUpAndSaysWhere();
    void consoleClosedGivesEveryUnitItsLine();

private:
    sim::Gripper &gripper(sim::GripperConfig config)
    {
        const QString path = dir.filePath(QStringLiteral("port%1").arg(serial++));
        config.publishPath = path.toStdString();
        grippers.push_back(std::make_unique<sim::Gripper>(config));
        grippers.back()->waitForState(config.bootToRom ? sim::State::Rom : sim::State::Firmware, 5s);
        if (!extraPorts.contains(path)) // named already for a watch
            extraPorts.append(path);
        return *grippers.back();
    }
    static QString port(const sim::Gripper &g) { return QString::fromStdString(g.publishedPath()); }
    QString writeFile(const QString &name, const QByteArray &content)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return QString();
        return path;
    }
    void setUp(QProcess &process) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORVANE_EXTRA_PORTS"), extraPorts.join(QLatin1Char(':')));
        process.setProcessEnvironment(env);
    }
    // In the background, what it prints gathered into `out` unless it goes
    // to `output` instead.
    void start(QProcess &process, QString &out, const QStringList &arguments, const QString &output = QString())
    {
        setUp(process);
        if (!output.isEmpty())
            process.setStandardOutputFile(output);
        connect(&process, &QProcess::readyReadStandardOutput, this,
                [&] { out += QString::fromLocal8Bit(process.readAllStandardOutput()); });
        process.start(QStringLiteral(KORVANE_FLASH_PROGRAM), arguments);
    }
    // `watch` started and waiting for the ports it names, of which `count`
    // are yet to appear.
    bool startWatch(QProcess &process, QString &out, int count, const QStringList &more = {})
    {
        extraPorts.clear();
        for (int i = 0; i < count; ++i)
            extraPorts.append(dir.filePath(QStringLiteral("port%1").arg(serial + i)));
        start(process, out, QStringList{"watch"} + more);
        return says(out, QStringLiteral("Waiting for grippers"));
    }
    // Two Ctrl-Cs, the second once the first is answered.
    static bool interruptTwice(QProcess &process, const QString &out)
    {
        ::kill(process.processId(), SIGINT);
        const bool answered = says(out, QStringLiteral("Ctrl-C again"));
        ::kill(process.processId(), SIGINT);
        return answered && process.waitForFinished(30000);
    }
    Run run(const QStringList &arguments)
    {
        QProcess process;
        Run result;
        start(process, result.out, arguments);
        if (!process.waitForFinished(120000))
            process.kill();
        process.waitForFinished();
        result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out += QString::fromLocal8Bit(process.readAllStandardOutput());
        result.err = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<sim::Gripper>> grippers;
    QStringList extraPorts;
    int serial = 0;
};

void TestFlash::badArgumentsTouchNoGripper_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    // %P stands for the gripper's port, %D for the test's folder.
    QTest::newRow("update without ports") << QStringList{"update"} << "name the ports";
    QTest::newRow("plan without ports") << QStringList{"plan", "--json"} << "name the ports";
    QTest::newRow("plan writes no report") << QStringList{"plan", "%P", "--report", "%D/r"} << "not an option";
    QTest::newRow("not a port") << QStringList{"update", "%D/nothing"} << "is not a serial port";
    QTest::newRow("image linked for another bank") << QStringList{"update", "%P", "--image", "%D/GC3-1.7.1.bin"}
                                                   << "its reset vector 0x08100401 is not inside the image";
    QTest::newRow("--type of no gripper") << QStringList{"update", "%P", "--type", "XY9"} << "not a gripper type";
    QTest::newRow("report cannot be written") << QStringList{"update", "%P", "--report", "%D/none/report.jsonl"}
                                              << "cannot be opened";
}

void TestFlash::badArgumentsTouchNoGripper()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    sim::Gripper &g = gripper(sim::GripperConfig());
    QVERIFY(!writeFile("GC3-1.7.1.bin", standin("CH", {1, 7, 1}, 50000, kMainAddressCH)).isEmpty());
    for (QString &argument : arguments)
        argument.replace(QLatin1String("%P"), port(g)).replace(QLatin1String("%D"), dir.path());

    const Run result = run(arguments);
    QVERIFY2(result.code == 2 && result.err.contains(message) && result.out.isEmpty(), qPrintable(result.err));
    QVERIFY(g.status().counters.hostOpens == 0 && g.status().counters.bytesReceived == 0);
}

// Several kinds at once, one of them faulty: a plain line per unit, the
// report, the sum and the exit status.
void TestFlash::updatesSeveralKindsAtOnceWithOneFaulty()
{
    sim::Gripper &good = gripper(sim::GripperConfig());
    sim::Gripper &faulty = gripper(sim::GripperConfig());
    sim::Gripper &chG = gripper(ofKind(sim::Kind::CH));
    faulty.setFaults(oneFault(&sim::Faults::romFlipAtWrite, 7));
    const QString chImage = writeFile("CH-1.6.9.bin", standin("CH", {1, 6, 9}, 60000, kMainAddressCH));
    const QString report = dir.filePath(QStringLiteral("several.jsonl"));
    // `good` named twice, through its link and its device node: one unit.
    const Run result = run({"update", port(good), port(faulty), port(chG), QString::fromStdString(good.path()),
                            "--image", chImage, "--report", report});
    QCOMPARE(result.code, 1);
    QCOMPARE(jsonLines(report).size(), 3);
    // Not a terminal here: plain lines, one result per unit, then the sum.
    QVERIFY(result.out.contains(port(faulty) + ": GC3-1.6.8 FAILED"));
    QVERIFY(result.out.contains(port(chG) + ": updated CH-1.6.8 -> CH-1.6.9"));
    QVERIFY(!result.out.contains(QLatin1Char('\x1b')));
    QVERIFY2(result.out.endsWith(QStringLiteral("\n2 updated, 1 failed\n")), qPrintable(result.out));
}

// The plan, port by port as named: only those are looked into, and nothing
// is written. That it is the run's own choice is tested in tests/batch.
void TestFlash::planSaysWhatTheRunDoes()
{
    sim::Gripper &older = gripper(sim::GripperConfig());
    sim::Gripper &inRom = gripper(ofKind(sim::Kind::GC, true));
    sim::Gripper &silent = gripper(ofKind(sim::Kind::Silent));
    sim::Gripper &current = gripper(ofKind(sim::Kind::GC, false, {1, 6, 9}));
    sim::Gripper &other = gripper(sim::GripperConfig());
    // As a by-id link names a port.
    const QString link = dir.filePath(QStringLiteral("usb-Korvane_GC3-if00"));
    QVERIFY(QFile::link(port(current), link));
    const QStringList named{port(older), port(inRom), port(silent), link, "--type", "GC3"};

    const Run plan = run(QStringList{"plan", "--json"} + named);
    QCOMPARE(plan.code, 0);
    QStringList planned;
    for (const QJsonValue &value : QJsonDocument::fromJson(plan.out.toUtf8()).array()) {
        const QJsonObject row = value.toObject();
        planned << QStringList{field(row, "port"), field(row, "action"), field(row, "image"),
                               field(row, "version_after")}.join(QLatin1Char(' '));
        QVERIFY(!field(row, "line").isEmpty() && field(row, "reason").isEmpty() == (field(row, "action") != "not updated"));
    }
    const QString update = QStringLiteral(" update GC3-1.6.9.bin 1.6.9");
    QCOMPARE(planned, (QStringList{port(older) + update, port(inRom) + update, port(silent) + " not updated  ",
                                   link + " up to date  1.6.9"}));
    QVERIFY(other.status().counters.hostOpens == 0);
    for (const sim::Gripper *g : {&older, &inRom, &current})
        QVERIFY(g->romLog().erasedSectors.empty() && g->romLog().writes.empty());
}

void TestFlash::watchUpdatesUnitsAsTheyArrive()
{
    const QString report = dir.filePath(QStringLiteral("watch.jsonl"));
    QProcess process;
    QString out;
    QVERIFY(startWatch(process, out, 2, {"--report", report}));
    sim::Gripper &first = gripper(slowErase());
    QTRY_VERIFY_WITH_TIMEOUT(first.romLog().syncs > 0, 60000);
    sim::Gripper &second = gripper(slowErase());
    QTRY_VERIFY_WITH_TIMEOUT(second.romLog().syncs > 0, 60000);

    ::kill(process.processId(), SIGINT);
    QVERIFY(process.waitForFinished(120000) && process.exitCode() == 0);
    for (const sim::Gripper *g : {&first, &second})
        QVERIFY(out.contains(port(*g) + ": updated GC3-1.6.8 -> GC3-1.6.9"));
    QCOMPARE(jsonLines(report).size(), 2);
    QVERIFY(out.endsWith(QStringLiteral("\n2 updated\n")));
}

void TestFlash::secondInterruptGivesUpAndSaysWhere()
{
    QProcess process;
    QString out;
    QVERIFY(startWatch(process, out, 1));
    sim::Gripper &g = gripper(slowErase());
    // Between the reboot echo and the ROM's first answer: there already.
    QTRY_VERIFY_WITH_TIMEOUT(g.state() == sim::State::Rom, 60000);
    QVERIFY(interruptTwice(process, out) && process.exitCode() == 1);
    QVERIFY(out.contains(port(g) + " was left in its bootloader"));
    QVERIFY(g.state() == sim::State::Rom && g.romLog().goAddresses.empty());

}

void TestFlash::consoleClosedGivesEveryUnitItsLine()
{
    sim::Gripper &g = gripper(slowErase());
    qputenv("KORVANE_EXTRA_PORTS", port(g).toLocal8Bit());
    Options options;
    options.command = QStringLiteral("update");
    options.ports = QStringList{port(g)};
    options.reportPath = dir.filePath(QStringLiteral("closed.jsonl"));
    FlashTool tool(options);
    QString error;
    QVERIFY(tool.prepare(&error) && tool.startUpdate(&error));
    QTRY_VERIFY_WITH_TIMEOUT(!g.romLog().erasedSectors.empty() || g.romLog().syncs > 0, 60000);
    // The system calls the handler on a thread of its own, ending the process once it returns.
    std::atomic<bool> returned{false};
    std::thread handler([&] {
        Terminal::callAndWait(&tool, [&] { tool.closeNow(); });
        returned = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(returned, 30000);
    handler.join();
    const QList<QJsonObject> lines = jsonLines(options.reportPath);
    QVERIFY(lines.size() == 1 && field(lines.first(), "result") == QLatin1String("given-up"));
    QVERIFY(lines.first().value(QStringLiteral("left_in_bootloader")).toBool());
    QCOMPARE(g.state(), sim::State::Rom);
}

QTEST_GUILESS_MAIN(TestFlash)
#include "tst_flash.moc"
