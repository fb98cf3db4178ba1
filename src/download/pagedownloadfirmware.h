#ifndef PAGEDOWNLOADFIRMWARE_H
#define PAGEDOWNLOADFIRMWARE_H

#include "closeguard.h"
#include "downloadrun.h"

#include <QStateMachine>
#include <QString>
#include <QWizardPage>

class QLabel;
class QProgressBar;
class QPushButton;

// The download page, a view of a DownloadRun: each of its eight states calls
// one slot, which has the run take one step of the update and moves the
// machine on with a transition signal.
class PageDownloadFirmware : public QWizardPage
{
    Q_OBJECT

public:
    PageDownloadFirmware(QWidget *parent, Communication *communication);

    void initializePage() override;
    bool isComplete() const override;

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
    // A unit runs its new firmware: the gripper written and the main image
    // it was given (empty: the bootloader only), for the version check.
    void unitUpdated(KorvaneDevice *device, const QString &mainImage);

public slots:
    // The version the unit reports after the update (empty: nothing
    // answered): the unit's record, judged as every front end judges it.
    void recordVersion(const QString &version);
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

private:
    void buildMachine();
    void startRun();
    void abandonRun();
    void moveOn(DownloadRun::Next next);
    void writeImage(GripperUpdate::Image image);
    // Empty, or why nothing may be sent.
    Phrase prepareUpdate();
    void startFreescaleTransfer(int run);

    // Tells the user why the run failed and closes the wizard.
    // The dialog shows the text translated; the history keeps its English.
    void endWithError(const Phrase &text);

    Communication *communication;
    DownloadRun run;
    QProgressBar *progressBar;
    QLabel *statusLabel;
    QLabel *detailLabel;
    QPushButton *newDownloadButton;
    QStateMachine machine;
    bool restartPending = false;
    CloseGuard closeGuard;
};

#endif
