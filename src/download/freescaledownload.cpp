// The GS family's Freescale bootloader: readiness, then the image as text,
// followed through the bootloader's progress dots and its load report.

#include "pagedownloadfirmware.h"

#include "communication.h"
#include "freescaleconfig.h"
#include "freescaleparse.h"
#include "replywait.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
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
