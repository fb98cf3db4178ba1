#include "pagedownloadfirmware.h"

#include "communication.h"
#include "korvanedevice.h"
#include "bootloaderlink.h"
#include "carriedfirmware.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDebug>
#include <QKeyEvent>
#include <QMessageBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QState>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <QWizard>

PageDownloadFirmware::PageDownloadFirmware(QWidget *parent, Communication *comm)
    : QWizardPage(parent)
    , communication(comm)
{
    setTitle(QStringLiteral("Download of the new firmware"));
    setCommitPage(true);
    complete = false;

    statusLabel = new QLabel(QStringLiteral("\r\n\r\n"));
    statusLabel->setWordWrap(true);
    detailLabel = new QLabel(QStringLiteral("\r\n\r\n"));
    detailLabel->setWordWrap(true);

    progressBar = new QProgressBar();
    progressBar->setMaximum(100);
    progressBar->setMinimum(0);
    connect(this, SIGNAL(progressChanged(int)), this, SLOT(updateProgressBar(int)));

    newDownloadButton = new QPushButton(QStringLiteral("New download"), this);
    newDownloadButton->setEnabled(true);
    newDownloadButton->hide();
    connect(newDownloadButton, SIGNAL(clicked()), this, SLOT(onRestartClicked()));

    libraryLink = new LibraryLink();
    connect(&freescaleWatcher, &QFutureWatcherBase::finished, this, [this] { onFreescaleFinished(runId); });

    auto *layout = new QVBoxLayout();
    layout->addWidget(statusLabel);
    layout->addWidget(progressBar);
    layout->addWidget(detailLabel);
    layout->addWidget(newDownloadButton, 0, Qt::AlignRight);
    setLayout(layout);
}

PageDownloadFirmware::~PageDownloadFirmware()
{
    // A step of an abandoned run may still hold the engine or the link.
    if (update)
        update->cancel();
    QThreadPool::globalInstance()->waitForDone();
    update.reset();
    delete libraryLink;
}

void PageDownloadFirmware::initializePage()
{
    wizard()->setButtonText(QWizard::CommitButton, QStringLiteral("Verify version"));

    device = communication->deviceAt(field(QStringLiteral("portIndex")).toInt());

    // The user may come back to this page (Back, then Next, in manual-reboot
    // mode): the machine and the connections are made the first time only.
    if (!stateInitialize) {
        buildMachine();
        connect(wizard()->button(QWizard::CommitButton), SIGNAL(clicked()), this, SLOT(onVerifyClicked()));
        connect(wizard(), SIGNAL(currentIdChanged(int)), this, SLOT(onWizardPageChanged(int)));
        connect(wizard(), &QWizard::finished, this, &PageDownloadFirmware::abandonRun);
        wizard()->installEventFilter(this);
    }
    startRun();
}

void PageDownloadFirmware::buildMachine()
{
    auto makeState = [this](const char *name, const char *slot) {
        auto *state = new QState();
        state->setObjectName(QLatin1String(name));
        connect(state, SIGNAL(entered()), this, slot);
        return state;
    };
    stateInitialize = makeState("stateInitialize", SLOT(initializeBootloader()));
    stateIdentify = makeState("stateIdentify", SLOT(identifyBootloaderVer()));
    stateEraseBootloader = makeState("stateEraseBootloader", SLOT(eraseBootloaderFlash()));
    stateEraseFirmware = makeState("stateEraseFirmware", SLOT(eraseFirmawreFlash()));
    stateDownloadBootloader = makeState("stateDownloadBootloader", SLOT(downloadBootloader()));
    stateDownloadFirmware = makeState("stateDownloadFirmware", SLOT(downloadFirmware()));
    stateVerify = makeState("stateVerify", SLOT(verifyFirmware()));
    stateError = makeState("stateError", SLOT(manageError()));

    stateInitialize->addTransition(this, SIGNAL(transitionInitializeRetry()), stateInitialize);
    stateInitialize->addTransition(this, SIGNAL(transitionInitializeSuccess()), stateIdentify);
    stateInitialize->addTransition(this, SIGNAL(transitionInitializeFailure()), stateError);
    stateIdentify->addTransition(this, SIGNAL(transitionUpdateBootloader()), stateEraseBootloader);
    stateIdentify->addTransition(this, SIGNAL(transitionUpdateFirmware()), stateEraseFirmware);
    stateEraseBootloader->addTransition(this, SIGNAL(transitionEraseSuccess()), stateDownloadBootloader);
    stateEraseFirmware->addTransition(this, SIGNAL(transitionEraseSuccess()), stateDownloadFirmware);
    stateDownloadBootloader->addTransition(this, SIGNAL(transitionUpdateFirmware()), stateEraseFirmware);
    stateDownloadBootloader->addTransition(this, SIGNAL(transitionDownloadSuccess()), stateVerify);
    stateDownloadBootloader->addTransition(this, SIGNAL(transitionDownloadFailure()), stateError);
    stateDownloadFirmware->addTransition(this, SIGNAL(transitionDownloadSuccess()), stateVerify);
    stateDownloadFirmware->addTransition(this, SIGNAL(transitionDownloadFailure()), stateError);
    stateVerify->addTransition(this, SIGNAL(transitionInitializeRetry()), stateInitialize);
    // An erase that cannot be carried out and a read-back that differs end
    // the run like a failed write.
    stateEraseBootloader->addTransition(this, SIGNAL(transitionDownloadFailure()), stateError);
    stateEraseFirmware->addTransition(this, SIGNAL(transitionDownloadFailure()), stateError);
    stateVerify->addTransition(this, SIGNAL(transitionDownloadFailure()), stateError);
    stateIdentify->addTransition(this, SIGNAL(transitionDownloadFailure()), stateError);

    for (QState *state : {stateInitialize, stateIdentify, stateEraseBootloader, stateEraseFirmware,
                          stateDownloadBootloader, stateDownloadFirmware, stateVerify, stateError})
        machine.addState(state);
    machine.setInitialState(stateInitialize);

    connect(wizard(), SIGNAL(finished(int)), &machine, SLOT(stop()));
    // stop() completes asynchronously; a run asked for meanwhile starts once
    // the old one is down.
    connect(&machine, &QStateMachine::stopped, this, [this] {
        if (restartPending) {
            restartPending = false;
            machine.start();
        }
    });
}

