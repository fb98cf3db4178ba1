#ifndef KORVANE_STATION_STATIONWINDOW_H
#define KORVANE_STATION_STATIONWINDOW_H

#include "batch.h"
#include "stationmodel.h"

#include <QList>
#include <QMainWindow>
#include <QStringList>

class QCheckBox;
class QLabel;
class ReportField;
class QPushButton;
class StationTable;

// Every gripper on the bench in one table, a view of a batch: each unit is
// updated by an engine of its own on a thread of its own.
class StationWindow : public QMainWindow
{
    Q_OBJECT

public:
    using Column = StationModel::Column;

    explicit StationWindow(QWidget *parent = nullptr);
    ~StationWindow() override;

    // Probes every port and fills the table, in the background.
    void scan();
    void updateAll();
    void stop();
    // Updates the unit of `port` the way its recovery controls say.
    void recover(const QString &port);

    int row(const QString &port) const;
    QString cell(const QString &port, Column column) const;
    bool isBusy() const;
    // Units that must not lose their program now: from their confirmed
    // reboot request to the start of the new firmware.
    QStringList unitsInBootloader() const;

signals:
    void scanned();
    void unitEnded(const QString &port);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void probe(bool thenUpdate);
    void onScanned(const PortScan &scan);
    void onStopped(const QStringList &left);
    void onIdle();
    void onEnded(const UnitResult &result, UnitJob *job);
    void onArrived(const QString &port, const QList<ProbedDevice> &found);
    void openReport();
    void take(const ProbedDevice &device, const UnitRules &rules);
    void setAutomatic(bool on);
    void refreshButtons();
    UnitRules rulesFromWindow() const;

    StationModel *model = nullptr;
    StationTable *table = nullptr;
    QPushButton *scanButton = nullptr;
    QPushButton *updateButton = nullptr;
    QPushButton *stopButton = nullptr;
    QCheckBox *forceBox = nullptr;
    QCheckBox *automaticBox = nullptr;
    ReportField *report = nullptr;
    QLabel *countersLabel = nullptr;
    QLabel *messageLabel = nullptr;

    Batch *batch = nullptr;
    // The scan under way was asked for by "Update all", which Stop cancels.
    bool updateAfterScan = false;
    // A close waits for the units in their ROM.
    bool closeAsked = false;
};

#endif
