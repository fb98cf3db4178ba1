// One gripper's update without the wizard, on a thread of its own, against
// simulated grippers: what the gripper holds afterwards and what its ROM was
// sent.

#include "communication.h"
#include "downloadrun.h"
#include "freescaleparse.h"
#include "gripperupdate.h"
#include "simflash.h"

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

// The writes the ROM took for an image of `size` bytes at `address`: one
// after the other, none longer than a packet, every one acknowledged.
bool writtenInPackets(const std::vector<sim::RomWrite> &writes, uint32_t address, uint32_t size)
{
    uint32_t next = address;
    for (const sim::RomWrite &write : writes) {
        if (write.address < address || write.address >= address + size)
            continue;
        if (write.address != next || write.length > kPacket || !write.acked)
            return false;
        next += write.length;
    }
    return next == address + (size + 3) / 4 * 4;
}

// An update running on the pool, and what it reported on the way.
struct Running
{
    explicit Running(UpdatePlan plan)
        : update(std::make_unique<GripperUpdate>(std::move(plan)))
    {
        QObject::connect(update.get(), &GripperUpdate::progressChanged, update.get(),
                         [this](int value) { progress.append(value); });
        QObject::connect(update.get(), &GripperUpdate::phaseChanged, update.get(),
                         [this](GripperUpdate::Phase phase) { phases.append(phase); });
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
    QVector<GripperUpdate::Phase> phases;
};

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { grippers.clear(); }
    void writesTheMainImage_data();
    void writesTheMainImage();
    void bothImages();
    void k01AndTheGb1BehindIt_data();
    void k01AndTheGb1BehindIt();
    void gsThroughItsFreescaleBootloader_data();
    void gsThroughItsFreescaleBootloader();
    void freescaleReadings_data();
    void freescaleReadings();
    void twoGrippersAtOnce();
    void givenUpWhileWriting();
    void failuresNeverStartTheFirmware_data();
    void failuresNeverStartTheFirmware();
    void silentGripperIsRetriedThenGivenUp();
    void imageThatOverrunsItsRegionIsRefused();
    void manualRebootTakesTheCarriedImage_data();
    void manualRebootTakesTheCarriedImage();

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

    QTest::newRow("GC3 running its firmware") << sim::Kind::GC << GC << false << "GC3" << Unidentified;
    QTest::newRow("CH, second bank") << sim::Kind::CH << CH << false << "CH" << Unidentified;
    QTest::newRow("GU, reboot repeated in its window") << sim::Kind::GU << GU << false << "GU" << Unidentified;
    QTest::newRow("found in its ROM") << sim::Kind::GC << BL_STM32 << true << "GC3" << GC;
    QTest::newRow("CH found in its ROM") << sim::Kind::CH << BL_STM32 << true << "CH" << CH;
}

void TestEngine::writesTheMainImage()
{
    QFETCH(sim::Kind, simKind);
    QFETCH(DeviceKind, kind);
    QFETCH(bool, inRom);
    QFETCH(QString, typeCode);
    QFETCH(DeviceKind, product);

    sim::GripperConfig config;
    config.kind = simKind;
    config.bootToRom = inRom;
    sim::Gripper &g = gripper(config);
    const bool ch = simKind == sim::Kind::CH;
    const uint32_t address = ch ? kMainAddressCH : kMainAddress;
    const QByteArray image = typeCode == QLatin1String("GC3")
                                 ? resourceBytes(kCarried)
                                 : standin(typeCode.toStdString(), {1, 6, 9}, 100000, address);
    QVERIFY(!image.isEmpty());

    UpdatePlan plan = planFor(g, kind, image);
    plan.target.inBootloader = inRom;
    plan.product = product;
    Running run(plan);
    QVERIFY(run.finish());
    QCOMPARE(run.outcome(), GripperUpdate::Updated);

    QVERIFY(flashHoldsExactly(g, address, image, ch ? kMainRegionCH : kMainRegion));
    const sim::RomLog rom = g.romLog();
    QCOMPARE(rom.erasedSectors, ch ? sectorRange(12, 12) : sectorRange(8, 4));
    QVERIFY(writtenInPackets(rom.writes, address, uint32_t(image.size())));
    // CH starts at its image, the others through their own bootloader.
    QCOMPARE(rom.goAddresses, std::vector<uint32_t>{ch ? kMainAddressCH : kBootloaderAddress});
    // Nothing sent could cost the gripper more than the run meant to.
    QVERIFY(rom.massErases == 0 && rom.readoutUnprotects == 0 && rom.readoutProtects == 0 && rom.writeProtects == 0);
    // Only GU and GV have the request repeated at a ROM that already took
    // it: whole 11-byte requests it ignores before its 0x7F.
    QCOMPARE(rom.ignoredBeforeSync >= 2 * 11, kind == GU);
    QCOMPARE(rom.ignoredBeforeSync % 11, 0);
    QCOMPARE(rom.syncs, 1);
    // Read back in full before the start.
    QVERIFY(rom.reads >= (image.size() + 255) / 256);
    // A gripper found in its ROM is sent no reboot request, only the
    // version request once its new firmware runs.
    if (inRom)
        QCOMPARE(g.status().counters.modbusFrames, 1);

    QCOMPARE(run.update->versionText(), typeCode + QStringLiteral("-1.6.9"));
    QCOMPARE(run.progress.last(), 100);
}

