// A batch's rules without a window or a process: what each unit gets, its
// report line, and what a batch stopped at any moment leaves behind.

#include "batch.h"
#include "history.h"
#include "korvanelog.h"
#include "qextserialenumerator.h"
#include "sessionlog.h"
#include "simflash.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

QList<QJsonObject> reportLines(const QString &path)
{
    QList<QJsonObject> lines;
    QFile file(path);
    for (const QByteArray &line : file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QByteArrayList())
        lines.append(QJsonDocument::fromJson(line).object());
    return lines.mid(0, lines.size() - 1);
}

} // namespace

class TestBatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }
    void cleanup() { grippers.clear(); }
    void planAndRunAgree_data();
    void planAndRunAgree();
    void stoppedAtEachPhaseEveryUnitHasItsLine_data();
    void stoppedAtEachPhaseEveryUnitHasItsLine();
    void lostReportLinesAreCounted();
    void recordsNameTheUnitAndTheImage();
    void sessionLogsAreKeptAndRotated();

private:
    sim::Gripper &gripper(sim::GripperConfig config)
    {
        config.publishPath = dir.filePath(QStringLiteral("port%1").arg(serial++)).toStdString();
        grippers.push_back(std::make_unique<sim::Gripper>(config));
        grippers.back()->waitForState(config.bootToRom ? sim::State::Rom : sim::State::Firmware, 5s);
        qputenv("KORVANE_EXTRA_PORTS", config.publishPath.c_str());
        return *grippers.back();
    }
    // What identification finds on the gripper's port, as a run finds it.
    // Asked up to three times: on a busy machine an answer can come after
    // identification's wait, which is not what these tests look at.
    static ProbedDevice found(const sim::Gripper &g)
    {
        const QString path = QString::fromStdString(g.publishedPath());
        ProbedDevice last;
        for (int attempt = 0; attempt < 3 && last.kind == Unidentified; ++attempt) {
            for (const QextPortInfo &info : QextSerialEnumerator::getPorts()) {
                const QList<ProbedDevice> devices = UnitChoice::portPath(info) == path ? PortProbe::identify(info)
                                                                                       : QList<ProbedDevice>();
                if (const ProbedDevice *unit = UnitChoice::announcedUnit(devices))
                    last = *unit;
            }
        }
        return last;
    }
    // Runs the unit to its end; its result.
    UnitResult run(Batch &batch, const ProbedDevice &device, const UnitRules &rules)
    {
        QSignalSpy ended(&batch, &Batch::ended);
        phasesSeen.clear();
        if (UnitJob *job = batch.take(device, rules))
            connect(job, &UnitJob::changed, this, [this, job] { phasesSeen.append(job->phase()); });
        if (ended.isEmpty() && !ended.wait(60000))
            return UnitResult();
        return ended.first().first().value<UnitResult>();
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<sim::Gripper>> grippers;
    int serial = 0;
    QList<GripperUpdate::Phase> phasesSeen;
};

void TestBatch::planAndRunAgree_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("inRom");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("force");
    QTest::addColumn<QString>("action");
    QTest::newRow("older unit") << int(sim::Kind::GC) << false << 6 << "" << false << "update";
    QTest::newRow("in its ROM, type given") << int(sim::Kind::GC) << true << 6 << "GC3" << false << "update";
    QTest::newRow("in its ROM, no type") << int(sim::Kind::GC) << true << 6 << "" << false << "not updated";
    QTest::newRow("silent port, type given") << int(sim::Kind::Silent) << false << 6 << "GC3" << false << "not updated";
    QTest::newRow("GSX unit") << int(sim::Kind::GSX) << false << 6 << "" << false << "";
    QTest::newRow("up to date") << int(sim::Kind::GC) << false << -1 << "" << false << "up to date";
    QTest::newRow("newer") << int(sim::Kind::GC) << false << 7 << "" << false << "refused";
    QTest::newRow("newer, forced") << int(sim::Kind::GC) << false << 7 << "" << true << "update";
}

