#ifndef KORVANE_BATCH_UNITJOB_H
#define KORVANE_BATCH_UNITJOB_H

#include "firmwarechoice.h"
#include "gripperupdate.h"
#include "portprobe.h"
#include "unitend.h"
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
    GripperUpdate::Phase phase() const { return end.phase(); }
    // The part of the update the phase belongs to: "reboot", "erase",
    // "write" or "verify".
    QString step() const { return end.step(); }
    int progress() const { return currentProgress; }
    bool isRunning() const { return running; }
    // "GC3-1.6.9": the version the unit is to run.
    QString targetVersion() const { return image.versionText(); }
    // The user is to switch the unit off and on before anything happens.
    bool waitsForPowerCycle() const { return update->updatePlan().manualPowerCycle && !device.inBootloader; }
    // From the confirmed reboot request (or a unit found in its ROM) until
    // the new firmware starts, the gripper runs nothing but its bootloader;
    // given up now, it is left there.
    bool inBootloader() const { return end.inRom(); }
    UnitResult result() const { return end.result(); }

signals:
    void changed();
    void done();

private:
    void onPhase(GripperUpdate::Phase phase);
    void conclude(GripperUpdate::Outcome outcome);

    ProbedDevice device;
    FirmwareImage image;
    std::unique_ptr<GripperUpdate> update;
    QThread *thread = nullptr;
    // The last phase written to the log.
    int loggedPhase = -1;
    int currentProgress = 0;
    bool running = false;
    std::atomic<int> outcome{-1};
    // The last progress passed on, on the engine's thread.
    std::atomic<int> reportedProgress{-1};
    UnitEnd end;
    // Written on the engine's thread before it starts, read once it ended.
    QString adapterPath;
    QString adapterSerial;
};

#endif