void TestEngine::bothImages()
{
    sim::Gripper &g = gripper(sim::GripperConfig());
    const QByteArray bootloader = standin("BL1", {1, 0, 0}, 6000, kBootloaderAddress);
    const QByteArray main = resourceBytes(kCarried);
    UpdatePlan plan = planFor(g, GC, main);
    plan.bootloaderImage = bootloader;
    Running run(plan);
    QVERIFY(run.finish());
    QCOMPARE(run.outcome(), GripperUpdate::Updated);

    QVERIFY(flashHoldsExactly(g, kBootloaderAddress, bootloader, kBootloaderRegion));
    QVERIFY(flashHoldsExactly(g, kMainAddress, main, kMainRegion));
    const sim::RomLog rom = g.romLog();
    std::vector<int> erased = sectorRange(0, 2);
    for (int s : sectorRange(8, 4))
        erased.push_back(s);
    QCOMPARE(rom.erasedSectors, erased);
    QVERIFY(writtenInPackets(rom.writes, kBootloaderAddress, uint32_t(bootloader.size())));
    QVERIFY(writtenInPackets(rom.writes, kMainAddress, uint32_t(main.size())));
    // The bootloader goes out whole before the main image's first packet.
    QVERIFY(std::is_partitioned(rom.writes.begin(), rom.writes.end(),
                                [](const sim::RomWrite &w) { return w.address < kMainAddress; }));
    // Both read back before the one start.
    QVERIFY(rom.reads >= int((bootloader.size() + main.size()) / 256));
    QCOMPARE(rom.goAddresses, std::vector<uint32_t>{kBootloaderAddress});
    QCOMPARE(run.update->versionText(), QStringLiteral("GC3-1.6.9"));
}

void TestEngine::k01AndTheGb1BehindIt_data()
{
    QTest::addColumn<bool>("secondary");
    QTest::newRow("the K01 itself") << false;
    QTest::newRow("the GB1 behind it") << true;
}

void TestEngine::k01AndTheGb1BehindIt()
{
    QFETCH(bool, secondary);
    sim::GripperConfig config;
    config.kind = sim::Kind::K01WithGB1;
    sim::Gripper &g = gripper(config);
    const int unit = secondary ? 1 : 0;
    const int other = secondary ? 0 : 1;
    const QByteArray untouched = toBytes(g.readFlash(kMainAddress, kMainRegion, other));
    const QByteArray image = standin(secondary ? "GB1" : "K01", {1, 6, 9}, 100000, kMainAddress);

    UpdatePlan plan = planFor(g, secondary ? GB1 : K01, image);
    plan.target.secondaryUnit = secondary;
    Running run(plan);
    QVERIFY(run.finish(90000));
    QCOMPARE(run.outcome(), GripperUpdate::Updated);

    QVERIFY(flashHoldsExactly(g, kMainAddress, image, kMainRegion, unit));
    QCOMPARE(toBytes(g.readFlash(kMainAddress, kMainRegion, other)), untouched);
    QVERIFY(g.romLog(other).writes.empty());
    QCOMPARE(g.romLog(unit).goAddresses, std::vector<uint32_t>{kBootloaderAddress});
    QCOMPARE(run.update->versionText(), QString::fromLatin1(secondary ? "GB1" : "K01") + QStringLiteral("-1.6.9"));
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

void TestEngine::freescaleReadings_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("stage");
    QTest::addColumn<int>("outcome");
    const QByteArray dots = ".....";
    const QByteArray report = "\r\nLoaded 0x00ab Program and 0x0000 Data words\r\n";
    QTest::newRow("dots") << dots << 2 << int(FreescaleReading::Downloading);
    QTest::newRow("report after the dots") << dots + report << 2 << int(FreescaleReading::Loaded);
    QTest::newRow("upper-case hexadecimal") << dots + QByteArray(report).replace("0x00ab", "0x00AB") << 2
                                            << int(FreescaleReading::Downloading);
    // The first chunk only shows that the transfer runs; its report counts
    // once the next chunk arrives.
    QTest::newRow("dots and report in the first chunk") << dots + report << 1 << int(FreescaleReading::Downloading);
    QTest::newRow("report before any dot") << report << 1 << int(FreescaleReading::StartFailure);
}

