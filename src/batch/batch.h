#ifndef KORVANE_BATCH_BATCH_H
#define KORVANE_BATCH_BATCH_H

#include "portprobe.h"
#include "reportfile.h"
#include "unitchoice.h"
#include "unitjob.h"
#include "unitresult.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QThreadPool>

#include <functional>

template <typename T>
class QFutureWatcher;
class QextSerialEnumerator;

// What a scan found: the ports looked into, all that answered on them, and
// (when asked) the USB serial number of each port's adapter.
struct PortScan
{
    QList<QextPortInfo> ports;
    QList<ProbedDevice> found;
    QHash<QString, QString> adapterSerials;
};

// A batch of units, whatever front end watches it: which unit gets what, a
// job per unit taken, how each ends (its report line, the counts), the ports
// that arrive, and how a batch is stopped, with the units it leaves in their
// bootloader. It tells values; the front ends word them.
class Batch : public QObject
{
    Q_OBJECT

public:
    explicit Batch(QObject *parent = nullptr);
    // Units still under way are given up now, each with its line.
    ~Batch() override;

    ReportFile &report() { return reportFile; }

    // Starts a job for the unit, or ends it untouched (ended() says how;
    // given up once the batch stopped taking units); the job, or nullptr. A
    // job that ended on the same port goes.
    UnitJob *take(const ProbedDevice &device, const UnitRules &rules);
    // A unit that ends without being looked into (its port went away).
    void end(const UnitResult &result);

    // Probes the ports in the background, but for those of units under way,
    // which belong to their engines; scanned() tells what answers.
    void scan(const QList<QextPortInfo> &ports, bool adapters);
    // The same for every port where a gripper may be (as `--all` chooses
    // them), listed in the background too: reading the system's port list
    // takes milliseconds a window must not wait for.
    void scanAll(bool adapters);
    bool isScanning() const { return scanWatcher != nullptr; }
    // Takes the units one per turn of the event loop: starting thirty-odd at
    // once would hold a window for a tenth of a second or more.
    void takeEach(const QList<ProbedDevice> &units, const UnitRules &rules);
    int unitsWaiting() const { return toTake.size(); }

    // Probes a port that has just arrived once its gripper has settled;
    // arrived() tells what answers, unless the batch stopped taking units.
    void probeArrival(const QextPortInfo &info);
    // Watches the system's ports: each that arrives is probed as above, and
    // each that goes is told by departed().
    void watchArrivals(bool on);
    // No unit arriving from now on is probed; those under way go on.
    void stopTaking();
    void resumeTaking();
    bool isTaking() const { return taking; }
    // Each unit under way stops at its next exchange, and ends given up.
    void giveUp();
    // Takes no unit more (those waiting their turn stay as they are) and
    // gives up those under way; stopped() follows once none is.
    void stop();
    // For a program that ends in seconds: takes no unit more, lets a scan
    // under way end (its units are offered, and end given up) and gives
    // every unit up now. The ports of the units left in their bootloader.
    QStringList closeNow();
    // For a window asked to close: takes no unit more and gives up now
    // every unit under way that still runs its firmware; those in their
    // ROM go on until their new firmware starts (idle() tells when). The
    // ports of these.
    QStringList closeSafely();
    // The same, waiting for each: every line is written on return. The
    // ports of the units left in their bootloader.
    QStringList giveUpNow();

    bool isBusy() const;
    QStringList portsUnderWay() const;
    // Units under way that run nothing but their bootloader now.
    QStringList unitsInBootloader() const;
    // Units given up in their bootloader since the last clearLeft().
    QStringList leftInBootloader() const { return left; }
    void clearLeft() { left.clear(); }

    int count(UnitResult::Result result) const { return counts.value(result); }
    int taken() const { return unitsTaken; }
    // "3 updated, 1 up to date, 1 failed".
    QString summary() const;

signals:
    void started(UnitJob *job);
    // `job` is nullptr for a unit that ended untouched.
    void ended(const UnitResult &result, UnitJob *job);
    void reportLineLost(const QString &port, const QString &error);
    void arrived(const QString &port, const QList<ProbedDevice> &found);
    void departed(const QString &port);
    void scanned(const PortScan &scan);
    // A stop() has ended: the ports of the units it left in their bootloader.
    void stopped(const QStringList &left);
    // Nothing under way any more: no job, no probe, no scan, none waiting.
    void idle();

private:
    void record(const UnitResult &result, UnitJob *job);
    void onJobDone(UnitJob *job);
    void checkIdle();
    void finishScan();
    void startScan(const std::function<QList<QextPortInfo>()> &listPorts, bool adapters);
    void takeNext();
    // Gives up now the units under way, those in their ROM only with `inRomToo`.
    QStringList giveUpNow(bool inRomToo);

    ReportFile reportFile;
    QList<UnitJob *> jobs;
    QHash<int, int> counts;
    int unitsTaken = 0;
    bool taking = true;
    QStringList left;
    QThreadPool probePool;
    QSet<QString> probing;
    QextSerialEnumerator *arrivals = nullptr;
    QFutureWatcher<PortScan> *scanWatcher = nullptr;
    QList<ProbedDevice> toTake;
    UnitRules takeRules;
    bool stopping = false;
};

#endif
