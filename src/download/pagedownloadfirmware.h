#ifndef PAGEDOWNLOADFIRMWARE_H
#define PAGEDOWNLOADFIRMWARE_H

#include "downloadrun.h"

#include <QStateMachine>
#include <QString>
#include <QWizard>
#include <QWizardPage>

#include <atomic>

class Communication;
class KorvaneDevice;
class QLabel;
class QProgressBar;
class QPushButton;

// The download page: a view of the update engine. An eight-state machine
// takes the gripper through the engine's steps one by one (bootloader entry,
// erase, write, read-back and start, version); each state's entered() calls
// one slot, which has the run carry out its step and moves the machine on
// with a transition signal. The page shows what the engine reports and asks
// the user what only the user can answer.
class PageDownloadFirmware : public QWizardPage
{
    Q_OBJECT

public:
    PageDownloadFirmware(QWidget *parent, Communication *communication);

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
    void onRunFailed(GripperUpdate::Outcome outcome);

private:
    void buildMachine();
    void startRun();
    void abandonRun();
    // Emits a signal from the event loop, unless the run is over by then.
    void emitLater(void (PageDownloadFirmware::*signal)());
    void moveOn(DownloadRun::Next next);
    void writeImage(GripperUpdate::Image image);
    // Empty, or why nothing may be sent.
    QString prepareUpdate();
    void startFreescaleTransfer(int run);

    // From the first erase until the new firmware is started (or the run
    // has failed and said so) the window must not close: a gripper left
    // half-written in its bootloader, with nobody told, is the worst outcome.
    void setFlashing(bool on);
    // Ends a run before anything was sent to the gripper: tells the user why
    // and closes the wizard, as every failed run does.
    void endRunBeforeStart(const QString &text);
    void setButtonEnabled(QWizard::WizardButton which, bool enabled);
    bool fieldFlag(const char *name) const;

    Communication *communication;
    DownloadRun run;
    // The run is over for the gripper: the commit button may lead on.
    std::atomic<bool> complete{false};
    QProgressBar *progressBar;
    QLabel *statusLabel;
    QLabel *detailLabel;
    QPushButton *newDownloadButton;
    QStateMachine machine;
    bool restartPending = false;
    bool flashing = false;
};

#endif
