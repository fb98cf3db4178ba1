#ifndef KORVANE_STATION_STATIONWINDOW_H
#define KORVANE_STATION_STATIONWINDOW_H

#include "batch.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QextSerialEnumerator;

// Every gripper on the bench in one table, a view of a batch: each unit is
// updated by an engine of its own on a thread of its own.
class StationWindow : public QMainWindow
{
    Q_OBJECT

public:
    enum Column { PortColumn, UnitColumn, KindColumn, TypeColumn, InstalledColumn, TargetColumn, ProgressColumn, StepColumn,
                  ResultColumn, RecoveryColumn, ColumnCount };

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
    struct Unit
    {
        ProbedDevice device;
        UnitJob *job = nullptr;
        QProgressBar *bar = nullptr;
        QComboBox *typeBox = nullptr;
        QPushButton *recoverButton = nullptr;
        QWidget *recovery = nullptr;
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

    void probe(bool thenUpdate);
    void onScanned(const PortScan &scan);
    void onStopped(const QStringList &left);
    void onIdle();
    void openReport();
    // adapterSerial: the adapter's USB serial number when the caller has
    // looked it up already (null: looked up here).
    void showUnit(const ProbedDevice &device, const QString *adapterSerial = nullptr);
    Unit *unitAt(const QString &port) const;
    // A unit without working firmware cannot tell its type: it is updated
    // only through its recovery controls.
    static bool needsRecovery(const ProbedDevice &device);
    void offerRecovery(Unit &unit, bool on);
    void take(Unit &unit, const UnitRules &rules);
    void onStarted(UnitJob *job);
    void onEnded(const UnitResult &result, UnitJob *job);
    void onJobChanged(const QString &port);
    void onArrived(const QString &port, const QList<ProbedDevice> &found);
    void setAutomatic(bool on);
    void setItem(int row, Column column, const QString &text);
    void showIdentity(int row, const Unit &unit);
    void refreshCounters();
    void refreshButtons();
    UnitRules rulesFromWindow() const;
    QString reportPath() const;

    QTableWidget *table = nullptr;
    QPushButton *scanButton = nullptr;
    QPushButton *updateButton = nullptr;
    QPushButton *stopButton = nullptr;
    QCheckBox *forceBox = nullptr;
    QCheckBox *automaticBox = nullptr;
    QLineEdit *reportEdit = nullptr;
    QLabel *countersLabel = nullptr;
    QLabel *messageLabel = nullptr;

    std::vector<std::unique_ptr<Unit>> units;
    Batch *batch = nullptr;
    // The scan under way was asked for by "Update all", which Stop cancels.
    bool updateAfterScan = false;
    // A close waits for the units in their ROM.
    bool closeAsked = false;
    QextSerialEnumerator *enumerator = nullptr;
};

#endif
