#include "stationwindow.h"

#include "carriedfirmware.h"
#include "history.h"
#include "qextserial_platform.h"
#include "qextserialenumerator.h"
#include "sessionlog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The first size: every column in view on a 1280-pixel-wide screen.
const int kFirstWidth = 1240;
const int kFirstHeight = 520;
// Each column's width in average characters; the Result column takes the
// rest. A text wider than its column wraps in its row (a port path, which
// has no space, is shortened in its middle); each is whole in its tooltip.
const int kColumnChars[StationWindow::ColumnCount] = {18, 14, 5, 5, 9, 9, 8, 18, 0, 0};

// The carried images a unit without working firmware may be given, by type
// code. Not the GS family: its bootloader shows itself for five seconds
// only, too short for a power cycle by hand.
QStringList recoverableTypes()
{
    QStringList types;
    for (const QString &name : CarriedFirmware::mainImages()) {
        const QString type = name.section(QLatin1Char('-'), 0, 0);
        const DeviceKind kind = FirmwareChoice::kindForTypeCode(type);
        if (kind != Unidentified && !isGsFamily(kind) && !types.contains(type))
            types.append(type);
    }
    return types;
}

// A row's recovery controls: the type it is to be taken for, and the button.
QWidget *recoveryCell(QWidget *parent, QComboBox **typeBox, QPushButton **button)
{
    auto *cell = new QWidget(parent);
    auto *layout = new QHBoxLayout(cell);
    layout->setContentsMargins(2, 0, 2, 0);
    *typeBox = new QComboBox(cell);
    (*typeBox)->addItems(recoverableTypes());
    *button = new QPushButton(cell);
    layout->addWidget(*typeBox);
    layout->addWidget(*button);
    return cell;
}

} // namespace

