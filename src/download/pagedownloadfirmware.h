#ifndef PAGEDOWNLOADFIRMWARE_H
#define PAGEDOWNLOADFIRMWARE_H

#include "gripperupdate.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QStateMachine>
#include <QString>
#include <QWizardPage>

#include <memory>

class BootloaderLink;
class Communication;
class KorvaneDevice;
class QLabel;
class QProgressBar;
class QPushButton;
class QState;

// The download page: a view of the update engine. An eight-state machine
// takes the gripper through the engine's steps one by one (bootloader entry,
// erase, write, read-back and start, version); each state's entered() calls
// one slot, which runs its step on the global thread pool and moves the
// machine on with a transition signal. The page shows what the engine
// reports and asks the user what only the user can answer.
class PageDownloadFirmware : public QWizardPage
{
    Q_OBJECT

public:
    PageDownloadFirmware(QWidget *parent, Communication *communication);
    ~PageDownloadFirmware() override;

    void initializePage() override;
    bool isComplete() const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // Object name of the active state ("stateInitialize"...), empty while the
    // machine is stopped: for the log and the benchmarks.
    QString currentStateName() const;

signals:
    void transitionInitializeRetry();
    void transitionInitializeSuccess();
    void transitionInitializeFailure();
    void transitionEraseSuccess();
    void transitionDownloadSuccess();
    void transitionDownloadFailure();
    void transitionUpdateFirmware();
    void transitionUpdateBootloader();
    void progressChanged(int progress);
    void downloadOver();
    void verifSuccess();
    // The run was given up (wizard closed, page left, error shown): ends
    // the waits for steps that may never finish.
    void runStopped();

public slots:
    void verifyFreescaleBootloader();
    void popupErreurComm();
    void initializeBootloader();
    void onVerifyClicked();
    void identifyBootloaderVer();
    void eraseBootloaderFlash();
    void eraseFirmawreFlash();
    void downloadBootloader();
    void downloadFirmware();
    void updateProgressBar(int);
    void verifyFirmware();
    void manageError();
    void onDeviceDetected(KorvaneDevice *device);
    void onRestartClicked();

private slots:
    void onWizardPageChanged(int id);
    void onPhase(GripperUpdate::Phase phase);

private:
    using Engine = std::shared_ptr<GripperUpdate>;

    void buildMachine();
    void startRun();
    void abandonRun();
    // True when the run that started a wait is over (wizard closed, page
    // left, error shown, or a new run begun): the slot then returns without
    // touching the device or the machine.
    bool runAbandoned(int run) const { return run != runId; }
    // Emits a signal from the event loop, unless the run is over by then.
    void emitLater(void (PageDownloadFirmware::*signal)());
    // Runs one engine step on the pool with the window live; false when the
    // run was given up meanwhile.
    template <typename Step>
    bool runStep(Step step, decltype(step()) *result);

    // The engine for the chosen gripper and the images this run writes;
    // empty, or why nothing may be sent.
    QString prepareUpdate();
    // "Manual reboot" skips the version page for the STM32 families: the
    // carried image made for the product, asked of the user when the record
    // cannot tell it.
    QString chosenMainImage();
    void startFreescaleTransfer(int run);
    void startErase(GripperUpdate::Image image);
    void onFreescaleFinished(int run);

    // From the first erase until the new firmware is started (or the run
    // has failed and said so) the window must not close: a gripper left
    // half-written in its bootloader, with nobody told, is the worst outcome.
    void setFlashing(bool on);
    // Ends a run before anything was sent to the gripper: tells the user why
    // and closes the wizard, as every failed run does.
    void endRunBeforeStart(const QString &text);
    void showErrorDialog(const QString &text);
    void setCancelEnabled(bool enabled);
    void setBackEnabled(bool enabled);
    void setHotPlugWatching(bool on);
    bool fieldFlag(const char *name) const;

    Communication *communication;
    // The run is over for the gripper: the commit button may lead on.
    std::atomic<bool> complete{false};
    QProgressBar *progressBar;
    QLabel *statusLabel;
    QLabel *detailLabel;
    QPushButton *newDownloadButton;
    QStateMachine machine;
    KorvaneDevice *device = nullptr;

    QState *stateInitialize = nullptr;
    QState *stateIdentify = nullptr;
    QState *stateEraseBootloader = nullptr;
    QState *stateEraseFirmware = nullptr;
    QState *stateDownloadBootloader = nullptr;
    QState *stateDownloadFirmware = nullptr;
    QState *stateVerify = nullptr;
    QState *stateError = nullptr;

    // The wizard shares the process-wide bootloader line with identification,
    // which remembers a ROM it synchronised.
    BootloaderLink *libraryLink;
    // One per attempt: a step given up may still be finishing its exchange
    // while the next attempt starts.
    Engine update;
    QFutureWatcher<GripperUpdate::Outcome> freescaleWatcher;
    GripperUpdate::Phase lastPhase = GripperUpdate::Rebooting;
    int runId = 0;
    bool restartPending = false;
    bool hotPlugWatching = false;
    bool flashing = false;
};

#endif