// The plan is the run's own choice: what it says each unit gets is what the
// run then does to it.
void TestBatch::planAndRunAgree()
{
    QFETCH(int, kind);
    QFETCH(bool, inRom);
    QFETCH(int, minor);
    QFETCH(QString, type);
    QFETCH(bool, force);
    QFETCH(QString, action);
    sim::GripperConfig config;
    config.kind = sim::Kind(kind);
    config.bootToRom = inRom;
    // -1: the carried version itself.
    config.version = minor < 0 ? sim::Version{1, 6, 9} : sim::Version{1, int8_t(minor), 8};
    sim::Gripper &g = gripper(config);
    const ProbedDevice device = found(g);
    UnitRules rules;
    rules.typeCode = type;
    rules.force = force;

    const UnitChoice::Forecast forecast = UnitChoice::forecast(device, rules);
    static const char *const actions[] = {"update", "up to date", "refused", "not updated"};
    if (!action.isEmpty())
        QCOMPARE(QLatin1String(actions[forecast.decision]), action);
    Batch batch;
    const QString report = dir.filePath(QStringLiteral("agree-%1.jsonl").arg(serial));
    QString error;
    QVERIFY(batch.report().open(report, &error));
    const UnitResult result = run(batch, device, rules);
    // Updated when all goes well, as the plan said, or failed on the way;
    // untouched for the plan's reason.
    const QList<QList<UnitResult::Result>> outcomes{{UnitResult::Updated, UnitResult::Failed},
                                                    {UnitResult::UpToDate}, {UnitResult::Refused},
                                                    {UnitResult::Refused}};
    QVERIFY2(outcomes.at(forecast.decision).contains(result.result), qPrintable(result.error.english));
    if (result.result == UnitResult::Updated)
        QCOMPARE(result.versionAfter.section(QLatin1Char('-'), -1), forecast.versionAfter);
    // A unit that answers its reboot request is never asked to be powered.
    QVERIFY(!phasesSeen.contains(GripperUpdate::AwaitingPowerCycle));
    if (forecast.decision >= UnitChoice::Newer)
        QVERIFY(result.error == forecast.reason && g.romLog().erasedSectors.empty());
    const QList<QJsonObject> lines = reportLines(report);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().value(QStringLiteral("result")).toString(), UnitResult::resultName(result.result));
}

void TestBatch::stoppedAtEachPhaseEveryUnitHasItsLine_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<bool>("waitForIt");
    QTest::addColumn<bool>("unplugged");
    // Stopped as a second Ctrl-C does, or as a closing window or console
    // does, which waits for each unit: the two in turn.
    const GripperUpdate::Phase phases[] = {GripperUpdate::Rebooting, GripperUpdate::RebootConfirmed,
                                           GripperUpdate::Identifying, GripperUpdate::Erasing,
                                           GripperUpdate::WritingMain, GripperUpdate::Verifying,
                                           GripperUpdate::ReadingVersion, GripperUpdate::ReadingVersion};
    bool waitForIt = false;
    for (const GripperUpdate::Phase phase : phases) {
        const QByteArray name = QMetaEnum::fromType<GripperUpdate::Phase>().valueToKey(phase);
        QTest::newRow(name + (waitForIt ? ", given up now" : ", given up")) << int(phase) << waitForIt << false;
        waitForIt = !waitForIt;
    }
    // Pulled off mid-write or mid-read-back: the line says the gripper went
    // silent, not that its flash differs or that it waits in its ROM.
    for (const GripperUpdate::Phase phase : {GripperUpdate::WritingMain, GripperUpdate::Verifying}) {
        const QByteArray name = QMetaEnum::fromType<GripperUpdate::Phase>().valueToKey(phase);
        QTest::newRow(name + ", unplugged") << int(phase) << false << true;
    }
}

// Whenever a batch is stopped, the unit taken ends with one report line, and
// that line (and the batch) names it left in its bootloader exactly when the
// gripper now waits in its ROM.
void TestBatch::stoppedAtEachPhaseEveryUnitHasItsLine()
{
    QFETCH(int, phase);
    QFETCH(bool, waitForIt);
    QFETCH(bool, unplugged);
    sim::Gripper &g = gripper(sim::GripperConfig());
    const ProbedDevice device = found(g);
    const QString report = dir.filePath(QStringLiteral("stop-%1.jsonl").arg(serial));
    QString error;
    auto batch = std::make_unique<Batch>();
    QVERIFY(batch->report().open(report, &error));
    QSignalSpy ended(batch.get(), &Batch::ended);
    UnitJob *job = batch->take(device, UnitRules());
    QVERIFY(job);
    bool stopped = false;
    connect(job, &UnitJob::changed, this, [&] {
        if (stopped || job->phase() != GripperUpdate::Phase(phase))
            return;
        stopped = true;
        if (unplugged)
            g.unplug();
        else if (waitForIt)
            batch->giveUpNow();
        else
            batch->giveUp();
    });
    QTRY_VERIFY_WITH_TIMEOUT(!batch->isBusy(), 60000);
    QVERIFY(stopped);
    QCOMPARE(ended.size(), 1);
    const QList<QJsonObject> lines = reportLines(report);
    QCOMPARE(lines.size(), 1);
    const bool inRom = g.state() == sim::State::Rom;
    QCOMPARE(lines.first().value(QStringLiteral("left_in_bootloader")).toBool(), inRom);
    QCOMPARE(batch->leftInBootloader(), inRom ? QStringList{device.portName} : QStringList());
    const QString result = lines.first().value(QStringLiteral("result")).toString();
    if (unplugged)
        QVERIFY2(result == QLatin1String("failed")
                     && lines.first().value(QStringLiteral("error")).toString().startsWith(
                         QLatin1String("the gripper stopped answering")),
                 qPrintable(lines.first().value(QStringLiteral("error")).toString()));
    else if (result == QLatin1String("updated"))
        QCOMPARE(g.status().unit.version, (sim::Version{1, 6, 9}));
    else
        QCOMPARE(result, QStringLiteral("given-up"));
}

