#ifndef DOWNLOADRUN_H
#define DOWNLOADRUN_H

#include "gripperupdate.h"
#include "unitend.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <memory>
#include <utility>

class Communication;

// The wizard's update of one gripper after another, without a window: which
// engine runs for the fields chosen, each step on the thread pool, what its
// result means for the download page's machine, and the wait for the next
// unit of a manual-reboot batch. The page keeps what the user sees and
// answers.
//
// A run is given up (page left, wizard closed, error shown) by abandon():
// every wait begun before then ends, and no step of it moves anything once
// it returns.
class DownloadRun : public QObject
{
    Q_OBJECT

public:
    // The transition a step leads to: the page has a signal for each. Stay
    // when nothing moves (the run was given up meanwhile).
    enum Next {
        Stay,
        InitializeRetry,
        InitializeSuccess,
        InitializeFailure,
        EraseSuccess,
        UpdateBootloader,
        UpdateFirmware,
        DownloadSuccess,
        DownloadFailure,
    };
    Q_ENUM(Next)

    explicit DownloadRun(Communication *communication, QObject *parent = nullptr);
    ~DownloadRun() override;

    int id() const { return runId; }
    // True when run `run` is over: a wait it began returns without touching
    // the gripper or the machine.
    bool isOver(int run) const { return run != runId; }
    void begin()
    {
        ++runId;
        finished = false;
    }
    void abandon();
    // Calls `call` from the event loop, unless the run is over by then.
    void later(const std::function<void()> &call);
    // Over for the gripper, updated or failed for good: the wizard may lead on.
    bool isFinished() const { return finished; }
    void setFinished() { finished = true; }

    // The gripper of this run; the next unit of a batch replaces it.
    KorvaneDevice *device = nullptr;
    bool isFreescale() const { return device && isGsFamily(device->kind); }
    const UpdatePlan &plan() const { return update->updatePlan(); }
    GripperUpdate::Phase lastPhase() const { return end.phase(); }
    bool manualReboot() const { return update && update->updatePlan().manualPowerCycle; }

    // A new engine for the images named (bare names under :/firmware/;
    // empty: left as it is). "Manual reboot" skips the version page for the
    // STM32 families, so with nothing chosen `mainName` becomes the carried
    // image made for the product, which `askProduct` names when the record
    // cannot tell it. Empty, or the user's words why nothing may be sent.
    // The main image the prepared run writes, by name; empty when it writes
    // only the bootloader.
    QString mainImageName() const { return writtenMain; }
    Phrase prepare(bool bootloaderChosen, const QString &bootloaderName, QString *mainName, bool manualReboot,
                    const std::function<QString()> &askProduct);

    // The steps, each waited for with the event loop running. The GS family
    // takes no STM32 step: its transfer is one (startFreescale()).
    Next enterBootloader();
    Next identify();
    Next write(GripperUpdate::Image image);
    // DownloadSuccess (and finished) once the image read back equal and was
    // started.
    Next verifyAndStart();
    // The unit runs its new firmware: its version ("-0.0.0" when nothing
    // answered), then the wait for the next unit of the batch. Empty when the
    // run was given up.
    QString finishUnit();
    // The same port again, for a unit the user swapped by hand; like
    // takeNextUnit(), the run is no longer finished.
    void takeSameUnitAgain();
    // Not waited for: reported through erased().
    void startErase(GripperUpdate::Image image);
    // The GS family's whole transfer in one step: freescaleReady() once the
    // bootloader takes the image (a new unit: not finished yet), failed()
    // unless it loaded.
    void startFreescale();
    // Waits for that transfer; true when the image loaded.
    bool awaitFreescale();
    // A K01 takes its time to start its own firmware and its secondary
    // unit; false when the run was given up meanwhile.
    bool awaitStart();
    // The gripper stays where the run left it, but the link is ours: a run
    // started later opens it afresh.
    void closeLink() { link->close(); }

    // The record of the unit prepared last, once its update has ended, as
    // every front end makes it: refused when prepare() refused it, else from
    // the outcome (Updated: written and started, judged by `versionRead`,
    // empty when nothing answered). To the user's history, once per unit.
    // Returns why the line is not in the history, empty when it is.
    QString recordEnd(GripperUpdate::Outcome outcome, const QString &versionRead = QString());
    // How the step that failed ended the unit; Cancelled while none failed.
    GripperUpdate::Outcome failure() const { return stepFailure; }

    // The next unit of a manual-reboot batch is announced by hot-plug
    // detection, which is off unless someone listens.
    void watchForNextUnit(bool on);
    bool isWatchingForNextUnit() const { return watching; }
    // Takes `detected` as the next unit when it is of this run's kind.
    bool takeNextUnit(KorvaneDevice *detected);

signals:
    // The wizard's words for a phase the engine reported.
    void status(const QString &text);
    void progressChanged(int progress);
    // Loaded and running its firmware: the run is over for the gripper.
    void loaded();
    void erased(DownloadRun::Next next);
    void freescaleReady();
    void failed(GripperUpdate::Outcome outcome);
    void unitDetected(KorvaneDevice *device);
    void stopped();

private:
    using Engine = std::shared_ptr<GripperUpdate>;

    template <typename Step>
    bool runStep(Step step, decltype(step(std::declval<GripperUpdate &>())) *result);
    void onPhase(GripperUpdate::Phase reported);
    void onFreescaleFinished(int run);
    Next afterWrite(Stm32Flasher::Result result, Next success, GripperUpdate::Outcome failed);

    Communication *communication;
    // The wizard shares the process-wide bootloader line with identification,
    // which remembers a ROM it synchronised.
    std::unique_ptr<BootloaderLink> link;
    // One per attempt: a step given up may still be finishing its exchange
    // while the next attempt starts.
    Engine update;
    QFutureWatcher<GripperUpdate::Outcome> freescaleWatcher;
    QString writtenMain;
    UnitEnd end;
    GripperUpdate::Outcome stepFailure = GripperUpdate::Cancelled;
    Phrase refusal;
    bool recorded = true;
    int runId = 0;
    bool finished = false;
    bool watching = false;
};

#endif