StationWindow::StationWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(tr("Korvane Station"));
    batch = new Batch(this);
    connect(batch, &Batch::scanned, this, &StationWindow::onScanned);
    connect(batch, &Batch::stopped, this, &StationWindow::onStopped);
    connect(batch, &Batch::idle, this, &StationWindow::onIdle);
    connect(batch, &Batch::started, this, &StationWindow::onStarted);
    connect(batch, &Batch::ended, this, &StationWindow::onEnded);
    connect(batch, &Batch::arrived, this, &StationWindow::onArrived);
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
    for (QWidget *widget : {static_cast<QWidget *>(scanButton), static_cast<QWidget *>(updateButton),
                            static_cast<QWidget *>(stopButton), static_cast<QWidget *>(forceBox),
                            static_cast<QWidget *>(automaticBox)})
        controls->addWidget(widget);
    controls->addStretch();
    layout->addLayout(controls);

    table = new QTableWidget(0, ColumnCount, central);
    //: Column headings. Kind: the gripper's family (GC, GS); Type: its type code (GC3); Installed: the firmware
    //: version it runs; Will get: the version it would be given
    table->setHorizontalHeaderLabels({tr("Port"), tr("Unit / adapter"), tr("Kind"), tr("Type"),
                                      tr("Installed"), tr("Will get"),
                                      tr("Progress"), tr("Step"), tr("Result"),
                                      tr("Recovery")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->verticalHeader()->hide();
    // A failed unit's details go to support: copied, or with the log.
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        const int r = table->rowAt(at.y());
        if (r < 0 || size_t(r) >= units.size())
            return;
        const QString details = units[size_t(r)]->details;
        QMenu menu;
        QAction *copy = menu.addAction(tr("Copy the details"));
        copy->setEnabled(!details.isEmpty());
        QAction *open = menu.addAction(tr("Open the log's folder"));
        QAction *chosen = menu.exec(table->viewport()->mapToGlobal(at));
        if (chosen == copy)
            QGuiApplication::clipboard()->setText(details);
        else if (chosen == open)
            QDesktopServices::openUrl(QUrl::fromLocalFile(History::logFolder()));
    });
    // The columns keep their widths whatever the rows say: fitting them to
    // their contents measures every cell at each step shown, and a column
    // that widens as units run pushes what they ended with out of view.
    table->setWordWrap(true);
    table->setTextElideMode(Qt::ElideMiddle);
    const QFontMetrics metrics = table->fontMetrics();
    for (int column = 0; column < ColumnCount; ++column) {
        const QString title = table->horizontalHeaderItem(column)->text();
        table->setColumnWidth(column, std::max(kColumnChars[column] * metrics.averageCharWidth(),
                                               metrics.horizontalAdvance(title) + 2 * metrics.averageCharWidth()));
    }
    QComboBox *typeBox = nullptr;
    QPushButton *button = nullptr;
    const std::unique_ptr<QWidget> sample(recoveryCell(nullptr, &typeBox, &button));
    int recoveryWidth = 0;
    //: Button beside a type list: update a unit found in its ROM as the type chosen. Its twin, "Power cycle",
    //: waits for the user to switch a silent unit off and on again.
    for (const QString &label : {tr("Update as"), tr("Power cycle")}) {
        button->setText(label);
        recoveryWidth = std::max(recoveryWidth, sample->sizeHint().width());
    }
    table->setColumnWidth(RecoveryColumn, recoveryWidth);
    table->horizontalHeader()->setSectionResizeMode(ResultColumn, QHeaderView::Stretch);
    // Three lines: a step's text wraps into them.
    table->verticalHeader()->setDefaultSectionSize(3 * metrics.lineSpacing() + metrics.height() / 2);
    layout->addWidget(table);

    countersLabel = new QLabel(central);
    layout->addWidget(countersLabel);
    auto *reportRow = new QHBoxLayout;
    reportRow->addWidget(new QLabel(tr("Report:"), central));
    // Unless another file is named, the records go to the history every
    // front end of this user keeps.
    reportEdit = new QLineEdit(History::path(), central);
    reportEdit->setPlaceholderText(History::path());
    reportRow->addWidget(reportEdit);
    auto *browse = new QPushButton(tr("Choose..."), central);
    reportRow->addWidget(browse);
    layout->addLayout(reportRow);
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
    reportEdit->setObjectName(QStringLiteral("reportPath"));
    countersLabel->setObjectName(QStringLiteral("counters"));
    messageLabel->setObjectName(QStringLiteral("message"));

    connect(scanButton, &QPushButton::clicked, this, &StationWindow::scan);
    connect(updateButton, &QPushButton::clicked, this, &StationWindow::updateAll);
    connect(stopButton, &QPushButton::clicked, this, &StationWindow::stop);
    connect(automaticBox, &QCheckBox::toggled, this, &StationWindow::setAutomatic);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Report file"), reportPath(),
                                                          QString(), nullptr, QFileDialog::DontConfirmOverwrite);
        if (!path.isEmpty())
            reportEdit->setText(path);
    });
    refreshCounters();
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
    batch->scan(UnitChoice::choosePorts(QextSerialEnumerator::getPorts(), {}, true).ports, true);
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
        const Unit *known = unitAt(unit->portName);
        if (!(known && known->job && known->job->isRunning())) {
            const QString serial = scan.adapterSerials.value(unit->portName);
            showUnit(*unit, &serial);
        }
    }
    for (const auto &unit : units) {
        // Unplugged since: its row stays for what it said, but offers nothing.
        if (!seen.contains(unit->device.portName) && !(unit->job && unit->job->isRunning())) {
            setItem(row(unit->device.portName), StepColumn, tr("not found at the last scan"));
            offerRecovery(*unit, false);
        }
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

bool StationWindow::needsRecovery(const ProbedDevice &device)
{
    return !device.unavailable && (!device.isGripper() || device.inBootloader);
}

StationWindow::Unit *StationWindow::unitAt(const QString &port) const
{
    for (const auto &unit : units) {
        if (unit->device.portName == port)
            return unit.get();
    }
    return nullptr;
}

int StationWindow::row(const QString &port) const
{
    for (size_t i = 0; i < units.size(); ++i) {
        if (units[i]->device.portName == port)
            return int(i);
    }
    return -1;
}

QString StationWindow::cell(const QString &port, Column column) const
{
    const int r = row(port);
    if (r < 0)
        return QString();
    if (column == ProgressColumn)
        return QString::number(units[size_t(r)]->bar->value());
    const QTableWidgetItem *item = table->item(r, column);
    return item ? item->text() : QString();
}

void StationWindow::setItem(int r, Column column, const QString &text)
{
    QTableWidgetItem *item = table->item(r, column);
    if (!item) {
        item = new QTableWidgetItem;
        table->setItem(r, column, item);
    } else if (item->text() == text) {
        // Progress is told many times a second per unit, the step rarely.
        return;
    }
    item->setText(text);
    item->setToolTip(text);
    // What a row ended with is read whole: its row grows for it. Only the
    // row is measured, and only as a unit starts or ends.
    if (column == ResultColumn) {
        table->resizeRowToContents(r);
        table->setRowHeight(r, std::max(table->rowHeight(r), table->verticalHeader()->defaultSectionSize()));
    }
}

void StationWindow::showUnit(const ProbedDevice &device, const QString *adapterSerial)
{
    int r = row(device.portName);
    if (r < 0) {
        r = table->rowCount();
        table->insertRow(r);
        auto unit = std::make_unique<Unit>();
        unit->bar = new QProgressBar(table);
        unit->bar->setRange(0, 100);
        unit->bar->setValue(0);
        table->setCellWidget(r, ProgressColumn, unit->bar);
        unit->recovery = recoveryCell(table, &unit->typeBox, &unit->recoverButton);
        table->setCellWidget(r, RecoveryColumn, unit->recovery);
        const QString port = device.portName;
        connect(unit->recoverButton, &QPushButton::clicked, this, [this, port] { recover(port); });
        units.push_back(std::move(unit));
    }
    Unit &unit = *units[size_t(r)];
    // The adapter is looked up once per plug (the system's port list is slow
    // to read); what was plugged in anew is not known to be the unit before.
    const QString identity = QextPlatform::deviceIdentity(device.portName);
    if (unit.device.portName != device.portName || identity != unit.identity) {
        unit.identity = identity;
        unit.unitId.clear();
        unit.details.clear();
        QString stablePath;
        if (adapterSerial)
            unit.adapterSerial = *adapterSerial;
        else
            QextSerialEnumerator::adapterOf(device.portName, &stablePath, &unit.adapterSerial);
    }
    unit.device = device;
    showIdentity(r, unit);

    setItem(r, PortColumn, device.portName);
    setItem(r, KindColumn, device.unavailable ? QStringLiteral("-") : kindName(device.kind));
    setItem(r, TypeColumn, device.typeCode.isEmpty() ? QStringLiteral("-") : device.typeCode);
    setItem(r, InstalledColumn, device.versionKnown() ? device.versionText() : QStringLiteral("-"));
    FirmwareImage image;
    Phrase ignored;
    const bool known = device.versionKnown() && FirmwareChoice::imageFor(device.typeCode, device.kind, {}, &image,
                                                                         &ignored);
    setItem(r, TargetColumn, known ? image.versionText() : QStringLiteral("-"));
    setItem(r, StepColumn, QString());
    unit.bar->setValue(0);

    QString state;
    if (device.unavailable)
        state = UnitChoice::unavailableReason(device).shown;
    else if (device.inBootloader)
        state = tr("found in its ROM bootloader, where it cannot tell its type: choose it and update");
    else if (!device.isGripper())
        state = tr("no gripper answered: a unit without working firmware is recovered with a power cycle");
    setItem(r, ResultColumn, state);
    unit.recoverButton->setText(device.inBootloader ? tr("Update as") : tr("Power cycle"));
    offerRecovery(unit, needsRecovery(device));
}

void StationWindow::showIdentity(int r, const Unit &unit)
{
    setItem(r, UnitColumn, QStringLiteral("%1 / %2").arg(unit.unitId.isEmpty() ? QStringLiteral("-") : unit.unitId,
                                                         unit.adapterSerial.isEmpty() ? QStringLiteral("-")
                                                                                      : unit.adapterSerial));
}

void StationWindow::offerRecovery(Unit &unit, bool on)
{
    // The view shows its cell widgets itself as they scroll into sight: what
    // is offered is decided inside the cell.
    on = on && unit.typeBox->count() > 0;
    unit.typeBox->setVisible(on);
    unit.recoverButton->setVisible(on);
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
    const QString path = reportPath();
    QString error;
    if (!path.isEmpty())
        QDir().mkpath(QFileInfo(path).absolutePath());
    // A report that cannot be opened loses the line of each unit, and says
    // so as each ends.
    if (!batch->report().open(path, &error))
        messageLabel->setText(error);
}

void StationWindow::take(Unit &unit, const UnitRules &rules)
{
    closeAsked = false;
    batch->resumeTaking();
    openReport();
    batch->take(unit.device, rules);
}

void StationWindow::recover(const QString &port)
{
    Unit *unit = unitAt(port);
    if (!unit || batch->isScanning() || (unit->job && unit->job->isRunning()) || unit->typeBox->currentText().isEmpty())
        return;
    UnitRules rules = rulesFromWindow();
    rules.typeCode = unit->typeBox->currentText();
    rules.manualReboot = true;
    take(*unit, rules);
}

void StationWindow::onStarted(UnitJob *job)
{
    const QString port = job->port();
    Unit *unit = unitAt(port);
    if (!unit)
        return;
    unit->job = job;
    unit->shownPhase = job->phase();
    connect(job, &UnitJob::changed, this, [this, port] { onJobChanged(port); });
    const int r = row(port);
    setItem(r, TargetColumn, job->targetVersion());
    setItem(r, ResultColumn, job->waitsForPowerCycle()
                                 ? tr("switch the unit off, then on again; the update starts when it answers")
                                 : QString());
    onJobChanged(port);
    refreshButtons();
}

void StationWindow::onJobChanged(const QString &port)
{
    Unit *unit = unitAt(port);
    if (!unit || !unit->job || !unit->job->isRunning())
        return;
    const GripperUpdate::Phase phase = unit->job->phase();
    // On the power-cycle path the engine repeats its reboot request every
    // few tens of milliseconds until the unit answers: the row keeps the
    // instruction to the user instead of flickering between the two.
    if (!(unit->shownPhase == GripperUpdate::AwaitingPowerCycle && phase == GripperUpdate::Rebooting)) {
        unit->shownPhase = phase;
        setItem(row(port), StepColumn, UnitEnd::phaseText(phase).shown);
    }
    unit->bar->setValue(unit->job->progress());
}

void StationWindow::onEnded(const UnitResult &result, UnitJob *job)
{
    Unit *unit = unitAt(result.port);
    if (unit) {
        const int r = row(result.port);
        setItem(r, ResultColumn, result.sentence());
        if (!result.unitId.isEmpty())
            unit->unitId = result.unitId;
        if (!result.adapterSerial.isEmpty())
            unit->adapterSerial = result.adapterSerial;
        showIdentity(r, *unit);
        unit->details = QString::fromUtf8(result.toJsonLine()).trimmed();
        if (!SessionLog::path().isEmpty())
            unit->details += QLatin1Char('\n') + tr("Log: %1").arg(SessionLog::path());
        // The step a unit was at is history once it has ended.
        setItem(r, StepColumn, QString());
        if (result.result == UnitResult::Updated) {
            unit->bar->setValue(100);
            offerRecovery(*unit, false);
            setItem(r, InstalledColumn, result.versionAfter);
        } else if (job && (result.leftInBootloader || result.result == UnitResult::Failed)) {
            // A unit left in its ROM can no longer tell its type.
            offerRecovery(*unit, true);
            unit->recoverButton->setText(tr("Update as"));
        }
    }
    refreshCounters();
    refreshButtons();
    emit unitEnded(result.port);
}

void StationWindow::refreshCounters()
{
    countersLabel->setText(batch->summary());
}

void StationWindow::refreshButtons()
{
    const bool scanning = batch->isScanning();
    scanButton->setEnabled(!scanning);
    updateButton->setEnabled(!scanning);
    stopButton->setEnabled(isBusy());
    // A probe under way holds the port it looks into.
    for (const auto &unit : units)
        unit->recovery->setEnabled(!batch->isScanning() && !(unit->job && unit->job->isRunning()));
}

QString StationWindow::reportPath() const
{
    // An emptied field names no report: the records go to the history, as
    // korvane-flash's do without --report.
    const QString path = reportEdit->text().trimmed();
    return path.isEmpty() ? History::path() : path;
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
    if (!on) {
        delete enumerator;
        enumerator = nullptr;
        return;
    }
    if (enumerator)
        return;
    enumerator = new QextSerialEnumerator(this);
    connect(enumerator, &QextSerialEnumerator::deviceDiscovered, batch, &Batch::probeArrival);
    connect(enumerator, &QextSerialEnumerator::deviceRemoved, this, [this](const QextPortInfo &info) {
        // A unit under way ends in its row by itself; an idle one is marked
        // gone, so that nobody waits on a row whose gripper left the bench.
        const QString port = UnitChoice::portPath(info);
        Unit *unit = unitAt(port);
        if (!unit || (unit->job && unit->job->isRunning()))
            return;
        offerRecovery(*unit, false);
        //: A unit's step once its adapter was pulled out
        setItem(row(port), StepColumn, tr("unplugged"));
    });
    enumerator->setUpNotifications();
}

void StationWindow::onArrived(const QString &port, const QList<ProbedDevice> &found)
{
    const ProbedDevice *device = UnitChoice::announcedUnit(found);
    if (!device)
        return;
    showUnit(*device);
    Unit *unit = unitAt(port);
    if (automaticBox->isChecked() && unit && UnitChoice::takenByAll(device) && !(unit->job && unit->job->isRunning()))
        take(*unit, rulesFromWindow());
}