void TestBatch::lostReportLinesAreCounted()
{
    sim::GripperConfig current;
    current.version = {1, 6, 9};
    sim::Gripper &g = gripper(current);
    Batch batch;
    QString error;
    // A full disk takes the file but none of its lines.
    QVERIFY(batch.report().open(QStringLiteral("/dev/full"), &error));
    QSignalSpy lost(&batch, &Batch::reportLineLost);
    QCOMPARE(run(batch, found(g), UnitRules()).result, UnitResult::UpToDate);
    QCOMPARE(lost.size(), 1);
    QCOMPARE(batch.summary(), QStringLiteral("1 up to date; 1 report line(s) not written"));
}

// Each record names the part by the ID its ROM gave (or "unknown" where it refused, the update going on), a unit
// found there by the type it was written as (it told no version), and the image by what the flash now holds; the
// history answers by unit and by date.
void TestBatch::recordsNameTheUnitAndTheImage()
{
    sim::Gripper &open = gripper(sim::GripperConfig());
    const ProbedDevice openUnit = found(open);
    sim::GripperConfig inRom;
    inRom.bootToRom = true;
    sim::Gripper &locked = gripper(inRom);
    sim::Faults refusing;
    refusing.romUidNack = true;
    locked.setFaults(refusing);
    const QString report = dir.filePath(QStringLiteral("records.jsonl"));
    Batch batch;
    QString error;
    QVERIFY(batch.report().open(report, &error));
    // A line another program's crash cut short keeps the records after it apart.
    QFile cut(report);
    QVERIFY(cut.open(QIODevice::Append) && cut.write("{\"record\":1,\"time\":\"2026-12-") > 0);
    cut.close();
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    UnitRules rules;
    rules.typeCode = QStringLiteral("GC3");
    for (const ProbedDevice &unit : {openUnit, found(locked)})
        QCOMPARE(run(batch, unit, rules).result, UnitResult::Updated);
    const QList<QJsonObject> lines = reportLines(report).mid(1);
    QCOMPARE(lines.size(), 2);
    const std::vector<uint8_t> id = open.uniqueId();
    const QString openId = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(id.data()), 12).toHex());
    QCOMPARE(lines.at(0).value(QStringLiteral("unit_id")).toString(), openId);
    QCOMPARE(lines.at(1).value(QStringLiteral("unit_id")).toString(), QStringLiteral("unknown"));
    QCOMPARE(lines.at(1).value(QStringLiteral("type_code")).toString(), QStringLiteral("GC3"));
    QVERIFY(lines.at(1).value(QStringLiteral("version_before")).toString().isEmpty());
    const QJsonObject image = lines.at(0).value(QStringLiteral("image")).toObject();
    const std::vector<uint8_t> flash = open.readFlash(open.mainAddress(), uint32_t(image.value(QStringLiteral("size")).toInt()));
    const QByteArray written(reinterpret_cast<const char *>(flash.data()), int(flash.size()));
    QCOMPARE(image.value(QStringLiteral("sha256")).toString(),
             QString::fromLatin1(QCryptographicHash::hash(written, QCryptographicHash::Sha256).toHex()));

    // Re-plugged, on another terminal, it is the same part: its records meet.
    open.unplug();
    open.replug();
    QVERIFY(open.waitForState(sim::State::Firmware, 5s));
    qputenv("KORVANE_EXTRA_PORTS", open.publishedPath().c_str());
    rules.force = true;
    QCOMPARE(run(batch, found(open), rules).result, UnitResult::Updated);
    QList<QJsonObject> answers;
    int skipped = 0;
    QVERIFY(History::read(report, {openId.toUpper(), QDateTime()}, &answers, &skipped, &error));
    QCOMPARE(answers.size(), 2);
    QCOMPARE(skipped, 1);
    QCOMPARE(answers.last().value(QStringLiteral("version_before")).toString(), QStringLiteral("GC3-1.6.9"));
    QVERIFY(History::read(report, {QString(), before}, &answers, &skipped, &error));
    QCOMPARE(answers.size(), 3);
    QVERIFY(History::read(report, {QString(), History::parseSince(QStringLiteral("2999-01-01"))}, &answers, &skipped,
                          &error));
    QVERIFY(answers.isEmpty());
}

// A session's lines reach its own file; older sessions beyond those kept go.
void TestBatch::sessionLogsAreKeptAndRotated()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(History::logFolder()).removeRecursively();
    for (int session = 0; session < 5; ++session) {
        QVERIFY(!SessionLog::start(QStringLiteral("tst"), 3).isEmpty());
        qCWarning(lcUpdate) << "session" << session;
        QTest::qWait(2);
    }
    const QStringList kept = QDir(History::logFolder()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(kept.size(), 3);
    QFile last(SessionLog::path());
    QVERIFY(last.open(QIODevice::ReadOnly));
    const QByteArray content = last.readAll();
    QVERIFY(content.contains("korvane.update") && content.contains("session 4") && !content.contains("session 3"));
}

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
