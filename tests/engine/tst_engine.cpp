// One gripper's update without the wizard, on a thread of its own, against
// simulated grippers: what the gripper holds afterwards and what its ROM was
// sent.

#include "communication.h"
#include "gripperupdate.h"
#include "simflash.h"
#include "testpty.h"

#include <QFutureWatcher>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>

#include <memory>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(sim::Kind)
Q_DECLARE_METATYPE(DeviceKind)
Q_DECLARE_METATYPE(sim::Faults)

namespace {

// Largest Write Memory the ROM is sent: 255 asked, rounded to whole words.
constexpr uint32_t kPacket = 252;

// An update running on the pool, and what it reported on the way.
struct Running
{
    explicit Running(UpdatePlan plan)
        : update(std::make_unique<GripperUpdate>(std::move(plan)))
    {
        QObject::connect(update.get(), &GripperUpdate::progressChanged, update.get(),
                         [this](int value) { progress.append(value); });
        watcher.setFuture(QtConcurrent::run([u = update.get()] { return u->run(); }));
    }
    ~Running()
    {
        update->cancel();
        watcher.waitForFinished();
    }
    bool finish(int ms = 60000)
    {
        return QTest::qWaitFor([this] { return watcher.isFinished(); }, ms);
    }
    GripperUpdate::Outcome outcome() const { return watcher.result(); }

