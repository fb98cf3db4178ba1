#ifndef KORVANE_FLASH_UNITJOB_H
#define KORVANE_FLASH_UNITJOB_H

#include "firmwarechoice.h"
#include "gripperupdate.h"
#include "portprobe.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

class QThread;

// How one unit asked for ended. Only Updated and UpToDate leave a gripper
// confirmed on the new version, and Updated only once the new firmware has
// reported that version.
struct UnitResult
{
    enum Result { Updated, UpToDate, Refused, Failed, GivenUp };

    QDateTime time;
    QString port;
    QString kind;
    QString typeCode;
    QString versionBefore;
    QString versionAfter;
    Result result = Failed;
    QString error;
    // Seconds spent in each phase, in the order they came.
    QVector<QPair<QString, double>> phases;

    bool confirmed() const { return result == Updated || result == UpToDate; }
    static QString resultName(Result result);
    // One JSON object on one line.
    QByteArray toJsonLine() const;
};

// One gripper's update on a thread of its own. Lives on the thread that
// creates it; the engine's reports arrive there queued.
class UnitJob : public QObject
{
    Q_OBJECT

public:
    UnitJob(const ProbedDevice &device, UpdatePlan plan, FirmwareImage image, QObject *parent = nullptr);
    ~UnitJob() override;

    void start();
    // The engine stops at its next exchange with the gripper.
    void giveUp();

    QString port() const { return device.portName; }
    QString phase() const { return currentPhase; }
    QString status() const { return currentStatus; }
    int progress() const { return currentProgress; }
    bool isRunning() const { return running; }
    // Once in its bootloader the gripper stays there until written and
    // started; given up now, it is left there.
    bool pastEntry() const;
    UnitResult result() const { return unitResult; }

signals:
    void changed();
    void done();

private:
    void onPhase(GripperUpdate::Phase phase);
    void onFinished(GripperUpdate::Outcome outcome);
    void enterPhase(const QString &name);

    ProbedDevice device;
    FirmwareImage image;
    std::unique_ptr<GripperUpdate> update;
    QThread *thread = nullptr;
    QString currentPhase;
    QString currentStatus;
    int currentProgress = 0;
    bool running = false;
    bool reachedBootloader = false;
    // The new firmware was started (GS: loaded): given up now, it runs.
    bool started = false;
    QElapsedTimer phaseClock;
    UnitResult unitResult;
};

// The result line of a unit, as the console prints it.
QString resultLine(const UnitResult &result);

#endif
