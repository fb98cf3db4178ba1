#ifndef PAGEDOWNLOADFIRMWARE_H
#define PAGEDOWNLOADFIRMWARE_H

#include "qextserialport.h"

#include <QByteArray>
#include <QFile>
#include <QStateMachine>
#include <QString>
#include <QVector>
#include <QWizardPage>

#include "stm32flasher.h"

#include <atomic>
#include <memory>

class BootloaderEntry;
class BootloaderLink;
class Communication;
class KorvaneDevice;
class QLabel;
class QProgressBar;
class QPushButton;
class QState;
class QTimer;

// The download page: brings the chosen gripper into its bootloader, erases,
// writes, verifies and starts the new firmware, driven by an eight-state
// machine. Each state's entered() calls one slot; the slots move the machine
// on with the transition signals. The slow bootloader calls run on the global
// thread pool so the window keeps painting.
//
// The slots are spread over files by concern: bootloaderentry.cpp,
// stm32flashing.cpp, freescaledownload.cpp, downloaderrors.cpp and
// verifystart.cpp.
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
    // machine is stopped: for the log and for tests.
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
    // the waits for workers and for the bootloader, which may never answer.
    void runStopped();

public slots:
    void lectureCOMdownload();
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
    void onWizardFinished();

private:
    // Pause between the main image's end and the next step, on both paths.
    static constexpr int kAfterFirmwareWriteMs = 1000;

    // Pool workers. They touch only their arguments and the flasher, and
    // report through queued signals and their result.
    void eraseFlashSectors(quint32 address, quint32 count);
    bool writeFlashImage(const QByteArray &image, quint32 address);
    bool verifyAndJump(QVector<FlashImage> images, quint32 startAddress);

    void readSoftwareVersion(QString &typeCode, int &major, int &minor, int &patch);

    void buildMachine();
    void startRun();
    void abandonRun();
    // True when the run that started a wait is over (wizard closed, page
    // left, error shown, or a new run begun): the slot then returns without
    // touching the device or the machine.
    bool runAbandoned(int run) const { return run != runId; }
    // Writes one image on the pool and waits for it; a written image is
    // remembered for the read-back.
    enum class WriteOutcome { Written, Failed, Abandoned };
    WriteOutcome writeAndWait(const QString &path, quint32 address, int run);
    // Emits a signal from the event loop, unless the run is over by then.
    void emitLater(void (PageDownloadFirmware::*signal)());

    void retryLater();
    // The GS family's path (freescaledownload.cpp): the bootloader's ready
    // sign, then the image as text.
    void enterFreescaleBootloader(int run);
    void downloadFreescaleImage(int run);
    // Reboot request and ROM initialisation, on the pool; the page waits
    // for the outcome with the window live.
    void enterStm32Bootloader(int run);

    // From the first erase until the new firmware is started (or the run
    // has failed and said so) the window must not close: a gripper left
    // half-written in its bootloader, with nobody told, is the worst outcome.
    void setFlashing(bool on);
    // Ends a run before anything was sent to the gripper: tells the user why
    // and closes the wizard, as every failed run does.
    void endRunBeforeStart(const QString &text);
    QString noFirmwareText() const;
    // Where the Freescale image is read from; empty when this build carries
    // none the page could send.
    QString freescaleImagePath() const;
    void closeLibraryLink();

    void setCancelEnabled(bool enabled);
    void setBackEnabled(bool enabled);
    void setHotPlugWatching(bool on);
    void showErrorDialog(const QString &text);
    QString fieldText(const char *name) const;
    void beginFreescaleRun();
    // Picks the carried main image made for the gripper, into the field the
    // version page would have set; false when none is.
    bool chooseCarriedImageFor(const KorvaneDevice *target);
    bool fieldFlag(const char *name) const;

    Communication *communication;
    // Read by the wizard on the GUI thread, written by the verify worker.
    std::atomic<bool> complete{false};
    QTimer *errorTimer;
    QProgressBar *progressBar;
    // The Freescale image; GUI thread only (the STM32 workers get bytes).
    QFile imageFile;
    QLabel *statusLabel;
    QLabel *detailLabel;
    QByteArray *receiveBuffer;
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

    // What this run wrote, content and address, for the read-back.
    QVector<FlashImage> writtenImages;
    BootloaderLink *bootloaderLink;
    std::shared_ptr<BootloaderEntry> bootloaderEntry;
    Stm32Flasher *flasher;
    int runId = 0;
    bool restartPending = false;
    bool hotPlugWatching = false;
    bool flashing = false;
    // Where the Freescale transfer stands: 0 waiting for the bootloader, 1
    // ready with the image chosen, 2 progress dots coming.
    int freescaleStage = 0;
};

#endif
