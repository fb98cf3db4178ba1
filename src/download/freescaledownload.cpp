// The GS family's Freescale bootloader: readiness, then the image as text,
// followed through the bootloader's progress dots and its load report.

#include "pagedownloadfirmware.h"

#include "communication.h"
#include "freescaleconfig.h"
#include "freescaleparse.h"
#include "carriedfirmware.h"
#include "portwait.h"
#include "replywait.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <QWizard>

namespace {

const int kReadyPauseMs = 50;

} // namespace

void PageDownloadFirmware::beginFreescaleRun()
{
    // A transfer that failed left its stage behind; the next run, in the
    // same process (a restarted wizard), waits for the bootloader afresh.
    freescaleStage = 0;
}

QString PageDownloadFirmware::freescaleImagePath() const
{
    const QString folder = QDir(QDir::currentPath()).exists(QLatin1String(FreescaleConfig::kLocalFirmwareFolder))
                               ? QLatin1String(FreescaleConfig::kLocalFirmwareFolder)
                               : QLatin1String(FreescaleConfig::kResourceFirmwareFolder);
    const QString path = folder + QLatin1String(FreescaleConfig::kImageName);
    return FreescaleConfig::carriesImage() && QFileInfo(path).isFile() ? path : QString();
}

void PageDownloadFirmware::verifyFreescaleBootloader()
{
    const int run = runId;
    receiveBuffer->append(communication->readAll());

    if (freescaleStage == 0 && holdsReadyMarker(*receiveBuffer)) {
        disconnect(communication, SIGNAL(readyRead()), this, SLOT(verifyFreescaleBootloader()));
        connect(communication, SIGNAL(readyRead()), this, SLOT(lectureCOMdownload()), Qt::UniqueConnection);
        receiveBuffer->clear();
        setCancelEnabled(false);
        setBackEnabled(false);
        statusLabel->setText(QStringLiteral("The bootloader is ready to receive the new firmware."));
        freescaleStage = 1;
        imageFile.setFileName(freescaleImagePath());
    }
    if (freescaleStage == 1) {
        waitMs(kReadyPauseMs);
        if (runAbandoned(run))
            return;
        complete = false;
        // The port does not announce new data while one of its readyRead()
        // handlers runs, and the transfer that follows waits for the
        // bootloader's dots: it must not start inside this handler.
        emitLater(&PageDownloadFirmware::transitionInitializeSuccess);
    }
}

void PageDownloadFirmware::lectureCOMdownload()
{
    receiveBuffer->append(communication->readAll());
    const FreescaleReading reading = readFreescaleReceived(*receiveBuffer, freescaleStage, imageFile.size());
    qDebug() << *receiveBuffer;

    if (reading.outcome == FreescaleReading::Loaded) {
        errorTimer->stop();
        setFlashing(false);
        statusLabel->setText(QStringLiteral("The new firmware has been downloaded successfully."));
        receiveBuffer->clear();
        progressBar->setValue(progressBar->maximum());
        complete = true;
        freescaleStage = 0;
        emit downloadOver();
        return;
    }
    if (reading.outcome == FreescaleReading::Downloading) {
        freescaleStage = 2;
        statusLabel->setText(QStringLiteral("The wizard is currently downloading the new firmware."));
        errorTimer->setInterval(FreescaleConfig::kWatchdogMs);
    } else if (reading.outcome == FreescaleReading::StartFailure) {
        errorTimer->stop();
        setFlashing(false);
        showErrorDialog(QStringLiteral("There was a problem starting the download procedure."));
        wizard()->close();
    }

    emit progressChanged(reading.progress);
}

void PageDownloadFirmware::enterFreescaleBootloader(int run)
{
    // Rebooting a gripper into a bootloader that is then sent nothing leaves
    // it there: a build without the image says so while the gripper still runs.
    if (freescaleImagePath().isEmpty()) {
        qDebug() << "ERREUR PageDownloadFirmware::initializeBootloader: no Freescale image";
        endRunBeforeStart(noFirmwareText());
        return;
    }
    statusLabel->setText(QStringLiteral("Initializing the Freescale bootloader."));
    beginFreescaleRun();
    if (!reopenPort(communication, device->portName, BAUD115200, FLOW_XONXOFF))
        qDebug() << "ERREUR PageDownloadFirmware::initializeBootloader: cannot open" << device->portName;
    if (runAbandoned(run))
        return;
    receiveBuffer->clear();

    if (fieldFlag("manualReboot")) {
        QMessageBox box;
        box.setWindowTitle(CarriedFirmware::windowTitle());
        box.setText(QStringLiteral("Please turn off the gripper by disconnecting its power supply, then press OK."));
        box.exec();
        if (runAbandoned(run))
            return;
        connect(communication, SIGNAL(readyRead()), this, SLOT(verifyFreescaleBootloader()), Qt::UniqueConnection);
        statusLabel->setText(
            QStringLiteral("Please turn the gripper back on. This will initiate the download procedure."));
        // No time limit here, by design: the way out is Cancel.
        setCancelEnabled(true);
        return;
    }

    setCancelEnabled(false);
    // Connected before the request: the bootloader may already talk while
    // the request waits for its echo.
    connect(communication, SIGNAL(readyRead()), this, SLOT(verifyFreescaleBootloader()), Qt::UniqueConnection);
    communication->rebootDevice();
    if (runAbandoned(run))
        return;
    statusLabel->setText(QStringLiteral("The wizard is currently rebooting the gripper automatically."));
    errorTimer->setInterval(FreescaleConfig::kWatchdogMs);
    errorTimer->start();
}

void PageDownloadFirmware::downloadFreescaleImage(int run)
{
    if (imageFile.open(QIODevice::ReadOnly | QIODevice::Text)) {
        communication->write(imageFile.readAll());
        imageFile.close();
    } else {
        qDebug() << "ERREUR downloadFirmware: cannot read" << imageFile.fileName();
    }
    // Once the image is on its way its report is due, whichever way the
    // gripper was rebooted: after a manual reboot too, silence must end
    // in a message rather than a page that waits for ever.
    errorTimer->start(FreescaleConfig::kWatchdogMs);
    QEventLoop loop;
    connect(this, &PageDownloadFirmware::downloadOver, &loop, &QEventLoop::quit);
    connect(this, &PageDownloadFirmware::runStopped, &loop, &QEventLoop::quit);
    loop.exec();
    if (runAbandoned(run))
        return;
    waitMs(kAfterFirmwareWriteMs);
    if (runAbandoned(run))
        return;
    emit transitionDownloadSuccess();
}