void PageDownloadFirmware::startRun()
{
    ++runId;
    complete = false;
    progressBar->setValue(0);
    if (machine.isRunning()) {
        restartPending = true;
        machine.stop();
    } else {
        machine.start();
    }
}

void PageDownloadFirmware::abandonRun()
{
    ++runId;
    restartPending = false;
    if (update)
        update->cancel();
    setFlashing(false);
    machine.stop();
    // A port left open would hold the gripper's line for as long as the
    // program runs.
    communication->close();
    setHotPlugWatching(false);
    emit runStopped();
}

void PageDownloadFirmware::onWizardPageChanged(int id)
{
    if (wizard()->page(id) == this)
        return;
    // Leaving while a run is still going (Back in manual-reboot mode, or on
    // to the verification while the page waits for the next unit): the run
    // ends here rather than go on behind another page.
    if (machine.isRunning() || hotPlugWatching)
        abandonRun();
}

QString PageDownloadFirmware::currentStateName() const
{
    const auto active = machine.configuration();
    return active.isEmpty() ? QString() : (*active.begin())->objectName();
}

void PageDownloadFirmware::emitLater(void (PageDownloadFirmware::*signal)())
{
    const int run = runId;
    QTimer::singleShot(0, this, [this, run, signal] {
        if (!runAbandoned(run))
            (this->*signal)();
    });
}

void PageDownloadFirmware::updateProgressBar(int value)
{
    progressBar->setValue(value);
}

void PageDownloadFirmware::onVerifyClicked()
{
    // On to the verification: the batch of manual-reboot units is over.
    setHotPlugWatching(false);
}

void PageDownloadFirmware::onDeviceDetected(KorvaneDevice *detected)
{
    if (!detected || !device || detected->kind != device->kind)
        return;
    setHotPlugWatching(false);
    device = detected;
    // Announced from inside identification's probe: the next unit's run
    // starts once that call has unwound.
    emitLater(&PageDownloadFirmware::transitionInitializeRetry);
}

void PageDownloadFirmware::onRestartClicked()
{
    if (!fieldFlag("manualReboot"))
        return;
    communication->close();
    device->inBootloader = false;
    setHotPlugWatching(false);
    emit transitionInitializeRetry();
}

bool PageDownloadFirmware::isComplete() const
{
    return complete;
}

bool PageDownloadFirmware::eventFilter(QObject *watched, QEvent *event)
{
    if (flashing && watched == wizard()) {
        // QDialog rejects on Escape and on its window's close even while
        // Cancel is disabled.
        const bool escape = event->type() == QEvent::KeyPress
                            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape;
        if (escape || event->type() == QEvent::Close) {
            event->ignore();
            detailLabel->setText(QStringLiteral(
                "Please wait: the window closes once the new firmware is written and started."));
            return true;
        }
    }
    return QWizardPage::eventFilter(watched, event);
}

void PageDownloadFirmware::setFlashing(bool on)
{
    flashing = on;
    if (on)
        setCancelEnabled(false);
}

void PageDownloadFirmware::endRunBeforeStart(const QString &text)
{
    complete = true;
    abandonRun();
    showErrorDialog(text);
    wizard()->close();
}

void PageDownloadFirmware::setCancelEnabled(bool enabled)
{
    wizard()->button(QWizard::CancelButton)->setEnabled(enabled);
}

void PageDownloadFirmware::setBackEnabled(bool enabled)
{
    wizard()->button(QWizard::BackButton)->setEnabled(enabled);
}

void PageDownloadFirmware::setHotPlugWatching(bool on)
{
    // The next unit of a manual-reboot batch is announced by hot-plug
    // detection, which is off unless someone listens.
    if (on)
        connect(communication, SIGNAL(deviceDetected(KorvaneDevice*)), this, SLOT(onDeviceDetected(KorvaneDevice*)),
                Qt::UniqueConnection);
    else
        disconnect(communication, SIGNAL(deviceDetected(KorvaneDevice*)), this, SLOT(onDeviceDetected(KorvaneDevice*)));
    if (on == hotPlugWatching)
        return;
    hotPlugWatching = on;
    communication->setAutoDetectDisable(!on);
}

bool PageDownloadFirmware::fieldFlag(const char *name) const
{
    return field(QLatin1String(name)).toBool();
}
