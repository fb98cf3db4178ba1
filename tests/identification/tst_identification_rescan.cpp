#include "communication.h"
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
// each port becomes, what is announced, and what the probes did to the
// grippers. (A ROM the first scan synchronised is found
// again by the next: the port page's scans play it.)
class TestIdentificationRescan : public QObject
{
    Q_OBJECT

private slots:
    void rescanRecognisesEveryGripper();
};

void TestIdentificationRescan::rescanRecognisesEveryGripper()
{
    SimBench sims;
    korvane::sim::Gripper *gc = &sims.add(Kind::GC);
    korvane::sim::GripperConfig relayConfig;
    relayConfig.kind = Kind::K01WithGB1;
    relayConfig.version = {2, 1, 0};
    relayConfig.secondaryVersion = {1, 4, -1};
    korvane::sim::Gripper *relay = &sims.add(relayConfig);
    korvane::sim::Gripper *lonelyK01 = &sims.add(Kind::K01);
    korvane::sim::GripperConfig romConfig;
    romConfig.bootToRom = true;
    korvane::sim::Gripper *inRom = &sims.add(romConfig);
    korvane::sim::Gripper *gsx = &sims.add(Kind::GSX);
    korvane::sim::Gripper *gs = &sims.add(Kind::GS);
    korvane::sim::Gripper *silent = &sims.add(Kind::Silent);
    QVERIFY(sims.settle());
    for (korvane::sim::Gripper *gripper : {gc, relay, lonelyK01, inRom, gsx, gs, silent})
        gripper->clearLogs();

    Communication comm;
    QSignalSpy detected(&comm, &Communication::deviceDetected);

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
    QCOMPARE(detected.count(), 7);
    for (const QList<QVariant> &args : qAsConst(detected)) {
        const KorvaneDevice *device = args.at(0).value<KorvaneDevice *>();
        QVERIFY(device->portName != ports[1] || device->kind == GB1);
    }
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
        QTRY_VERIFY2_WITH_TIMEOUT(!gripper->status().hostOpen, qPrintable(SimBench::pathOf(*gripper)), 30000);
}

QTEST_GUILESS_MAIN(TestIdentificationRescan)
#include "tst_identification_rescan.moc"
