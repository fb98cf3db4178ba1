// korvane-flash as a user runs it: a child process finding simulated
// grippers through KORVANE_EXTRA_PORTS. What counts is what the grippers
// hold afterwards, what the program printed and wrote to its report, and its
// exit status.

#include "simflash.h"

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
#include <sys/file.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

struct Fd
{
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
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

QJsonObject lineFor(const QList<QJsonObject> &lines, const QString &port)
{
    for (const QJsonObject &line : lines) {
        if (field(line, "port") == port)
            return line;
    }
    return QJsonObject();
}

sim::GripperConfig ofKind(sim::Kind kind, bool bootToRom = false, sim::Version version = {1, 6, 8})
{
    sim::GripperConfig config;
    config.kind = kind;
    config.bootToRom = bootToRom;
    config.version = version;
    return config;
}

sim::GripperConfig paced()
{
    sim::GripperConfig config;
    config.pacing.enabled = true;
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
    void cleanup()
    {
        grippers.clear();
        extraPorts.clear();
    }

    void helpAndVersion();
    void badArgumentsTouchNoGripper_data();
    void badArgumentsTouchNoGripper();
    void listsEveryKindAtOnce();
    void updatesSeveralKindsAtOnceWithOneFaulty();
    void upToDateIsLeftAloneUnlessForced();
    void allTakesTheGrippersFound();
    void updatedOnlyWhenTheNewVersionIsReadBack();
    void unpluggedUnitFailsAlone();
    void manualRebootWaitsForThePowerCycle();
    void gsThroughItsFreescaleBootloader();
    void watchUpdatesUnitsAsTheyArrive();
    void secondInterruptGivesUpAndSaysWhere();
    void liveLinesFitTheTerminalAndOutliveIt();

private:
    sim::Gripper &gripper(sim::GripperConfig config)
    {
        const QString path = dir.filePath(QStringLiteral("port%1").arg(serial++));
        config.publishPath = path.toStdString();
        grippers.push_back(std::make_unique<sim::Gripper>(config));
        const sim::State running = config.bootToRom     ? sim::State::Rom
                                   : config.mainFirmware ? sim::State::Firmware
                                                         : sim::State::Halted;
        grippers.back()->waitForState(running, 5s);
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
    // `unprivileged`: as a user whom permissions and exclusive ports stop,
    // which root is not (a user namespace of its own takes its powers).
    Run run(const QStringList &arguments, int ms = 120000, bool unprivileged = false) const
    {
        QProcess process;
        setUp(process);
        if (unprivileged && ::geteuid() == 0)
            process.start(QStringLiteral("unshare"), QStringList{"-U", KORVANE_FLASH_PROGRAM} + arguments);
        else
            process.start(QStringLiteral(KORVANE_FLASH_PROGRAM), arguments);
        Run result;
        if (!process.waitForFinished(ms)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        result.err = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<sim::Gripper>> grippers;
    QStringList extraPorts;
    int serial = 0;
};

void TestFlash::helpAndVersion()
{
    const Run help = run({"--help"});
    QVERIFY(help.code == 0 && help.out.contains(QStringLiteral("korvane-flash update")));
    const Run version = run({"list", "--version"});
    QVERIFY(version.code == 0 && version.out.contains(QStringLiteral("carried firmware: GC3-1.6.9.bin")));
}

void TestFlash::badArgumentsTouchNoGripper_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    // %P stands for the gripper's port, %D for the test's folder.
    QTest::newRow("no command") << QStringList() << "no command";
    QTest::newRow("unknown command") << QStringList{"flash", "%P"} << "unknown command 'flash'";
    QTest::newRow("update without ports") << QStringList{"update"} << "name the ports";
    QTest::newRow("ports and --all") << QStringList{"update", "%P", "--all"} << "not both";
    QTest::newRow("unknown option") << QStringList{"update", "%P", "--fast"} << "'--fast' is not an option";
    QTest::newRow("list takes no ports") << QStringList{"list", "%P"} << "takes no ports";
    QTest::newRow("--image without its file") << QStringList{"update", "%P", "--image"} << "--image needs a value";
    QTest::newRow("not a port") << QStringList{"update", "%D/nothing"} << "is not a serial port";
    QTest::newRow("image named for no type") << QStringList{"update", "%P", "--image", "%D/firmware.bin"}
                                             << "must start with the gripper's type code";
    QTest::newRow("image missing") << QStringList{"update", "%P", "--image", "%D/GC3-1.7.0.bin"} << "cannot be read";
    QTest::newRow("image too large") << QStringList{"update", "%P", "--image", "%D/GD-1.7.0.bin"}
                                     << "do not fit the 524288 bytes";
    QTest::newRow("empty image") << QStringList{"update", "%P", "--image", "%D/GU-1.7.0.bin"} << "is empty";
    QTest::newRow("image linked for another bank") << QStringList{"update", "%P", "--image", "%D/GC3-1.7.1.bin"}
                                                   << "its reset vector 0x08100401 is not inside the image";
    QTest::newRow("two images for one type")
        << QStringList{"update", "%P", "--image", "%D/GV-1.7.0.bin", "--image", "%D/GV-1.7.0.bin"} << "two images";
    QTest::newRow("--type of no gripper") << QStringList{"update", "%P", "--type", "XY9"} << "not a gripper type";
    QTest::newRow("--manual-reboot with --all") << QStringList{"update", "--all", "--manual-reboot"}
                                                << "needs the ports named";
    QTest::newRow("report cannot be written") << QStringList{"update", "%P", "--report", "%D/none/report.jsonl"}
                                              << "cannot be opened";
}

void TestFlash::badArgumentsTouchNoGripper()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    sim::Gripper &g = gripper(sim::GripperConfig());
    // A CH image under a GC3 name: right name, right size, wrong bank.
    const QList<QPair<QString, QByteArray>> files = {
        {"firmware.bin", standin("GC3", {1, 7, 0}, 1000)}, {"GD-1.7.0.bin", QByteArray(int(kMainRegion) + 4, 'U')},
        {"GU-1.7.0.bin", QByteArray()}, {"GC3-1.7.1.bin", standin("CH", {1, 7, 1}, 50000, kMainAddressCH)},
        {"GV-1.7.0.bin", standin("GV", {1, 7, 0}, 2000)}};
    for (const auto &file : files)
        QVERIFY(!writeFile(file.first, file.second).isEmpty());
    for (QString &argument : arguments)
        argument.replace(QLatin1String("%P"), port(g)).replace(QLatin1String("%D"), dir.path());

    const Run result = run(arguments);
    QVERIFY2(result.code == 2 && result.err.contains(message) && result.out.isEmpty(), qPrintable(result.err));
    QVERIFY(g.status().counters.hostOpens == 0 && g.status().counters.bytesReceived == 0);
}

void TestFlash::listsEveryKindAtOnce()
{
    sim::GripperConfig k01 = ofKind(sim::Kind::K01WithGB1);
    k01.secondaryVersion = {1, 2, 3};
    const QString gcPort = port(gripper(sim::GripperConfig()));
    const QString chPort = port(gripper(ofKind(sim::Kind::CH)));
    const QString k01Port = port(gripper(k01));
    sim::Gripper &inRom = gripper(ofKind(sim::Kind::GC, true));
    const QString silentPort = port(gripper(ofKind(sim::Kind::Silent)));

    const Run result = run({"list", "--json"});
    QCOMPARE(result.code, 0);
    QStringList seen;
    for (const QJsonValue &value : QJsonDocument::fromJson(result.out.toUtf8()).array()) {
        const QJsonObject row = value.toObject();
        seen.append(QStringList{field(row, "port"), field(row, "kind"), field(row, "type_code"), field(row, "version"),
                                QString::number(row.value(QStringLiteral("in_bootloader")).toBool())}
                        .join(QLatin1Char(' ')));
    }
    QCOMPARE(seen, (QStringList{gcPort + " GC GC3 1.6.8 0", chPort + " CH CH 1.6.8 0", k01Port + " K01 K01 1.6.8 0",
                                k01Port + " GB1 GB1 1.2.3 0", port(inRom) + " BL_STM32 BL_STM32  1",
                                silentPort + " Unidentified   0"}));
    // Listing changes nothing: no reboot reached any gripper.
    QCOMPARE(inRom.romLog().writes.size(), size_t(0));
    for (const auto &g : grippers)
        QVERIFY(g->state() == (g->config().bootToRom ? sim::State::Rom : sim::State::Firmware));
}

void TestFlash::updatesSeveralKindsAtOnceWithOneFaulty()
{
    sim::Gripper &good = gripper(sim::GripperConfig());
    sim::Gripper &faulty = gripper(sim::GripperConfig());
    sim::Gripper &chG = gripper(ofKind(sim::Kind::CH));
    sim::Gripper &k01G = gripper(ofKind(sim::Kind::K01WithGB1));
    sim::Gripper &romG = gripper(ofKind(sim::Kind::GC, true));
    sim::Gripper &silentG = gripper(ofKind(sim::Kind::Silent));
    sim::Faults flipped;
    flipped.romFlipAtWrite = 7;
    faulty.setFaults(flipped);
    const QByteArray chImage = standin("CH", {1, 6, 9}, 60000, kMainAddressCH);
    const QByteArray gb1Image = standin("GB1", {1, 6, 9}, 50000);
    const QString report = dir.filePath(QStringLiteral("several.jsonl"));

    // `good` named twice, through its link and its device node: one unit.
    const Run result = run({"update", port(good), port(faulty), port(chG), port(k01G), port(romG), port(silentG),
                            QString::fromStdString(good.path()), "--image", writeFile("CH-1.6.9.bin", chImage),
                            "--image", writeFile("GB1-1.6.9.bin", gb1Image), "--type", "GC3", "--report", report});
    QCOMPARE(result.code, 1);
    // The silent port was only probed (two sync bytes and a version
    // request), never sent a reboot request.
    QVERIFY(silentG.status().counters.bytesReceived <= 2 + 8);

    const QList<QJsonObject> lines = jsonLines(report);
    QCOMPARE(lines.size(), 6);
    QStringList results;
    for (const sim::Gripper *g : {&good, &chG, &k01G, &romG, &faulty, &silentG})
        results << field(lineFor(lines, port(*g)), "result");
    QCOMPARE(results, (QStringList{"updated", "updated", "updated", "updated", "failed", "refused"}));
    const QJsonObject gb1 = lineFor(lines, port(k01G));
    QCOMPARE(QStringList({field(gb1, "kind"), field(gb1, "version_before"), field(gb1, "version_after")}),
             (QStringList{"GB1", "GB1-1.0.0", "GB1-1.6.9"}));
    const QJsonObject seconds = lineFor(lines, port(good)).value(QStringLiteral("seconds")).toObject();
    QCOMPARE(seconds.keys(), (QStringList{"erase", "reboot", "verify", "write"}));
    QVERIFY(field(lineFor(lines, port(faulty)), "error").contains(QStringLiteral("read back")));
    QCOMPARE(field(lineFor(lines, port(romG)), "type_code"), QStringLiteral("GC3"));
    // The terminal is not a terminal here: plain lines, one result per unit.
    QVERIFY(result.out.contains(port(faulty) + ": GC3-1.6.8 FAILED"));
    QVERIFY(result.out.contains(port(chG) + ": updated CH-1.6.8 -> CH-1.6.9"));
    QVERIFY(!result.out.contains(QLatin1Char('\x1b')));
    QVERIFY2(result.out.endsWith(QStringLiteral("\n4 updated, 1 not updated, 1 failed\n")), qPrintable(result.out));
}

void TestFlash::upToDateIsLeftAloneUnlessForced()
{
    sim::Gripper &same = gripper(ofKind(sim::Kind::GC, false, {1, 6, 9}));
    sim::Gripper &ahead = gripper(ofKind(sim::Kind::GC, false, {1, 7, 0}));
    const QString report = dir.filePath(QStringLiteral("forced.jsonl"));

    Run result = run({"update", port(same), "--report", report});
    QVERIFY(result.code == 0 && same.status().counters.modbusFrames == 1);
    // A report line lost to a full disk is said, and the run is not clean.
    result = run({"update", port(same), "--report", "/dev/full"});
    QCOMPARE(result.code, 1);
    QVERIFY2(result.err.contains("/dev/full: the line for " + port(same) + " could not be written"),
             qPrintable(result.err));
    QVERIFY(result.out.endsWith(QStringLiteral("1 up to date; 1 report line(s) not written\n")));
    result = run({"update", port(ahead), "--report", report});
    QVERIFY(result.code == 1 && result.out.contains(QStringLiteral("newer version")));
    QCOMPARE(ahead.status().counters.modbusFrames, 1);

    result = run({"update", port(same), port(ahead), "--force", "--report", report});
    QCOMPARE(result.code, 0);
    QCOMPARE(ahead.status().unit.version, (sim::Version{1, 6, 9}));
    // Appended run after run, never rewritten.
    QStringList results;
    for (const QJsonObject &line : jsonLines(report))
        results.append(field(line, "result"));
    QCOMPARE(results, (QStringList{"up-to-date", "refused", "updated", "updated"}));
}

void TestFlash::allTakesTheGrippersFound()
{
    sim::Gripper &gc = gripper(ofKind(sim::Kind::GC, false, {1, 6, 9}));
    gripper(ofKind(sim::Kind::Silent));
    const QString report = dir.filePath(QStringLiteral("all.jsonl"));
    Run result = run({"update", "--all", "--report", report});
    QVERIFY2(result.code == 0, qPrintable(result.out + result.err));
    // The silent port was not asked for: no line for it.
    const QList<QJsonObject> lines = jsonLines(report);
    QVERIFY(lines.size() == 1 && field(lines.first(), "port") == port(gc));

    extraPorts.removeFirst();
    result = run({"update", "--all"});
    QVERIFY(result.code == 1 && result.out.contains(QStringLiteral("No gripper found.")));

    // A line another of our programs is writing (the bootloader library holds
    // its lock) is "in use", for root too, and is sent nothing.
    sim::Gripper &writing = gripper(sim::GripperConfig());
    {
        Fd locker{::open(writing.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)};
        QVERIFY(locker.fd >= 0 && ::flock(locker.fd, LOCK_EX | LOCK_NB) == 0);
        const long before = writing.status().counters.bytesReceived;
        result = run({"list"});
        QVERIFY2(listedAs(result.out, port(writing), "in use"), qPrintable(result.out));
        QCOMPARE(writing.status().counters.bytesReceived, before);
    }

    // Ports it cannot look into are named with the reason, and not updated.
    if (::geteuid() == 0 && QProcess::execute(QStringLiteral("unshare"), QStringList{"-U", "true"}) != 0)
        QSKIP("run as root without user namespaces: nothing here is closed to root");
    sim::Gripper &held = gripper(sim::GripperConfig());
    sim::Gripper &closed = gripper(sim::GripperConfig());
    Fd holder{::open(held.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)};
    QVERIFY(holder.fd >= 0 && ::ioctl(holder.fd, TIOCEXCL) == 0);
    QVERIFY(::chmod(closed.path().c_str(), 0) == 0);
    result = run({"update", "--all"}, 120000, true);
    QCOMPARE(result.code, 1);
    QVERIFY2(result.out.contains(port(held) + ": Unidentified not updated: the port is in use by"),
             qPrintable(result.out));
    QVERIFY(result.out.contains(port(closed) + ": Unidentified not updated: no access to the port"));
    result = run({"list"}, 120000, true);
    QVERIFY(listedAs(result.out, port(held), "in use") && listedAs(result.out, port(closed), "no access"));
}

void TestFlash::updatedOnlyWhenTheNewVersionIsReadBack()
{
    // The file's name promises 1.7.0; what is in it reports 1.6.9.
    sim::Gripper &g = gripper(sim::GripperConfig());
    const QString image = writeFile("GC3-1.7.0.bin", standin("GC3", {1, 6, 9}, 50000));
    const QString report = dir.filePath(QStringLiteral("mismatch.jsonl"));
    const Run result = run({"update", port(g), "--image", image, "--report", report});
    QVERIFY(result.code == 1 && g.state() == sim::State::Firmware);
    const QList<QJsonObject> lines = jsonLines(report);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(QStringList({field(lines.first(), "result"), field(lines.first(), "version_after")}),
             (QStringList{"failed", "GC3-1.6.9"}));
    QVERIFY(field(lines.first(), "error").contains(QStringLiteral("not GC3-1.7.0")));

    // An FS image goes where every main image but CH's goes, and reports FS.
    sim::Gripper &fs = gripper(ofKind(sim::Kind::GC, true));
    const QByteArray fsImage = standin("FS", {1, 7, 0}, 50000);
    const Run fsRun = run({"update", port(fs), "--type", "FS", "--image", writeFile("FS-1.7.0.bin", fsImage)});
    QVERIFY2(fsRun.code == 0, qPrintable(fsRun.out + fsRun.err));
    QVERIFY(flashHoldsExactly(fs, kMainAddress, fsImage, kMainRegion));
    QVERIFY(fsRun.out.contains(port(fs) + ": updated BL_STM32 -> FS-1.7.0"));
}

void TestFlash::unpluggedUnitFailsAlone()
{
    sim::Gripper &pulled = gripper(paced());
    sim::Gripper &stays = gripper(paced());
    QProcess process;
    QString out;
    start(process, out, {"update", port(pulled), port(stays)});
    QTRY_VERIFY_WITH_TIMEOUT(pulled.romLog().writes.size() > 20, 60000);
    pulled.unplug();
    QVERIFY(process.waitForFinished(120000) && process.exitCode() == 1);
    QVERIFY2(out.contains(port(pulled) + ": GC3-1.6.8 FAILED"), qPrintable(out));
    QVERIFY(out.contains(port(stays) + ": updated GC3-1.6.8 -> GC3-1.6.9"));
}

void TestFlash::manualRebootWaitsForThePowerCycle()
{
    // Nothing in flash answers: only the product bootloader, in the moment
    // after power-on, hears the reboot request.
    sim::GripperConfig broken;
    broken.mainFirmware = false;
    sim::Gripper &g = gripper(broken);
    QProcess process;
    QString out;
    start(process, out, {"update", port(g), "--manual-reboot", "--type", "GC3"});
    QVERIFY(says(out, QStringLiteral("switch the unit off")));
    QTest::qWait(500);
    QVERIFY(g.state() == sim::State::Halted && process.state() == QProcess::Running);
    g.powerCycle();
    QVERIFY(process.waitForFinished(60000) && process.exitCode() == 0);
    QVERIFY2(out.contains(port(g) + ": updated Unidentified -> GC3-1.6.9"), qPrintable(out));
}

void TestFlash::gsThroughItsFreescaleBootloader()
{
    // The carried GS image is looked up in firmwares/ beside the program,
    // where the test build puts one.
    KORVANE_SKIP_IF(freescaleSkipReason());
    const sim::GripperConfig gs = gsGripper();
    sim::Gripper &silentLoader = gripper(gs);
    silentLoader.setFaults(oneFault(&sim::Faults::freescaleNoReport, true));

    const Run result = run({"update", port(silentLoader)});
    QCOMPARE(result.code, 1);
    QVERIFY2(result.out.contains(port(silentLoader)
                                 + ": GS-1.6.8 FAILED: the Freescale bootloader did not report the image loaded"),
             qPrintable(result.out));

    // By hand: nothing is sent, and the bootloader is waited for past the
    // automatic reboot's five seconds, until the unit is switched back on.
    sim::Gripper &byHand = gripper(gs);
    const long before = byHand.status().counters.bytesReceived;
    QProcess process;
    QString out;
    start(process, out, {"update", port(byHand), "--manual-reboot"});
    QVERIFY(says(out, QStringLiteral("switch the unit off")));
    byHand.powerOff();
    QTest::qWait(6000);
    QCOMPARE(process.state(), QProcess::Running);
    QVERIFY(byHand.status().counters.bytesReceived - before <= 11);  // the probe's version request only
    byHand.powerOn();
    QVERIFY(process.waitForFinished(60000));
    QVERIFY2(out.contains(port(byHand) + ": updated GS-1.6.8 -> GS-1.6.9"), qPrintable(out));
    // --type speaks for STM32 units only.
    QVERIFY(run({"update", port(byHand), "--type", "GS"}).code == 2);
}

void TestFlash::watchUpdatesUnitsAsTheyArrive()
{
    const QString report = dir.filePath(QStringLiteral("watch.jsonl"));
    QProcess process;
    QString out;
    QVERIFY(startWatch(process, out, 2, {"--report", report}));
    sim::Gripper &first = gripper(paced());
    QTRY_VERIFY_WITH_TIMEOUT(first.romLog().writes.size() > 10, 60000);
    // Plugged in while the first one is being written.
    sim::Gripper &second = gripper(paced());
    QTRY_VERIFY_WITH_TIMEOUT(second.romLog().writes.size() > 10, 60000);
    QVERIFY(first.romLog().goAddresses.empty());

    ::kill(process.processId(), SIGINT);
    // Both finish before the program ends.
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
    sim::Gripper &g = gripper(paced());
    QTRY_VERIFY_WITH_TIMEOUT(g.romLog().writes.size() > 10, 60000);
    QVERIFY(interruptTwice(process, out) && process.exitCode() == 1);
    QVERIFY(out.contains(port(g) + " was left in its bootloader"));
    QVERIFY(g.state() == sim::State::Rom && g.romLog().goAddresses.empty());

    // Given up once the new firmware was started, while it is asked for its
    // version (which it keeps to itself): it runs, and is not said to wait.
    sim::Gripper &started = gripper(sim::GripperConfig());
    QProcess updating;
    QString said;
    start(updating, said, {"update", port(started)});
    QTRY_VERIFY_WITH_TIMEOUT(started.romLog().syncs > 0, 30000);
    sim::Faults mute;
    mute.modbusNoAnswer = true;
    started.setFaults(mute);
    QTRY_VERIFY_WITH_TIMEOUT(!started.romLog().goAddresses.empty(), 60000);
    QVERIFY(interruptTwice(updating, said) && updating.exitCode() == 1);
    QVERIFY2(said.contains(port(started) + ": GC3-1.6.8 given up: written, verified and started, "
                                           "version not read back"),
             qPrintable(said));
    QVERIFY(!said.contains(QStringLiteral("left in its bootloader")));
    // Through the product bootloader's listening window into the firmware.
    QVERIFY(started.waitForState(sim::State::Firmware, 5s));
}

void TestFlash::liveLinesFitTheTerminalAndOutliveIt()
{
    // The test holds the terminal's other side: it reads what is drawn, sets
    // the window's size and in the end hangs up, as a dropped SSH session does.
    // Not inherited: the program must not hold its own terminal open.
    Fd terminal{::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)};
    QVERIFY(terminal.fd >= 0 && ::grantpt(terminal.fd) == 0 && ::unlockpt(terminal.fd) == 0);
    const auto resize = [&](unsigned short rows, unsigned short columns) {
        const winsize size = {rows, columns, 0, 0};
        return ::ioctl(terminal.fd, TIOCSWINSZ, &size) == 0;
    };
    QVERIFY(resize(24, 60));
    QByteArray screen;
    QSocketNotifier notifier(terminal.fd, QSocketNotifier::Read);
    connect(&notifier, &QSocketNotifier::activated, this, [&] {
        char buffer[4096];
        const ssize_t got = ::read(terminal.fd, buffer, sizeof buffer);
        if (got > 0)
            screen.append(buffer, int(got));
    });
    sim::GripperConfig fast = paced();
    fast.pacing.baud = 230400;
    sim::Gripper &a = gripper(fast);
    sim::Gripper &b = gripper(fast);
    const QString report = dir.filePath(QStringLiteral("hangup.jsonl"));
    QProcess process;
    QString unused;
    start(process, unused, {"update", port(a), port(b), "--report", report},
          QString::fromLocal8Bit(::ptsname(terminal.fd)));
    QTRY_VERIFY_WITH_TIMEOUT(a.romLog().writes.size() > 10 && b.romLog().writes.size() > 10, 60000);
    QTest::qWait(1000);
    // Drawn in place, each line short of the last column.
    static const QRegularExpression control(QStringLiteral("\x1b\\[[0-9]*[A-Za-z]|\r"));
    QVERIFY(screen.contains("\x1b[J"));
    for (const QString &line : QString::fromLocal8Bit(screen).split(QLatin1Char('\n')))
        QVERIFY2(QString(line).remove(control).size() < 60, qPrintable(line));

    // A row for each unit and none for the cursor: plain lines, no block to
    // climb back over (at most the one drawn before).
    const int shrunk = screen.size();
    QVERIFY(resize(2, 60));
    QTest::qWait(1500);
    const QString after = QString::fromLocal8Bit(screen.mid(shrunk));
    QVERIFY2(after.count(QRegularExpression(QStringLiteral("\x1b\\[\\d+A"))) <= 2, qPrintable(after));
    QVERIFY(after.contains(port(a) + QStringLiteral(": ")));

    notifier.setEnabled(false);
    ::close(terminal.fd);
    terminal.fd = -1;
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
    start(piped, unused, {"update", port(a)}, QFile::decodeName(fifo));
    QVERIFY(piped.waitForStarted());
    ::close(reader.fd);
    reader.fd = -1;
    QVERIFY(piped.waitForFinished(60000));
    QVERIFY(piped.exitStatus() == QProcess::NormalExit && piped.exitCode() == 0);
}

QTEST_GUILESS_MAIN(TestFlash)
#include "tst_flash.moc"
