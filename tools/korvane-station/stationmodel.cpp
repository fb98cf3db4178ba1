#include "stationmodel.h"

#include "firmwarechoice.h"
#include "qextserial_platform.h"
#include "qextserialenumerator.h"
#include "sessionlog.h"
#include "unitchoice.h"
#include "unitjob.h"
#include "unitresult.h"

#include <QCoreApplication>

namespace {

// The window's words: its translations keep their context.
QString windowText(const char *text)
{
    return QCoreApplication::translate("StationWindow", text);
}

// A unit without working firmware cannot tell its type: it is updated only
// through its recovery controls.
bool needsRecovery(const ProbedDevice &device)
{
    return !device.unavailable && (!device.isGripper() || device.inBootloader);
}

} // namespace

struct StationModel::Unit
{
    ProbedDevice device;
    UnitJob *job = nullptr;
    QString texts[ColumnCount];
    int progress = 0;
    bool recoveryOffered = false;
    QString recoveryLabel;
    // What the Step cell shows, kept through the power-cycle path's
    // repeated reboot requests.
    GripperUpdate::Phase shownPhase = GripperUpdate::Rebooting;
    // What finds the physical unit: its part's ID once its ROM told it,
    // the adapter's serial number; and how its last update ended.
    QString unitId;
    QString adapterSerial;
    QString details;
    // Tells a unit plugged in anew under the same port from the last.
    QString identity;
};

StationModel::StationModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

StationModel::~StationModel() = default;

int StationModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(units.size());
}

int StationModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant StationModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const Unit &unit = *units[size_t(index.row())];
    switch (index.column()) {
    case ProgressColumn:
        // Drawn as a bar by the view; not a text to read aloud or wrap.
        return role == Qt::DisplayRole ? QVariant(unit.progress) : QVariant();
    case RecoveryColumn:
        if (role == RecoveryLabelRole)
            return unit.recoveryLabel;
        return role == RecoveryOfferedRole ? QVariant(unit.recoveryOffered) : QVariant();
    default:
        // Each text is whole in its tooltip, however its cell cuts it.
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return unit.texts[index.column()];
        return QVariant();
    }
}

