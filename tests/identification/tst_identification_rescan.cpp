#include "communication.h"
#include "logcapture.h"
#include "portnumbers.h"
#include "simgrippers.h"

#include <QSignalSpy>
#include <QtTest>

using korvane::sim::Kind;

namespace {

// Each record on `port` as "kind type-code version", "secondary" appended
// for a unit behind another.
QStringList recordsOn(const Communication &comm, const QString &port)
{
    QStringList found;
    for (const KorvaneDevice *device : comm.devices) {
        if (device->portName == port)
            found.append(QStringLiteral("%1 %2 %3%4").arg(device->kind).arg(device->typeCode, device->versionText(),
                                                          device->secondaryUnit ? " secondary" : ""));
    }
    return found;
}

} // namespace

// One rescan over every sort of thing a user may have plugged in at once: what
// each port becomes, what is announced, what goes to the log, and what the
// probes did to the grippers. (A ROM the first scan synchronised is found
// again by the next: the port page's scans play it.)
class TestIdentificationRescan : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rescanRecognisesEveryGripper();

private:
    SimBench sims;
    korvane::sim::Gripper *gc = nullptr;
    korvane::sim::Gripper *relay = nullptr;
    korvane::sim::Gripper *lonelyK01 = nullptr;
    korvane::sim::Gripper *inRom = nullptr;
    korvane::sim::Gripper *gsx = nullptr;
    korvane::sim::Gripper *gs = nullptr;
    korvane::sim::Gripper *silent = nullptr;
};

void TestIdentificationRescan::initTestCase()
{
    gc = &sims.add(Kind::GC);
    korvane::sim::GripperConfig relayConfig;
    relayConfig.kind = Kind::K01WithGB1;
    relayConfig.version = {2, 1, 0};
    relayConfig.secondaryVersion = {1, 4, -1};
    relay = &sims.add(relayConfig);
    lonelyK01 = &sims.add(Kind::K01);
    korvane::sim::GripperConfig romConfig;
    romConfig.bootToRom = true;
    inRom = &sims.add(romConfig);
    gsx = &sims.add(Kind::GSX);
    gs = &sims.add(Kind::GS);
    silent = &sims.add(Kind::Silent);
    QVERIFY(sims.settle());
    for (korvane::sim::Gripper *gripper : {gc, relay, lonelyK01, inRom, gsx, gs, silent})
        gripper->clearLogs();
}

void TestIdentificationRescan::rescanRecognisesEveryGripper()
{
    Communication comm;
    QSignalSpy detected(&comm, &Communication::deviceDetected);
    LogCapture log;

    QScopedPointer<QStringList> names(comm.generateDeviceList());

    const QStringList ports = {SimBench::pathOf(*gc),    SimBench::pathOf(*relay), SimBench::pathOf(*lonelyK01),
                               SimBench::pathOf(*inRom), SimBench::pathOf(*gsx),   SimBench::pathOf(*gs),
                               SimBench::pathOf(*silent)};
    for (const QString &port : ports)
        QVERIFY2(names->contains(port), qPrintable(port));

    const QList<QStringList> expected = {
        {QStringLiteral("%1 GC3 GC3-1.6.8").arg(GC)},
        {QStringLiteral("%1 K01 K01-2.1.0").arg(K01), QStringLiteral("%1 GB1 GB1-1.4.-1 secondary").arg(GB1)},
        {QStringLiteral("%1 K01 K01-1.6.8").arg(K01)},
        {QStringLiteral("%1 BL_STM32 BL_STM32-0.0.0").arg(BL_STM32)},
        {QStringLiteral("%1  -0.0.0").arg(GSX)},
        {QStringLiteral("%1 GS GS-1.6.8").arg(GS)},
        {QStringLiteral("%1  -0.0.0").arg(Unidentified)}};
    for (int i = 0; i < ports.size(); ++i)
        QCOMPARE(recordsOn(comm, ports[i]), expected[i]);
    QCOMPARE(comm.devices.size(), 8);

    // Only the unit that would be updated is announced: the GB1, not the K01
    // that relays it.
    QStringList announced;
    for (const QList<QVariant> &args : qAsConst(detected)) {
        const KorvaneDevice *device = args.at(0).value<KorvaneDevice *>();
        QVERIFY(comm.devices.contains(const_cast<KorvaneDevice *>(device)));
        announced.append(device->versionText());
    }
    QCOMPARE(announced, (QStringList{"GC3-1.6.8", "GB1-1.4.-1", "K01-1.6.8", "BL_STM32-0.0.0", "-0.0.0", "GS-1.6.8",
                                     "-0.0.0"}));
    for (const KorvaneDevice *device : comm.devices)
        QCOMPARE(device->inBootloader, device->kind == BL_STM32);

    // The gripper waiting in its ROM must not see a Modbus request: the ROM
    // would take it for commands.
    const korvane::sim::Status romStatus = inRom->status();
    QCOMPARE(romStatus.counters.modbusFrames, 0);
    QVERIFY2(romStatus.counters.bytesReceived < 8, qPrintable(QString::number(romStatus.counters.bytesReceived)));
    QCOMPARE(inRom->romLog().syncs, 1);
    QCOMPARE(inRom->state(), korvane::sim::State::Rom);

    // Every probe let go of its port. The simulator notices a close on its
    // own thread, so it may take a moment to say so; a leak never clears.
    for (korvane::sim::Gripper *gripper : {gc, relay, lonelyK01, inRom, gsx, gs, silent})
        QTRY_VERIFY_WITH_TIMEOUT(!gripper->status().hostOpen, 3000);

    const QStringList lines = log.lines();
    for (const QString &port : ports) {
        const int number = korvane::portNumberFromName(port.toStdString());
        QVERIFY(number > 0);
        QVERIFY(lines.contains(QStringLiteral("comPortNumber :  %1").arg(number)));
    }
    QCOMPARE(log.linesStartingWith(QStringLiteral("TARGET_SetComIntType?  0")).size(), ports.size());
    QCOMPARE(log.linesStartingWith(QStringLiteral("SetCOMSettings?  0")).size(), ports.size());
    QCOMPARE(lines.count(QStringLiteral("DS")), 2 * ports.size());
    auto letters = [&](const QString &port) {
        QStringList found;
        for (const QString &line : lines) {
            if (line.startsWith(port + QStringLiteral("  :  ")))
                found.append(line.mid(port.size() + 5));
        }
        return found;
    };
    const QList<QStringList> expectedLetters = {{"C"}, {"K", "B"}, {"K"}, {"BL_STM32"}, {}, {"S"}, {}};
    for (int i = 0; i < ports.size(); ++i)
        QCOMPARE(letters(ports[i]), expectedLetters[i]);
    QVERIFY(log.linesStartingWith(QStringLiteral("ERREUR")).isEmpty());
}

QTEST_GUILESS_MAIN(TestIdentificationRescan)
#include "tst_identification_rescan.moc"
