#ifndef KORVANE_BATCH_UNITJOB_H
#define KORVANE_BATCH_UNITJOB_H

#include "firmwarechoice.h"
#include "gripperupdate.h"
#include "portprobe.h"
#include "unitresult.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

// One gripper's update on a thread of its own. Lives on the thread that
// creates it; the engine's reports arrive there queued. It tells values (the
// engine's phase, its progress, the result); each front end words them.
class UnitJob : public QObject
{
    Q_OBJECT

public:
    UnitJob(const ProbedDevice &device, UpdatePlan plan, FirmwareImage image, QObject *parent = nullptr);
    ~UnitJob() override;

    void start();
    // The engine stops at its next exchange with the gripper; done() follows.
    void giveUp();
    // Gives up and waits for the engine to stop: the result is there on
    // return, and done() is not emitted. For a program that has seconds left.
    void giveUpNow();

    QString port() const { return device.portName; }
    GripperUpdate::Phase phase() const { return currentPhase; }
    // The part of the update the phase belongs to, as the report times it:
    // "reboot", "erase", "write" or "verify".
    QString step() const { return stepClock.current(); }
    int progress() const { return currentProgress; }
    bool isRunning() const { return running; }
    // "GC3-1.6.9": the version the unit is to run.
    QString targetVersion() const { return image.versionText(); }
    // The user is to switch the unit off and on before anything happens.
    bool waitsForPowerCycle() const { return update->updatePlan().manualPowerCycle && !device.inBootloader; }
    // From the confirmed reboot request (or a unit found in its ROM) until
    // the new firmware starts, the gripper runs nothing but its bootloader;
    // given up now, it is left there.
    bool inBootloader() const { return romReached && !firmwareStarted; }
    UnitResult result() const { return unitResult; }

    // The words for a phase, as the wizard says them.
    static QString phaseText(GripperUpdate::Phase phase);

signals:
    void changed();
    void done();

private:
    void onPhase(GripperUpdate::Phase phase);
    void conclude(GripperUpdate::Outcome outcome);
    void enterStep(const QString &name);

    ProbedDevice device;
    FirmwareImage image;
    std::unique_ptr<GripperUpdate> update;
    QThread *thread = nullptr;
    GripperUpdate::Phase currentPhase = GripperUpdate::Rebooting;
    // The last phase written to the log.
    int loggedPhase = -1;
    int currentProgress = 0;
    bool running = false;
    // Set on the engine's thread as it happens, not when its queued report
    // arrives: a unit given up a moment after its reboot echo is in its ROM.
    std::atomic<bool> romReached{false};
    // The new firmware was started (GS: loaded): given up now, it runs.
    std::atomic<bool> firmwareStarted{false};
    std::atomic<int> outcome{-1};
    // The last progress passed on, on the engine's thread.
    std::atomic<int> reportedProgress{-1};
    PhaseClock stepClock;
    UnitResult unitResult;
    // Written on the engine's thread before it starts, read once it ended.
    QString adapterPath;
    QString adapterSerial;
};

#endif
