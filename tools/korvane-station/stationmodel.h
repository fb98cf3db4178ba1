#ifndef KORVANE_STATION_STATIONMODEL_H
#define KORVANE_STATION_STATIONMODEL_H

#include "gripperupdate.h"
#include "portprobe.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <memory>
#include <vector>

class UnitJob;
struct UnitResult;

// The station's rows: a unit per port, what it is, what its update is doing
// and how it ended, worded as the window shows them. A row stays once seen.
class StationModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { PortColumn, UnitColumn, KindColumn, TypeColumn, InstalledColumn, TargetColumn, ProgressColumn, StepColumn,
                  ResultColumn, RecoveryColumn, ColumnCount };
    // Under RecoveryColumn: the label of the row's recovery button, and
    // whether its controls are offered. The cell itself shows no text.
    enum Role { RecoveryLabelRole = Qt::UserRole, RecoveryOfferedRole };

    explicit StationModel(QObject *parent = nullptr);
    ~StationModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    int row(const QString &port) const;
    // What a cell says; the progress as a number.
    QString text(int row, Column column) const;
    // How the row's last update ended, for support; empty before.
    QString details(int row) const;
    const ProbedDevice *device(const QString &port) const;
    // Its unit's update is under way.
    bool isRunning(const QString &port) const;

    // A unit found on a port, in a row of its own, added if new. adapterSerial:
    // the adapter's USB serial number when the caller has looked it up already
    // (null: looked up here).
    void show(const ProbedDevice &device, const QString *adapterSerial = nullptr);
    // A unit not under way that is no longer there: its row keeps what it
    // said, with why in its Step cell, and offers nothing.
    void markGone(const QString &port, const QString &why);
    void start(UnitJob *job);
    // `ran`: the unit was updated by a job of its own (not left untouched).
    void end(const UnitResult &result, bool ran);

private:
    struct Unit;

    Unit *unitAt(const QString &port) const;
    void setText(int row, Column column, const QString &text);
    void setProgress(int row, int value);
    void offerRecovery(int row, bool on, const QString &label = QString());
    void showIdentity(int row);
    void onJobChanged(const QString &port);

    std::vector<std::unique_ptr<Unit>> units;
};

#endif
