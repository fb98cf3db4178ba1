#ifndef KORVANE_BATCH_UNITRESULT_H
#define KORVANE_BATCH_UNITRESULT_H

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QPair>
#include <QString>
#include <QVector>

// How one unit of a batch ended. Only Updated and UpToDate leave a gripper
// confirmed on the new version, and Updated only once the new firmware has
// reported that version.
struct UnitResult
{
    enum Result { Updated, UpToDate, Refused, Failed, GivenUp };

    QDateTime time;
    QString port;
    QString kind;
    QString typeCode;
    QString versionBefore;
    QString versionAfter;
    Result result = Failed;
    QString error;
    // Given up while the gripper ran nothing but its ROM: it waits there to
    // be written again.
    bool leftInBootloader = false;
    // Seconds spent in each phase, in the order they came.
    QVector<QPair<QString, double>> phases;

    bool confirmed() const { return result == Updated || result == UpToDate; }
    double seconds() const;
    // The report's word for a result.
    static QString resultName(Result result);
    // One JSON object on one line.
    QByteArray toJsonLine() const;
    // What became of the unit, without its port: "updated GC3-1.6.8 ->
    // GC3-1.6.9 (37.0 s)".
    QString sentence() const;
};
Q_DECLARE_METATYPE(UnitResult)

#endif
