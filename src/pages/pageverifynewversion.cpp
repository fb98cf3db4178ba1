#include "pageverifynewversion.h"

#include "carriedfirmware.h"
#include "communication.h"
#include "korvanedevice.h"
#include "portwait.h"
#include "versionreply.h"
#include "wizardlog.h"

#include <QDebug>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char *const kLabelText = QT_TRANSLATE_NOOP("PageVerifyNewVersion", "The current version of the firmware is %1");
const char *const kCannotReadText
    = QT_TRANSLATE_NOOP("PageVerifyNewVersion", "The new firmware version cannot be read. If the gripper is powered and the connection cable is plugged, "
      "please contact Korvane to report the problem.");
const char *const kWrongVersionText
    = QT_TRANSLATE_NOOP("PageVerifyNewVersion", "The new firmware is not the version that was supposed to be installed. Please contact Korvane to report the "
      "problem.");

void showCritical(const QString &text)
{
    QMessageBox box;
    box.setIcon(QMessageBox::Critical);
    box.setWindowTitle(CarriedFirmware::windowTitle());
    box.setStandardButtons(QMessageBox::Ok);
    box.setText(text);
    box.exec();
}

} // namespace

PageVerifyNewVersion::PageVerifyNewVersion(QWidget *parent, Communication *comm)
    : QWizardPage(parent)
    , communication(comm)
    , requestTimer(new QTimer(this))
{
    setTitle(tr("New firmware version"));
    versionLabel = new QLabel(tr("The wizard verifies if the firmware update was done properly."));
    versionLabel->setWordWrap(true);
    auto *layout = new QVBoxLayout();
    layout->addWidget(versionLabel);
    setLayout(layout);

    requestTimer->setInterval(kRequestIntervalMs);
    connect(requestTimer, &QTimer::timeout, this, &PageVerifyNewVersion::onRequestTimer);
}

void PageVerifyNewVersion::initializePage()
{
    answered = false;
    secondaryUnit = false;
    const int index = field(QStringLiteral("portIndex")).toInt();
    const KorvaneDevice *device = updatedDevice ? updatedDevice : communication->deviceAt(index);
    if (device) {
        // K01 is always asked at its own register block.
        secondaryUnit = device->kind != K01 && device->secondaryUnit;
        // A gripper that has just started its new firmware may still be
        // bringing its USB port back; the request timer keeps trying after.
        if (reopenPort(communication, device->portName, device->portSettings.BaudRate, FLOW_XONXOFF))
            communication->setFlowControl(FLOW_OFF);
        else
            qCDebug(lcWizard).noquote() << "ERREUR PageVerifyNewVersion: cannot open" << device->portName;
    } else {
        communication->close();
        // The record went away with its port: nothing can answer, and the
        // time limit below says so.
        communication->setPortName(QString());
        qCDebug(lcWizard) << "ERREUR PageVerifyNewVersion: no device at" << index;
    }

    connect(communication, SIGNAL(readyRead()), this, SLOT(lectureCOMverifyNewVersion()), Qt::UniqueConnection);
    waitingFor.start();
    sendRequest();
    requestTimer->start();
}

void PageVerifyNewVersion::takeUpdatedUnit(KorvaneDevice *device, const QString &mainImage)
{
    updatedDevice = device;
    imageKnown = FirmwareChoice::describeImage(mainImage, &writtenImage);
}

void PageVerifyNewVersion::sendRequest()
{
    if (!communication->isOpen()) {
        if (!communication->open(QIODevice::ReadWrite))
            return;
        communication->setFlowControl(FLOW_OFF);
    }
    if (secondaryUnit)
        communication->requestSecondaryVersion();
    else
        communication->requestVersion();
}

void PageVerifyNewVersion::onRequestTimer()
{
    if (answered) {
        requestTimer->stop();
        return;
    }
    if (waitingFor.elapsed() < kAnswerLimitMs) {
        sendRequest();
        return;
    }
    // A gripper that has said nothing valid in all that time is as unreadable
    // as one that reports no type code.
    requestTimer->stop();
    answered = true;
    showCritical(tr(kCannotReadText));
    versionLabel->setText(tr(kLabelText).arg(tr("unknown")));
    communication->close();
    emit versionJudged(QString(), false);
}

void PageVerifyNewVersion::lectureCOMverifyNewVersion()
{
    // Once judged, later bytes (answers to repeated requests) change nothing.
    if (answered)
        return;
    if (communication->bytesAvailable() <= 8)
        return;
    const VersionVerdict verdict = judgeVersionReply(communication->readAll(), imageKnown ? &writtenImage : nullptr);
    if (!verdict.judged)
        return;
    answered = true;
    requestTimer->stop();

    if (verdict.dialog == VersionVerdict::CannotRead)
        showCritical(tr(kCannotReadText));
    else if (verdict.dialog == VersionVerdict::WrongVersion)
        showCritical(tr(kWrongVersionText));
    versionLabel->setText(tr(kLabelText).arg(verdict.versionText.shown));
    communication->close();
    // What the firmware said, as the engine's read-back keeps it, even when
    // the words shown are "unknown".
    emit versionJudged(verdict.reported, verdict.dialog == VersionVerdict::NoDialog);
}
