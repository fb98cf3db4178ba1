#include "stationwindow.h"

#include "reportfield.h"
#include "stationtable.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The first size: every column in view on a 1280-pixel-wide screen.
const int kFirstWidth = 1240;
const int kFirstHeight = 520;

} // namespace

StationWindow::StationWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(tr("Korvane Station"));
    batch = new Batch(this);
    connect(batch, &Batch::scanned, this, &StationWindow::onScanned);
    connect(batch, &Batch::stopped, this, &StationWindow::onStopped);
    connect(batch, &Batch::idle, this, &StationWindow::onIdle);
    connect(batch, &Batch::started, this, [this](UnitJob *job) {
        model->start(job);
        refreshButtons();
    });
    connect(batch, &Batch::ended, this, &StationWindow::onEnded);
    connect(batch, &Batch::arrived, this, &StationWindow::onArrived);
    // A unit under way ends in its row by itself; an idle one is marked gone,
    // so that nobody waits on a row whose gripper left the bench.
    connect(batch, &Batch::departed, this, [this](const QString &port) {
        //: A unit's step once its adapter was pulled out
        model->markGone(port, tr("unplugged"));
    });
    connect(batch, &Batch::reportLineLost, this, [this](const QString &port, const QString &error) {
        messageLabel->setText(tr("%1: the line for %2 could not be written (%3)")
                                  .arg(batch->report().path(), port, error));
    });

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);

    auto *controls = new QHBoxLayout;
    //: Button: look for grippers on every port
    scanButton = new QPushButton(tr("Scan"), central);
    updateButton = new QPushButton(tr("Update all"), central);
    //: Button: stop the run (units under way finish first)
    stopButton = new QPushButton(tr("Stop"), central);
    //: Check box: install even over the same or a newer version
    forceBox = new QCheckBox(tr("Force"), central);
    forceBox->setToolTip(tr("Also install over the same or a newer version"));
    automaticBox = new QCheckBox(tr("Update grippers as they are plugged in"), central);
    for (QWidget *widget : QList<QWidget *>{scanButton, updateButton, stopButton, forceBox, automaticBox})
        controls->addWidget(widget);
    controls->addStretch();
    layout->addLayout(controls);

    model = new StationModel(this);
    table = new StationTable(model, central);
    connect(table, &StationTable::recoverAsked, this, &StationWindow::recover);
    layout->addWidget(table);

    countersLabel = new QLabel(central);
    layout->addWidget(countersLabel);
    report = new ReportField(central);
    layout->addWidget(report);
    messageLabel = new QLabel(central);
    messageLabel->setWordWrap(true);
    layout->addWidget(messageLabel);
    setCentralWidget(central);
    resize(kFirstWidth, kFirstHeight);

    scanButton->setObjectName(QStringLiteral("scan"));
    updateButton->setObjectName(QStringLiteral("updateAll"));
    stopButton->setObjectName(QStringLiteral("stop"));
    forceBox->setObjectName(QStringLiteral("force"));
    automaticBox->setObjectName(QStringLiteral("automatic"));
    countersLabel->setObjectName(QStringLiteral("counters"));
    messageLabel->setObjectName(QStringLiteral("message"));

    connect(scanButton, &QPushButton::clicked, this, &StationWindow::scan);
    connect(updateButton, &QPushButton::clicked, this, &StationWindow::updateAll);
    connect(stopButton, &QPushButton::clicked, this, &StationWindow::stop);
    connect(automaticBox, &QCheckBox::toggled, this, &StationWindow::setAutomatic);
    countersLabel->setText(batch->summary());
    refreshButtons();
}

StationWindow::~StationWindow()
{
    // The rows go first; the batch gives up what is still under way, each
    // unit with its report line.
    batch->disconnect(this);
    batch->closeNow();
}

void StationWindow::scan()
{
    probe(false);
}

void StationWindow::updateAll()
{
    // Probed again first: a unit may have been swapped since the table was
    // filled, and the rules need what runs on it now.
    closeAsked = false;
    batch->resumeTaking();
    batch->clearLeft();
    messageLabel->clear();
    probe(true);
}

void StationWindow::probe(bool thenUpdate)
{
    if (batch->isScanning())
        return;
    updateAfterScan = thenUpdate;
    batch->scanAll(true);
    refreshButtons();
}

void StationWindow::onScanned(const PortScan &scan)
{
    QStringList seen;
    for (const QextPortInfo &port : scan.ports) {
        const ProbedDevice *unit = UnitChoice::unitOn(port, scan.found);
        if (!unit)
            continue;
        seen.append(unit->portName);
        // A unit started meanwhile (its recovery) keeps its row as it runs.
        if (!model->isRunning(unit->portName)) {
            const QString serial = scan.adapterSerials.value(unit->portName);
            model->show(*unit, &serial);
        }
    }
    // Unplugged since: its row stays for what it said, but offers nothing.
    for (int r = 0; r < model->rowCount(); ++r) {
        const QString port = model->text(r, StationModel::PortColumn);
        if (!seen.contains(port))
            model->markGone(port, tr("not found at the last scan"));
    }
    // Stop (or the window's close) while the ports were probed cancels the
    // update they were probed for.
    if (updateAfterScan) {
        updateAfterScan = false;
        // The units korvane-flash update --all takes, by the same choice.
        QList<ProbedDevice> taken;
        for (const UnitChoice::Taken &next : UnitChoice::unitsTaken(scan.ports, scan.found, true))
            taken.append(next.unit);
        if (!taken.isEmpty())
            openReport();
        batch->takeEach(taken, rulesFromWindow());
        // The rows of units waiting for their recovery say so themselves.
        if (seen.isEmpty())
            messageLabel->setText(tr("No gripper found."));
    }
    refreshButtons();
    emit scanned();
}