void TestEngine::freescaleReadings()
{
    QFETCH(QByteArray, received);
    QFETCH(int, stage);
    QFETCH(int, outcome);
    // One dot per thousand bytes of the image, counted against its size.
    const FreescaleReading reading = readFreescaleReceived(received, stage, 5000);
    QCOMPARE(int(reading.outcome), outcome);
    if (outcome == FreescaleReading::Downloading)
        QCOMPARE(reading.progress, 5 * 100 / 6);
}

void TestEngine::twoGrippersAtOnce()
{
    sim::GripperConfig gc;
    sim::GripperConfig ch;
    ch.kind = sim::Kind::CH;
    // Paced like the real line, so that each write lasts long enough for
    // the other to be under way meanwhile.
    gc.pacing.enabled = ch.pacing.enabled = true;
    sim::Gripper &first = gripper(gc);
    sim::Gripper &second = gripper(ch);
    const QByteArray gcImage = resourceBytes(kCarried);
    const QByteArray chImage = standin("CH", {1, 6, 9}, 60000, kMainAddressCH);

    Running a(planFor(first, GC, gcImage));
    Running b(planFor(second, CH, chImage));
    // Both write before either has finished: neither waits for the other.
    QTRY_VERIFY_WITH_TIMEOUT(!a.progress.isEmpty() && !b.progress.isEmpty()
                                 && a.phases.contains(GripperUpdate::WritingMain)
                                 && b.phases.contains(GripperUpdate::WritingMain),
                             60000);
    QVERIFY(!a.watcher.isFinished() && !b.watcher.isFinished());
    QVERIFY(a.finish(120000) && b.finish(120000));
    QCOMPARE(a.outcome(), GripperUpdate::Updated);
    QCOMPARE(b.outcome(), GripperUpdate::Updated);
    // Each kept to its own line: each gripper runs the image meant for it.
    QCOMPARE(a.update->versionText(), QStringLiteral("GC3-1.6.9"));
    QCOMPARE(b.update->versionText(), QStringLiteral("CH-1.6.9"));
}

void TestEngine::givenUpWhileWriting()
{
    sim::GripperConfig config;
    config.pacing.enabled = true;
    sim::Gripper &g = gripper(config);
    Running run(planFor(g, GC, resourceBytes(kCarried)));
    QTRY_VERIFY_WITH_TIMEOUT(run.phases.contains(GripperUpdate::WritingMain)
                                 && !g.romLog().writes.empty(),
                             30000);
    run.update->cancel();
    QVERIFY(run.finish(10000));
    QCOMPARE(run.outcome(), GripperUpdate::Cancelled);
    const size_t writes = g.romLog().writes.size();
    QVERIFY(writes < size_t(resourceBytes(kCarried).size() / kPacket));
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
    // One reboot request per attempt, nothing else.
    QCOMPARE(g.status().counters.bytesReceived, 3L * 11);
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
    // Found in its ROM, a CH takes it in its second bank.
    plan.target.kind = BL_STM32;
    plan.product = CH;
    QVERIFY(GripperUpdate::refusal(plan).isEmpty());
}

// "Manual reboot" skips the image choice: the wizard takes the carried image
// made for the product, and asks the user only when the record cannot tell
// which product it is (a wrong guess writes the wrong bank).
void TestEngine::manualRebootTakesTheCarriedImage_data()
{
    QTest::addColumn<QString>("typeCode");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("refusal");

    const QString carried = QStringLiteral("GC3-1.6.9.bin");
    QTest::newRow("told by its record") << "GC3" << int(GC) << QString() << false << QString();
    QTest::newRow("found in its ROM, named by the user") << "" << int(BL_STM32) << carried << true << QString();
    QTest::newRow("found in its ROM, the user declines")
        << "" << int(BL_STM32) << QString() << true << "This upgrader carries no firmware for the selected gripper.";
    QTest::newRow("a product nothing is carried for")
        << "GC1" << int(GC) << carried << false << "This upgrader carries no firmware for the GC1 gripper.";
}

void TestEngine::manualRebootTakesTheCarriedImage()
{
    QFETCH(QString, typeCode);
    QFETCH(int, kind);
    QFETCH(QString, answer);
    QFETCH(bool, asked);
    QFETCH(QString, refusal);
    Communication communication;
    KorvaneDevice device(QStringLiteral("/dev/null"), typeCode, DeviceKind(kind), false,
                         {BAUD115200, DATA_8, PAR_NONE, STOP_1, FLOW_OFF, 100});
    DownloadRun run(&communication);
    run.device = &device;
    bool wasAsked = false;
    const auto ask = [&] {
        wasAsked = true;
        return answer;
    };
    QString mainName;
    QCOMPARE(run.prepare(false, QString(), &mainName, true, ask), refusal);
    QCOMPARE(wasAsked, asked);
    if (refusal.isEmpty()) {
        QCOMPARE(mainName, QStringLiteral("GC3-1.6.9.bin"));
        QCOMPARE(run.plan().layoutKind(), GC);
        QVERIFY(run.plan().manualPowerCycle);
        QVERIFY(!run.plan().mainImage.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
