#ifndef KORVANE_STATION_REPORTFIELD_H
#define KORVANE_STATION_REPORTFIELD_H

#include <QWidget>

class QLineEdit;
class ReportFile;

// Where the station's records go: unless another file is named, to the
// history every front end of this user keeps.
class ReportField : public QWidget
{
    Q_OBJECT

public:
    explicit ReportField(QWidget *parent = nullptr);

    QString path() const;
    // Opens the file named for the batch's report; false, with why, when it
    // cannot be.
    bool open(ReportFile &report, QString *error) const;

private:
    QLineEdit *edit;
};

#endif
