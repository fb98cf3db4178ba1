#ifndef KORVANE_STATION_STATIONTABLE_H
#define KORVANE_STATION_STATIONTABLE_H

#include <QTableView>

class StationModel;

// The station's rows as the technician reads them: columns that keep their
// place, a row grown for what it ended with, each row's recovery controls,
// and the details of how a unit ended on its context menu.
class StationTable : public QTableView
{
    Q_OBJECT

public:
    StationTable(StationModel *model, QWidget *parent = nullptr);

    // The type a row's unit is to be taken for by its recovery; empty when
    // none can be chosen.
    QString recoveryType(int row) const;
    void enableRecovery(int row, bool on);

signals:
    void recoverAsked(const QString &port);

private:
    void addRecoveryCell(int row);
    void onCellChanged(const QModelIndex &cell);
    void showContextMenu(const QPoint &at);

    StationModel *stationModel;
};

#endif
