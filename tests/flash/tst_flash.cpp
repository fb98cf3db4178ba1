// What korvane-flash adds to a batch (its command line, console, interrupts),
// run as a user runs it; the batch's own rules are in tests/batch.

#include "flashtool.h"
#include "qextserialenumerator.h"
#include "simflash.h"
#include "terminal.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

using namespace std::chrono_literals;

namespace {

struct Fd
{
    int fd = -1;
    ~Fd() { if (fd >= 0) ::close(fd); }
};

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

// `list` shows `port` with `state` in brackets instead of a gripper.
bool listedAs(const QString &out, const QString &port, const QString &state)
{
    return out.contains(QRegularExpression(QRegularExpression::escape(port) + " +\\(" + state + "\\)"));
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
    void cleanup() { grippers.clear(), extraPorts.clear(), asUser = false; }

    void badArgumentsTouchNoGripper_data();
    void badArgumentsTouchNoGripper();
    void updatesSeveralKindsAtOnceWithOneFaulty();
    void planSaysWhatTheRunDoes();
    void questionsAreAnsweredEvenWhenNothingIsFound();
    void watchUpdatesUnitsAsTheyArrive();
    void secondInterruptGivesUpAndSaysWhere();
    void consoleClosedGivesEveryUnitItsLine();
    void portsItCannotUseAreNamedAndSentNothing();
    void manualRebootWaitsForThePowerCycle_data();
    void manualRebootWaitsForThePowerCycle();
    void liveLinesFitTheTerminalAndOutliveIt();

private:
    sim::Gripper &gripper(sim::GripperConfig config)
    {
        const QString path = dir.filePath(QStringLiteral("port%1").arg(serial++));
        config.publishPath = path.toStdString();
        grippers.push_back(std::make_unique<sim::Gripper>(config));
        grippers.back()->waitForState(config.bootToRom ? sim::State::Rom
                                      : config.mainFirmware ? sim::State::Firmware : sim::State::Halted, 5s);
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
        // asUser: as a user whom permissions and exclusive ports stop, which
        // root is not: root without its capabilities (a user namespace would
        // do too, but a chroot may not make one).
        if (asUser && ::geteuid() == 0)
            process.start(QStringLiteral("setpriv"),
                          QStringList{"--bounding-set=-all", "--inh-caps=-all", KORVANE_FLASH_PROGRAM} + arguments);
        else
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
    bool asUser = false;
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
    QTest::newRow("--type GS") << QStringList{"update", "%P", "--type", "GS"} << "--type is for the STM32 kinds";
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
// report, the sum and the exit status. An FS unit found in its ROM, given
// its type, gets the main region every kind but CH has.
void TestFlash::updatesSeveralKindsAtOnceWithOneFaulty()
{
    sim::Gripper &good = gripper(sim::GripperConfig());
    sim::Gripper &faulty = gripper(sim::GripperConfig());
    sim::Gripper &chG = gripper(ofKind(sim::Kind::CH));
    sim::Gripper &fs = gripper(ofKind(sim::Kind::GC, true));
    // Named first and left alone at once: the run goes on to the others.
    sim::Gripper &current = gripper(ofKind(sim::Kind::GC, false, {1, 6, 9}));
    faulty.setFaults(oneFault(&sim::Faults::romFlipAtWrite, 7));
    const QString chImage = writeFile("CH-1.6.9.bin", standin("CH", {1, 6, 9}, 60000, kMainAddressCH));
    const QByteArray fsImage = standin("FS", {1, 7, 0}, 50000);
    const QString report = dir.filePath(QStringLiteral("several.jsonl"));
    // `good` named twice, through its link and its device node: one unit.
    const Run result = run({"update", port(current), port(good), port(faulty), port(chG), port(fs),
                            QString::fromStdString(good.path()), "--image", chImage, "--image",
                            writeFile("FS-1.7.0.bin", fsImage), "--type", "FS", "--report", report});
    QCOMPARE(result.code, 1);
    QCOMPARE(jsonLines(report).size(), 5);
    // Not a terminal here: plain lines, one result per unit, then the sum.
    QVERIFY(result.out.contains(port(faulty) + ": GC3-1.6.8 FAILED"));
    QVERIFY(result.out.contains(port(chG) + ": updated CH-1.6.8 -> CH-1.6.9"));
    QVERIFY(result.out.contains(port(fs) + ": updated BL_STM32 -> FS-1.7.0"));
    QVERIFY(flashHoldsExactly(fs, kMainAddress, fsImage, kMainRegion));
    QVERIFY(!result.out.contains(QLatin1Char('\x1b')));
    QVERIFY2(result.out.endsWith(QStringLiteral("\n3 updated, 1 up to date, 1 failed\n")), qPrintable(result.out));
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
        QVERIFY(!field(row, "line").isEmpty() && field(row, "reason").isEmpty() == (field(row, "action") != "refused"));
    }
    const QString update = QStringLiteral(" update GC3-1.6.9.bin 1.6.9");
    QCOMPARE(planned, (QStringList{port(older) + update, port(inRom) + update, port(silent) + " refused  ",
                                   link + " up-to-date  1.6.9"}));
    QVERIFY(other.status().counters.hostOpens == 0);
    for (const sim::Gripper *g : {&older, &inRom, &current})
        QVERIFY(g->romLog().erasedSectors.empty() && g->romLog().writes.empty());

    // --all: the run ends the very units the plan names, each in the plan's word (a silent port is in neither).
    QMap<QString, QString> said;
    for (const QJsonValue &value : QJsonDocument::fromJson(run({"plan", "--all", "--json", "--type", "GC3"}).out.toUtf8()).array())
        said[field(value.toObject(), "port")] = field(value.toObject(), "action").replace("update", "updated");
    const QString report = dir.filePath(QStringLiteral("all.jsonl"));
    const Run all = run({"update", "--all", "--type", "GC3", "--report", report, "--json"});
    // With --json standard output holds the report's lines and nothing else.
    QFile reported(report);
    QVERIFY(reported.open(QIODevice::ReadOnly));
    QCOMPARE(all.out, QString::fromUtf8(reported.readAll()));
    QMap<QString, QString> done;
    for (const QJsonObject &line : jsonLines(report))
        done[line.value(QStringLiteral("port")).toString()] = line.value(QStringLiteral("result")).toString();
    const auto text = [](const QMap<QString, QString> &units) {
        QStringList lines;
        for (auto unit = units.cbegin(); unit != units.cend(); ++unit)
            lines << unit.key() + QLatin1Char(' ') + unit.value();
        return lines.join(QStringLiteral(", "));
    };
    QVERIFY2(done == said, qPrintable(QStringLiteral("ended: %1; planned: %2").arg(text(done), text(said))));
    QVERIFY(said.size() >= 4 && !said.contains(port(silent)));
}

// Help, history and a port of the machine itself: each answer says what was
// asked and what was found, and no silence passes for "nothing there".
void TestFlash::questionsAreAnsweredEvenWhenNothingIsFound()
{
    Run help = run({"--help-all"});
    QVERIFY2(help.code == 0 && help.out.contains("history"), qPrintable(help.err));
    help = run({"plan", "--help"});
    QVERIFY(help.code == 0 && help.out.contains("plan {PORT... | --all}") && help.out.contains("--force"));
    QVERIFY(!help.out.contains("--report") && !help.out.contains("Commands:"));
    help = run({"history", "--help"});
    QVERIFY(help.code == 0 && help.out.contains("--since") && !help.out.contains("--force"));
    for (const char *command : {"list", "update", "plan", "watch", "history", "help"})
        QCOMPARE(run({"help", command}).out, run({command, "--help"}).out);
    QCOMPARE(run({"help", "frobnicate"}).code, 2);

    const QString empty = writeFile("empty.jsonl", QByteArray());
    const QString one = writeFile("one.jsonl", R"({"record":1,"time":"2026-12-08T10:00:00.000Z","unit_id":"AB"})" "\n");
    const QList<std::pair<QStringList, QString>> asked = {
        {{"history", "--report", dir.filePath("mistyped.jsonl")}, "mistyped.jsonl: no such file"},
        {{"history", "--report", dir.path()}, dir.path()},
        {{"history", "--report", empty}, "empty.jsonl holds no record."},
        {{"history", "--report", one, "--unit", "CD"}, "1 record, which does not answer the question."},
    };
    // Read and shown in local time: 10:00 UTC is 11:00 an hour east.
    qputenv("TZ", "CET-1");
    const Run local = run({"history", "--report", one, "--since", "2026-12-08T10:30"});
    const Run later = run({"history", "--report", one, "--since", "2026-12-08T11:30"});
    qunsetenv("TZ");
    QVERIFY2(local.out.startsWith("Time ") && local.out.contains("\n2026-12-08 11:00:00  AB  ")
             && later.out.contains("which does not answer"), qPrintable(local.out + later.out));
    for (const auto &question : asked) {
        const Run answer = run(question.first);
        const bool isError = question.second.endsWith("no such file") || question.second == dir.path();
        QVERIFY2(answer.code == (isError ? 1 : 0) && (isError ? answer.err : answer.out).contains(question.second),
                 qPrintable(question.first.join(' ') + ": " + answer.out + answer.err));
    }

    // The machine's own UART (a port without a USB vendor) is never probed:
    // named, it is said to be one, not to have gone away.
    for (const QextPortInfo &builtIn : QextSerialEnumerator::getPorts()) {
        if (builtIn.enumName != QLatin1String("ACPI"))
            continue;
        const Run plan = run({"plan", builtIn.physName.isEmpty() ? builtIn.portName : builtIn.physName});
        QVERIFY2(plan.code == 2 && plan.err.contains("serial port of the machine itself"), qPrintable(plan.err));
        break;
    }
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

    // Ctrl-C while the ports named are probed (a silent one takes its time):
    // no unit is started, each has its line, and the run says it stopped.
    sim::Gripper &waiting = gripper(sim::GripperConfig());
    sim::Gripper &silent = gripper(ofKind(sim::Kind::Silent));
    const QString report = dir.filePath(QStringLiteral("stopped.jsonl"));
    QProcess early;
    QString said;
    start(early, said, {"update", port(waiting), port(silent), "--report", report});
    QTRY_VERIFY_WITH_TIMEOUT(silent.status().counters.bytesReceived > 0, 10000);
    ::kill(early.processId(), SIGINT);
    QVERIFY(early.waitForFinished(30000) && early.exitCode() == 1);
    QVERIFY(waiting.state() == sim::State::Firmware && waiting.romLog().syncs == 0);
    QCOMPARE(jsonLines(report).size(), 2);
    QCOMPARE(jsonLines(report).first().value(QStringLiteral("result")).toString(), QStringLiteral("given-up"));
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

void TestFlash::portsItCannotUseAreNamedAndSentNothing()
{
    sim::Gripper &locked = gripper(sim::GripperConfig());
    sim::Gripper &held = gripper(sim::GripperConfig());
    sim::Gripper &closed = gripper(sim::GripperConfig());
    sim::Gripper &current = gripper(ofKind(sim::Kind::GC, false, {1, 6, 9}));
    // Another of our programs writing a unit holds the lock of its line, as
    // the bootloader library's session does: that keeps root out as well.
    Fd locker{::open(locked.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)};
    QVERIFY(locker.fd >= 0 && ::flock(locker.fd, LOCK_EX | LOCK_NB) == 0);
    Run result = run({"list"});
    QVERIFY2(listedAs(result.out, port(locked), "in use"), qPrintable(result.out));
    QCOMPARE(locked.status().counters.bytesReceived, 0L);

    Fd holder{::open(held.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)};
    QVERIFY(holder.fd >= 0 && ::ioctl(holder.fd, TIOCEXCL) == 0);
    QVERIFY(::chmod(closed.path().c_str(), 0) == 0);
    const auto received = [&] { return held.status().counters.bytesReceived + closed.status().counters.bytesReceived; };
    const long before = received();
    asUser = true;
    const QString report = dir.filePath(QStringLiteral("closed.jsonl"));
    result = run({"update", "--all", "--report", report});
    QCOMPARE(result.code, 1);
    const QString notUpdated = QStringLiteral(": Unidentified not updated: ");
    for (const sim::Gripper *g : {&locked, &held})
        QVERIFY2(result.out.contains(port(*g) + notUpdated + "the port is in use by another program"),
                 qPrintable(result.out));
    QVERIFY(result.out.contains(port(closed) + notUpdated + "no access to the port: add the user to its group"));
    QVERIFY(result.out.contains(port(current) + ": GC3-1.6.9 is up to date"));
    QCOMPARE(jsonLines(report).size(), 4);
    QVERIFY2(result.out.endsWith(QStringLiteral("\n1 up to date, 3 not updated\n")), qPrintable(result.out));
    result = run({"list"});
    QVERIFY(listedAs(result.out, port(held), "in use") && listedAs(result.out, port(closed), "no access"));
    QVERIFY(received() == before && locked.status().counters.bytesReceived == 0);
}

void TestFlash::manualRebootWaitsForThePowerCycle_data()
{
    QTest::addColumn<bool>("gs");
    QTest::addColumn<QString>("updated");
    QTest::newRow("STM32 unit without firmware") << false << "updated Unidentified -> GC3-1.6.9";
    QTest::newRow("GS") << true << "updated GS-1.6.8 -> GS-1.6.9";
}

// Switched off and on by hand, more slowly than the automatic reboot's five
// seconds: the unit is waited for, then updated. A GS unit is sent no
// reboot request: its bootloader greets at power-on.
void TestFlash::manualRebootWaitsForThePowerCycle()
{
    QFETCH(bool, gs);
    QFETCH(QString, updated);
    if (gs)
        KORVANE_SKIP_IF(freescaleSkipReason());
    sim::GripperConfig config = gs ? gsGripper() : sim::GripperConfig();
    // Nothing in flash answers the STM32 unit: only its product bootloader,
    // just after power-on, hears the reboot request.
    config.mainFirmware = gs;
    sim::Gripper &g = gripper(config);
    QProcess process;
    QString out;
    const QStringList type = gs ? QStringList() : QStringList{"--type", "GC3"};
    start(process, out, QStringList{"update", port(g), "--manual-reboot"} + type);
    QVERIFY(says(out, port(g) + ": If the device is turned off, turn it on."));
    g.powerOff();
    QTest::qWait(6000);
    QCOMPARE(process.state(), QProcess::Running);
    g.powerOn();
    QVERIFY(process.waitForFinished(60000) && process.exitCode() == 0);
    QVERIFY2(out.contains(port(g) + ": " + updated), qPrintable(out));
}

void TestFlash::liveLinesFitTheTerminalAndOutliveIt()
{
    // The test holds the terminal's other side: it reads what is drawn, sets
    // the window's size and in the end hangs up, as a dropped SSH session does.
    // Not inherited: the program must not hold its own terminal open.
    Fd terminal{::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)};
    QVERIFY(terminal.fd >= 0 && ::grantpt(terminal.fd) == 0 && ::unlockpt(terminal.fd) == 0);
    const auto resize = [&](unsigned short rows) {
        const winsize size = {rows, 60, 0, 0};
        return ::ioctl(terminal.fd, TIOCSWINSZ, &size) == 0;
    };
    QVERIFY(resize(24));
    QByteArray screen;
    QSocketNotifier notifier(terminal.fd, QSocketNotifier::Read);
    connect(&notifier, &QSocketNotifier::activated, this, [&] {
        char buffer[4096];
        const ssize_t got = ::read(terminal.fd, buffer, sizeof buffer);
        screen.append(buffer, int(std::max<ssize_t>(got, 0)));
    });
    sim::Gripper &a = gripper(slowErase());
    sim::Gripper &b = gripper(slowErase());
    const QString report = dir.filePath(QStringLiteral("hangup.jsonl"));
    QProcess process;
    QString unused;
    start(process, unused, {"update", port(a), port(b), "--report", report},
          QString::fromLocal8Bit(::ptsname(terminal.fd)));
    QTRY_VERIFY_WITH_TIMEOUT(a.romLog().syncs > 0 && b.romLog().syncs > 0 && screen.contains("\x1b[J"), 60000);
    // Drawn in place, each line short of the last column.
    static const QRegularExpression control(QStringLiteral("\x1b\\[[0-9]*[A-Za-z]|\r"));
    for (const QString &line : QString::fromLocal8Bit(screen).split(QLatin1Char('\n')))
        QVERIFY2(QString(line).remove(control).size() < 60, qPrintable(line));

    // A row for each unit and none for the cursor: plain lines; live lines
    // again, redrawn in place, once the window has grown.
    const auto since = [&](int from) { return QString::fromLocal8Bit(screen.mid(from)); };
    int mark = screen.size();
    QVERIFY(resize(2));
    const QRegularExpression stepLine(QRegularExpression::escape(port(a)) + ": [A-Z][a-z]"); // not its result
    QTRY_VERIFY_WITH_TIMEOUT(since(mark).contains(stepLine), 20000);
    mark = screen.size();
    QVERIFY(resize(24));
    QTRY_VERIFY_WITH_TIMEOUT(since(mark).contains(QStringLiteral("\x1b[2A")), 20000);

    notifier.setEnabled(false);
    ::close(std::exchange(terminal.fd, -1));
    QCOMPARE(process.state(), QProcess::Running);
    ::kill(process.processId(), SIGHUP);
    QVERIFY(process.waitForFinished(120000));
    QVERIFY(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
    QCOMPARE(b.status().unit.version, (sim::Version{1, 6, 9}));
    QCOMPARE(jsonLines(report).size(), 2);

    // Without a terminal (ssh HOST korvane-flash ...) the output is a pipe
    // whose reader ends with the session.
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("stdout.fifo")));
    QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
    Fd reader{::open(fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    QProcess piped;
    start(piped, unused, {"update", port(a), "--report", report}, QFile::decodeName(fifo));
    QVERIFY(piped.waitForStarted());
    ::close(std::exchange(reader.fd, -1));
    QVERIFY(piped.waitForFinished(60000));
    QVERIFY(piped.exitStatus() == QProcess::NormalExit && piped.exitCode() == 0);
    QCOMPARE(jsonLines(report).size(), 3);
}

QTEST_GUILESS_MAIN(TestFlash)
#include "tst_flash.moc"