    std::unique_ptr<GripperUpdate> update;
    QFutureWatcher<GripperUpdate::Outcome> watcher;
    QVector<int> progress;
};

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { grippers.clear(); }
    void writesTheMainImage_data();
    void writesTheMainImage();
    void gsThroughItsFreescaleBootloader_data();
    void gsThroughItsFreescaleBootloader();
    void gsNoReportOfTheWholeImage_data();
    void gsNoReportOfTheWholeImage();
    void givenUpWhileWriting();
    void failuresNeverStartTheFirmware_data();
    void failuresNeverStartTheFirmware();
    void silentGripperIsRetriedThenGivenUp();
    void lateRebootEchoStillFindsTheRom();
    void imageThatOverrunsItsRegionIsRefused();

private:
    sim::Gripper &gripper(sim::GripperConfig config)
    {
        config.publishPath = dir.filePath(QStringLiteral("gripper%1").arg(grippers.size())).toStdString();
        grippers.push_back(std::make_unique<sim::Gripper>(config));
        grippers.back()->waitForState(config.bootToRom ? sim::State::Rom : sim::State::Firmware, 5s);
        return *grippers.back();
    }
    static UpdatePlan planFor(const sim::Gripper &gripper, DeviceKind kind, const QByteArray &main)
    {
        UpdatePlan plan;
        plan.target.portName = QString::fromStdString(gripper.publishedPath());
        plan.target.kind = kind;
        plan.mainImage = main;
        return plan;
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<sim::Gripper>> grippers;
};

void TestEngine::writesTheMainImage_data()
{
    QTest::addColumn<sim::Kind>("simKind");
    QTest::addColumn<DeviceKind>("kind");
    QTest::addColumn<bool>("inRom");
    QTest::addColumn<QString>("typeCode");
    // What the image is made for; a record found in the ROM cannot tell.
    QTest::addColumn<DeviceKind>("product");
    QTest::addColumn<bool>("withBootloader");

    QTest::newRow("GC3 running its firmware") << sim::Kind::GC << GC << false << "GC3" << Unidentified << false;
    QTest::newRow("GC3, bootloader too") << sim::Kind::GC << GC << false << "GC3" << Unidentified << true;
    QTest::newRow("CH, second bank") << sim::Kind::CH << CH << false << "CH" << Unidentified << false;
    QTest::newRow("GU, reboot repeated in its window") << sim::Kind::GU << GU << false << "GU" << Unidentified << false;
    QTest::newRow("found in its ROM") << sim::Kind::GC << BL_STM32 << true << "GC3" << GC << false;
    QTest::newRow("CH found in its ROM") << sim::Kind::CH << BL_STM32 << true << "CH" << CH << false;
}

void TestEngine::writesTheMainImage()
{
    QFETCH(sim::Kind, simKind);
    QFETCH(DeviceKind, kind);
    QFETCH(bool, inRom);
    QFETCH(QString, typeCode);
    QFETCH(DeviceKind, product);
    QFETCH(bool, withBootloader);

    sim::GripperConfig config;
    config.kind = simKind;
    config.bootToRom = inRom;
    sim::Gripper &g = gripper(config);
    const bool ch = simKind == sim::Kind::CH;
    const uint32_t address = ch ? kMainAddressCH : kMainAddress;
    const QByteArray image = typeCode == QLatin1String("GC3")
                                 ? resourceBytes(kCarried)
                                 : standin(typeCode.toStdString(), {1, 6, 9}, 100000, address);
    const QByteArray bootloader = withBootloader ? standin("BL1", {1, 0, 0}, 6000, kBootloaderAddress) : QByteArray();
    QVERIFY(!image.isEmpty());

    UpdatePlan plan = planFor(g, kind, image);
    plan.target.inBootloader = inRom;
    plan.product = product;
    plan.bootloaderImage = bootloader;
    Running run(plan);
    QVERIFY(run.finish());
    QCOMPARE(run.outcome(), GripperUpdate::Updated);

    QVERIFY(flashHoldsExactly(g, address, image, ch ? kMainRegionCH : kMainRegion));
    const sim::RomLog rom = g.romLog();
    std::vector<int> erased = withBootloader ? sectorRange(0, 2) : std::vector<int>();
    for (int sector : ch ? sectorRange(12, 12) : sectorRange(8, 4))
        erased.push_back(sector);
    QCOMPARE(rom.erasedSectors, erased);
    if (withBootloader) {
        QVERIFY(flashHoldsExactly(g, kBootloaderAddress, bootloader, kBootloaderRegion));
        // The bootloader goes out whole before the main image's first packet.
        QVERIFY(std::is_partitioned(rom.writes.begin(), rom.writes.end(),
                                    [](const sim::RomWrite &w) { return w.address < kMainAddress; }));
    }
    // CH starts at its image, the others through their own bootloader.
    QCOMPARE(rom.goAddresses, std::vector<uint32_t>{ch ? kMainAddressCH : kBootloaderAddress});
    // Nothing sent could cost the gripper more than the run meant to.
    QVERIFY(rom.massErases == 0 && rom.readoutUnprotects == 0 && rom.readoutProtects == 0 && rom.writeProtects == 0);
    // Only GU and GV have the request repeated at a ROM that already took
    // it: whole 11-byte requests it ignores before its 0x7F.
    QCOMPARE(rom.ignoredBeforeSync >= 2 * 11, kind == GU);
    QCOMPARE(rom.ignoredBeforeSync % 11, 0);
    QCOMPARE(rom.syncs, 1);
    // Everything written is read back in full before the start.
    QVERIFY(rom.reads >= (image.size() + bootloader.size()) / 256);
    // A gripper found in its ROM is sent no reboot request, only the
    // version request once its new firmware runs.
    if (inRom)
        QCOMPARE(g.status().counters.modbusFrames, 1);

    QCOMPARE(run.update->versionText(), typeCode + QStringLiteral("-1.6.9"));
    QCOMPARE(run.progress.last(), 100);
}

void TestEngine::gsThroughItsFreescaleBootloader_data()
{
    QTest::addColumn<bool>("reportComes");
    QTest::newRow("loaded") << true;
    QTest::newRow("no load report") << false;
}

void TestEngine::gsThroughItsFreescaleBootloader()
{
    QFETCH(bool, reportComes);
    KORVANE_SKIP_IF(freescaleSkipReason());
    const QByteArray image = freescaleImage();
    sim::Gripper &g = gripper(gsGripper());
    g.setFaults(oneFault(&sim::Faults::freescaleNoReport, !reportComes));
    Running run(planFor(g, GS, image));
    QVERIFY(run.finish());
    QCOMPARE(run.outcome(), reportComes ? GripperUpdate::Updated : GripperUpdate::Silent);

    const sim::FreescaleStats stats = g.status().freescale;
    QCOMPARE(stats.bytesReceived, long(image.size()));
    QCOMPARE(stats.recordErrors, 0);
    // The host held back when told to: nothing overflowed the bootloader.
    QVERIFY(stats.xoffSent > 0 && stats.hostFlowControl);
    QCOMPARE(stats.overflowBytes, 0L);
    QVERIFY(std::any_of(run.progress.begin(), run.progress.end(), [](int v) { return v > 0 && v < 100; }));
    if (reportComes) {
        QCOMPARE(stats.imagesLoaded, 1);
        QCOMPARE(run.progress.last(), 100);
        QCOMPARE(run.update->versionText(), QStringLiteral("GS-1.6.9"));
    } else {
        QVERIFY(run.update->versionText().isEmpty());
    }
}

void TestEngine::gsNoReportOfTheWholeImage_data()
{
    QTest::addColumn<QByteArray>("then");
    // Text every half second after one dot, as from a firmware that started
    // over mid-load: the run ends, where it waited for ever.
    QTest::newRow("text after a dot") << QByteArray("Korvane gripper (GS2)\r\n");
    // A load report while most of the image still waits to go out.
    QTest::newRow("report mid-image") << QByteArray("\r\nLoaded 0x0400 Program and 0x0000 Data words\r\n");
}

void TestEngine::gsNoReportOfTheWholeImage()
{
    QFETCH(QByteArray, then);
    KORVANE_SKIP_IF(freescaleSkipReason());
    TestPty line;
    QVERIFY(line.isValid());
    UpdatePlan plan;
    plan.target.portName = line.path();
    plan.target.kind = GS;
    plan.mainImage = freescaleImage();
    Running run(plan);
    QVERIFY(!line.readMaster(1, 5000).isEmpty());
    line.writeMaster(QByteArray("\r\n") + FreescaleConfig::kReadyMarkers[0] + "\r\n");
    QVERIFY(line.readMaster(2000, 5000).size() >= 2000);
    line.writeMaster("\x13");  // XOFF: the rest of the image waits for XON
    line.readMaster(1 << 20, 200);  // what was on its way already
    line.writeMaster(".");  // progress, not the XON
    QCOMPARE(line.readMaster(1 << 20, 300), QByteArray());
    for (int i = 0; i < 40 && !run.finish(500); ++i)
        line.writeMaster(then);
    QVERIFY(run.watcher.isFinished());
    QCOMPARE(run.outcome(), GripperUpdate::Silent);
}

void TestEngine::givenUpWhileWriting()
{
    sim::Gripper &g = gripper(sim::GripperConfig());
    Running run(planFor(g, GC, resourceBytes(kCarried)));
    // Given up once the first packets are in, from the update's own thread.
    QObject::connect(run.update.get(), &GripperUpdate::progressChanged, run.update.get(),
                     [&g, update = run.update.get()] {
                         if (!g.romLog().writes.empty())
                             update->cancel();
                     }, Qt::DirectConnection);
    QVERIFY(run.finish());
    QCOMPARE(run.outcome(), GripperUpdate::Cancelled);
    const size_t writes = g.romLog().writes.size();
    QVERIFY(writes > 0 && writes < size_t(resourceBytes(kCarried).size() / kPacket));
    // Left in its ROM, unstarted, and the line is free again.
    QVERIFY(g.romLog().goAddresses.empty());
    QCOMPARE(g.state(), sim::State::Rom);
    QTRY_VERIFY_WITH_TIMEOUT(!g.status().hostOpen, 5000);
    QCOMPARE(g.romLog().writes.size(), writes);
}

void TestEngine::failuresNeverStartTheFirmware_data()
{
    QTest::addColumn<sim::Faults>("faults");
    QTest::addColumn<GripperUpdate::Outcome>("outcome");
    QTest::newRow("erase refused") << oneFault(&sim::Faults::romEraseNack, true) << GripperUpdate::FlashFailed;
    QTest::newRow("write refused") << oneFault(&sim::Faults::romNackAtWrite, 5) << GripperUpdate::FlashFailed;
    QTest::newRow("read-back differs") << oneFault(&sim::Faults::romFlipAtWrite, 5) << GripperUpdate::VerifyFailed;
    QTest::newRow("wrong answer to sync") << oneFault(&sim::Faults::romSyncWrongByte, 0x42)
                                          << GripperUpdate::EntryFailed;
    // Written and read back, but the ROM does not take the jump: no
    // "updated", and no version read from a unit that runs nothing.
    QTest::newRow("Go refused") << oneFault(&sim::Faults::romGoNack, true) << GripperUpdate::NotStarted;
    QTest::newRow("Go unanswered") << oneFault(&sim::Faults::romGoNoAnswer, true) << GripperUpdate::NotStarted;
}

void TestEngine::failuresNeverStartTheFirmware()
{
    QFETCH(sim::Faults, faults);
    QFETCH(GripperUpdate::Outcome, outcome);
    sim::GripperConfig config;
    config.bootToRom = true;
    sim::Gripper &g = gripper(config);
    g.setFaults(faults);
    UpdatePlan plan = planFor(g, BL_STM32, resourceBytes(kCarried));
    plan.target.inBootloader = true;
    Running run(plan);
    QVERIFY(run.finish());
    QCOMPARE(run.outcome(), outcome);
    QVERIFY(g.romLog().goAddresses.empty());
    QCOMPARE(g.state(), sim::State::Rom);
    // A refused sector ends the run: nothing is written over flash that was
    // not erased.
    if (faults.romEraseNack)
        QVERIFY(g.romLog().nacks == 1 && g.romLog().writes.empty());
    QVERIFY(run.update->versionText().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!g.status().hostOpen, 5000);
}

void TestEngine::silentGripperIsRetriedThenGivenUp()
{
    sim::GripperConfig config;
    config.kind = sim::Kind::Silent;
    sim::Gripper &g = gripper(config);
    UpdatePlan plan = planFor(g, GC, resourceBytes(kCarried));
    plan.entryAttempts = 3;
    Running run(plan);
    QVERIFY(run.finish());
    QCOMPARE(run.outcome(), GripperUpdate::EntryFailed);
    // One reboot request per attempt, and the ROM's sync asked (twice)
    // after the first only: nothing a running firmware would take for a
    // request, and the requests keep their pace after. The last request
    // has no answer to wait for, so the simulator may read it only after
    // the run is over: counted once the line is closed and read.
    QTRY_VERIFY_WITH_TIMEOUT(!g.status().hostOpen, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(g.status().counters.bytesReceived, 3L * 11 + 2, 5000);
}

void TestEngine::lateRebootEchoStillFindsTheRom()
{
    // The echo comes after its wait (a slow adapter), the unit restarts all
    // the same: its ROM ignores every further request, so only asking the
    // ROM itself finds it before the attempts run out.
    sim::Gripper &g = gripper(sim::GripperConfig());
    g.setFaults(oneFault(&sim::Faults::modbusDelayMs, 80));
    UpdatePlan plan = planFor(g, GC, resourceBytes(kCarried));
    plan.entryAttempts = 3;
    Running run(plan);
    QSignalSpy inRom(run.update.get(), &GripperUpdate::romEntered);
    QSignalSpy phases(run.update.get(), &GripperUpdate::phaseChanged);
    QVERIFY(run.finish());
    QCOMPARE(run.outcome(), GripperUpdate::Updated);
    QCOMPARE(inRom.size(), 1);
    QCOMPARE(g.romLog().syncs, 1);
    // Nobody is asked to cycle the power of a unit that did restart.
    for (const QList<QVariant> &phase : phases)
        QVERIFY(phase.first().value<GripperUpdate::Phase>() != GripperUpdate::AwaitingPowerCycle);
    QVERIFY(flashHoldsExactly(g, kMainAddress, resourceBytes(kCarried), kMainRegion));
}

void TestEngine::imageThatOverrunsItsRegionIsRefused()
{
    // A CH image chosen for a GC would overrun the four sectors erased for
    // it into flash nobody erased: refused before a byte is sent.
    sim::Gripper &g = gripper(sim::GripperConfig());
    UpdatePlan plan = planFor(g, GC, standin("CH", {1, 6, 9}, kMainRegion + 4, kMainAddressCH));
    QVERIFY(!GripperUpdate::refusal(plan).isEmpty());
    Running run(plan);
    QVERIFY(run.finish());
    QCOMPARE(run.outcome(), GripperUpdate::FlashFailed);
    QCOMPARE(g.status().counters.bytesReceived, 0L);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
