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

    // Probes a port that has just arrived once its gripper has settled;
    // arrived() tells what answers, unless the batch stopped taking units.
    void probeArrival(const QextPortInfo &info);
    // No unit arriving from now on is probed; those under way go on.
    void stopTaking();
    void resumeTaking();
    bool isTaking() const { return taking; }
    // Each unit under way stops at its next exchange, and ends given up.
    void giveUp();
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
    // Nothing under way any more: no job, no probe.
    void idle();

private:
    void record(const UnitResult &result, UnitJob *job);
    void onJobDone(UnitJob *job);
    void checkIdle();

    ReportFile reportFile;
    QList<UnitJob *> jobs;
    QHash<int, int> counts;
    int unitsTaken = 0;
    bool taking = true;
    QStringList left;
    QThreadPool probePool;
    QSet<QString> probing;
};

#endif