QVariant StationModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const titles[ColumnCount] = {
        //: Column headings. Kind: the gripper's family (GC, GS); Type: its type code (GC3); Installed: the firmware
        //: version it runs; Will get: the version it would be given
        QT_TRANSLATE_NOOP("StationWindow", "Port"),     QT_TRANSLATE_NOOP("StationWindow", "Unit / adapter"),
        QT_TRANSLATE_NOOP("StationWindow", "Kind"),     QT_TRANSLATE_NOOP("StationWindow", "Type"),
        QT_TRANSLATE_NOOP("StationWindow", "Installed"), QT_TRANSLATE_NOOP("StationWindow", "Will get"),
        QT_TRANSLATE_NOOP("StationWindow", "Progress"), QT_TRANSLATE_NOOP("StationWindow", "Step"),
        QT_TRANSLATE_NOOP("StationWindow", "Result"),   QT_TRANSLATE_NOOP("StationWindow", "Recovery")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return windowText(titles[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

StationModel::Unit *StationModel::unitAt(const QString &port) const
{
    const int r = row(port);
    return r < 0 ? nullptr : units[size_t(r)].get();
}

int StationModel::row(const QString &port) const
{
    for (size_t i = 0; i < units.size(); ++i) {
        if (units[i]->device.portName == port)
            return int(i);
    }
    return -1;
}

QString StationModel::text(int row, Column column) const
{
    if (row < 0 || row >= rowCount())
        return QString();
    const Unit &unit = *units[size_t(row)];
    return column == ProgressColumn ? QString::number(unit.progress) : unit.texts[column];
}

QString StationModel::details(int row) const
{
    return row < 0 || row >= rowCount() ? QString() : units[size_t(row)]->details;
}

const ProbedDevice *StationModel::device(const QString &port) const
{
    const Unit *unit = unitAt(port);
    return unit ? &unit->device : nullptr;
}

bool StationModel::isRunning(const QString &port) const
{
    const Unit *unit = unitAt(port);
    return unit && unit->job && unit->job->isRunning();
}

void StationModel::setText(int r, Column column, const QString &text)
{
    QString &shown = units[size_t(r)]->texts[column];
    // Progress is told many times a second per unit, the step rarely.
    if (shown == text)
        return;
    shown = text;
    emit dataChanged(index(r, column), index(r, column), {Qt::DisplayRole, Qt::ToolTipRole});
}

void StationModel::setProgress(int r, int value)
{
    Unit &unit = *units[size_t(r)];
    if (unit.progress == value)
        return;
    unit.progress = value;
    emit dataChanged(index(r, ProgressColumn), index(r, ProgressColumn), {Qt::DisplayRole});
}

void StationModel::offerRecovery(int r, bool on, const QString &label)
{
    Unit &unit = *units[size_t(r)];
    unit.recoveryOffered = on;
    if (!label.isEmpty())
        unit.recoveryLabel = label;
    emit dataChanged(index(r, RecoveryColumn), index(r, RecoveryColumn), {RecoveryLabelRole, RecoveryOfferedRole});
}

void StationModel::show(const ProbedDevice &device, const QString *adapterSerial)
{
    int r = row(device.portName);
    if (r < 0) {
        r = rowCount();
        beginInsertRows(QModelIndex(), r, r);
        units.push_back(std::make_unique<Unit>());
        endInsertRows();
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
    showIdentity(r);

    setText(r, PortColumn, device.portName);
    setText(r, KindColumn, device.unavailable ? QStringLiteral("-") : kindName(device.kind));
    setText(r, TypeColumn, device.typeCode.isEmpty() ? QStringLiteral("-") : device.typeCode);
    setText(r, InstalledColumn, device.versionKnown() ? device.versionText() : QStringLiteral("-"));
    FirmwareImage image;
    Phrase ignored;
    const bool known = device.versionKnown() && FirmwareChoice::imageFor(device.typeCode, device.kind, {}, &image,
                                                                         &ignored);
    setText(r, TargetColumn, known ? image.versionText() : QStringLiteral("-"));
    setText(r, StepColumn, QString());
    setProgress(r, 0);

    QString state;
    if (device.unavailable)
        state = UnitChoice::unavailableReason(device).shown;
    else if (device.inBootloader)
        state = windowText(QT_TRANSLATE_NOOP("StationWindow", "found in its ROM bootloader, where it cannot tell its "
                                                              "type: choose it and update"));
    else if (!device.isGripper())
        state = windowText(QT_TRANSLATE_NOOP("StationWindow", "no gripper answered: a unit without working firmware "
                                                              "is recovered with a power cycle"));
    setText(r, ResultColumn, state);
    offerRecovery(r, needsRecovery(device),
                  device.inBootloader ? windowText(QT_TRANSLATE_NOOP("StationWindow", "Update as"))
                                      : windowText(QT_TRANSLATE_NOOP("StationWindow", "Power cycle")));
}

void StationModel::showIdentity(int r)
{
    const Unit &unit = *units[size_t(r)];
    setText(r, UnitColumn, QStringLiteral("%1 / %2").arg(unit.unitId.isEmpty() ? QStringLiteral("-") : unit.unitId,
                                                         unit.adapterSerial.isEmpty() ? QStringLiteral("-")
                                                                                      : unit.adapterSerial));
}

void StationModel::markGone(const QString &port, const QString &why)
{
    const int r = row(port);
    if (r < 0 || isRunning(port))
        return;
    setText(r, StepColumn, why);
    offerRecovery(r, false);
}

void StationModel::start(UnitJob *job)
{
    const QString port = job->port();
    Unit *unit = unitAt(port);
    if (!unit)
        return;
    unit->job = job;
    unit->shownPhase = job->phase();
    connect(job, &UnitJob::changed, this, [this, port] { onJobChanged(port); });
    const int r = row(port);
    setText(r, TargetColumn, job->targetVersion());
    setText(r, ResultColumn, job->waitsForPowerCycle()
                                 ? windowText(QT_TRANSLATE_NOOP("StationWindow", "switch the unit off, then on again; "
                                                                                 "the update starts when it answers"))
                                 : QString());
    onJobChanged(port);
}

void StationModel::onJobChanged(const QString &port)
{
    Unit *unit = unitAt(port);
    if (!unit || !unit->job || !unit->job->isRunning())
        return;
    const int r = row(port);
    const GripperUpdate::Phase phase = unit->job->phase();
    // On the power-cycle path the engine repeats its reboot request every
    // few tens of milliseconds until the unit answers: the row keeps the
    // instruction to the user instead of flickering between the two.
    if (!(unit->shownPhase == GripperUpdate::AwaitingPowerCycle && phase == GripperUpdate::Rebooting)) {
        unit->shownPhase = phase;
        setText(r, StepColumn, UnitEnd::phaseText(phase).shown);
    }
    setProgress(r, unit->job->progress());
}

void StationModel::end(const UnitResult &result, bool ran)
{
    Unit *unit = unitAt(result.port);
    if (!unit)
        return;
    const int r = row(result.port);
    setText(r, ResultColumn, result.sentence());
    if (!result.unitId.isEmpty())
        unit->unitId = result.unitId;
    if (!result.adapterSerial.isEmpty())
        unit->adapterSerial = result.adapterSerial;
    showIdentity(r);
    unit->details = QString::fromUtf8(result.toJsonLine()).trimmed();
    if (!SessionLog::path().isEmpty())
        unit->details += QLatin1Char('\n') + windowText(QT_TRANSLATE_NOOP("StationWindow", "Log: %1")).arg(SessionLog::path());
    // The step a unit was at is history once it has ended.
    setText(r, StepColumn, QString());
    if (result.result == UnitResult::Updated) {
        setProgress(r, 100);
        offerRecovery(r, false);
        setText(r, InstalledColumn, result.versionAfter);
    } else if (ran && (result.leftInBootloader || result.result == UnitResult::Failed)) {
        // A unit left in its ROM can no longer tell its type.
        offerRecovery(r, true, windowText(QT_TRANSLATE_NOOP("StationWindow", "Update as")));
    }
}