int StationWindow::row(const QString &port) const
{
    return model->row(port);
}

QString StationWindow::cell(const QString &port, Column column) const
{
    return model->text(model->row(port), column);
}

UnitRules StationWindow::rulesFromWindow() const
{
    UnitRules rules;
    rules.force = forceBox->isChecked();
    rules.forceHint = Phrase("StationWindow", QT_TRANSLATE_NOOP("StationWindow", "Force installs it anyway"));
    rules.typeHint = Phrase("StationWindow", QT_TRANSLATE_NOOP("StationWindow", "choose its type, then Update as"));
    return rules;
}

void StationWindow::openReport()
{
    QString error;
    // A report that cannot be opened loses the line of each unit, and says
    // so as each ends.
    if (!report->open(batch->report(), &error))
        messageLabel->setText(error);
}

void StationWindow::take(const ProbedDevice &device, const UnitRules &rules)
{
    closeAsked = false;
    batch->resumeTaking();
    openReport();
    batch->take(device, rules);
}

void StationWindow::recover(const QString &port)
{
    const int r = model->row(port);
    if (r < 0 || batch->isScanning() || model->isRunning(port))
        return;
    const QString type = table->recoveryType(r);
    if (type.isEmpty())
        return;
    UnitRules rules = rulesFromWindow();
    rules.typeCode = type;
    rules.manualReboot = true;
    take(*model->device(port), rules);
}

void StationWindow::onEnded(const UnitResult &result, UnitJob *job)
{
    model->end(result, job != nullptr);
    countersLabel->setText(batch->summary());
    refreshButtons();
    emit unitEnded(result.port);
}

void StationWindow::refreshButtons()
{
    const bool scanning = batch->isScanning();
    scanButton->setEnabled(!scanning);
    updateButton->setEnabled(!scanning);
    stopButton->setEnabled(isBusy());
    // A probe under way holds the port it looks into.
    for (int r = 0; r < model->rowCount(); ++r) {
        const bool running = model->isRunning(model->text(r, StationModel::PortColumn));
        table->enableRecovery(r, !scanning && !running);
    }
}

bool StationWindow::isBusy() const
{
    return (batch->isScanning() && updateAfterScan) || batch->unitsWaiting() > 0 || !batch->portsUnderWay().isEmpty();
}

QStringList StationWindow::unitsInBootloader() const
{
    return batch->unitsInBootloader();
}

void StationWindow::stop()
{
    if (!isBusy())
        return;
    updateAfterScan = false;
    automaticBox->setChecked(false);
    messageLabel->setText(tr("Stopping: the units under way are given up."));
    batch->stop();
}

void StationWindow::onStopped(const QStringList &left)
{
    messageLabel->setText(left.isEmpty() ? tr("Stopped.")
                                         : tr("Stopped. Left in their bootloader (update them again to recover "
                                              "them): %1")
                                               .arg(left.join(QStringLiteral(", "))));
    refreshButtons();
}

void StationWindow::closeEvent(QCloseEvent *event)
{
    // Units not yet started stay as they are; those under way that still run
    // their firmware are given up now, each with its line. A unit in its ROM
    // would be left without a program to start: the window waits for it.
    updateAfterScan = false;
    automaticBox->setChecked(false);
    batch->clearLeft();
    const QStringList inRom = batch->closeSafely();
    const QStringList left = batch->leftInBootloader();
    closeAsked = !inRom.isEmpty() && left.isEmpty();
    if (closeAsked) {
        event->ignore();
        messageLabel->setText(tr("Please wait: the window closes once the new firmware is written and "
                                 "started (%1).")
                                  .arg(inRom.join(QStringLiteral(", "))));
        return;
    }
    if (!left.isEmpty()) {
        // One reached its ROM as it was given up: it is named, and the window
        // stays for its recovery.
        event->ignore();
        onStopped(left);
        return;
    }
    QMainWindow::closeEvent(event);
}

void StationWindow::onIdle()
{
    refreshButtons();
    if (!closeAsked)
        return;
    closeAsked = false;
    // A unit that failed in its ROM waits there: the window stays for its
    // recovery, and says so.
    const QStringList left = batch->leftInBootloader();
    if (left.isEmpty())
        close();
    else
        onStopped(left);
}

void StationWindow::setAutomatic(bool on)
{
    if (on)
        batch->resumeTaking();
    batch->watchArrivals(on);
}

void StationWindow::onArrived(const QString &port, const QList<ProbedDevice> &found)
{
    const ProbedDevice *device = UnitChoice::announcedUnit(found);
    if (!device)
        return;
    model->show(*device);
    const ProbedDevice *shown = model->device(port);
    if (automaticBox->isChecked() && shown && UnitChoice::takenByAll(device) && !model->isRunning(port))
        take(*shown, rulesFromWindow());
}
