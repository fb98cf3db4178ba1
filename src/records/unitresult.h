#ifndef KORVANE_RECORDS_UNITRESULT_H
#define KORVANE_RECORDS_UNITRESULT_H

#include "phrase.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QMetaType>
#include <QPair>
#include <QString>
#include <QVector>

// How one unit's update ended, as every front end records it (the format is
// in docs/records.md; a change to a field's meaning is a new kRecordVersion).
// Only Updated and UpToDate leave a gripper confirmed on the new version, and
// Updated only once the new firmware has reported that version.
struct UnitResult
{
    enum Result { Updated, UpToDate, Refused, Failed, GivenUp };
    static constexpr int kRecordVersion = 1;

    QDateTime time;
    QString port;
    // The adapter: a path to it that outlives re-plugging, and its USB
    // serial number; empty where the system does not know them.
    QString portPath;
    QString adapterSerial;
    // The part's unique ID (24 hex digits) and product ID ("0x413") from its
    // ROM; "unknown" where the ROM refused, empty where it was not asked.
    QString unitId;
    QString productId;
    QString kind;
    QString typeCode;
    QString versionBefore;
    QString versionAfter;
    // The image written: its file name, size and SHA-256 (hex).
    QString imageName;
    qint64 imageSize = 0;
    QString imageSha256;
    Result result = Failed;
    // Why it did not end updated: English in the record, translated in
    // sentence().
    Phrase error;
    // Ended (given up or failed) while the gripper ran nothing but its
    // bootloader: it waits there to be written again.
    bool leftInBootloader = false;
    // Seconds spent in each phase, in the order they came.
    QVector<QPair<QString, double>> phases;

    bool confirmed() const { return result == Updated || result == UpToDate; }
    double seconds() const;
    // The report's word for a result; translated, the word a person reads.
    static QString resultName(Result result);
    static QString resultShown(const QString &name);
    // One JSON object on one line, with the host and the program (its name
    // and version as the application states them).
    QByteArray toJsonLine() const;
    // Names the image by its file name and contents.
    void setImage(const QString &fileName, const QByteArray &content);
    // What became of the unit, without its port: "updated GC3-1.6.8 ->
    // GC3-1.6.9 (37.0 s)".
    QString sentence() const;
};
Q_DECLARE_METATYPE(UnitResult)

// The phase a unit is in and since when: entering the next (empty: none, at
// the end) adds the one under way to the result's phases.
class PhaseClock
{
public:
    QString current() const { return name; }
    // False when `next` is the phase under way already.
    bool enter(const QString &next, UnitResult *result);

private:
    QString name;
    QElapsedTimer clock;
};

#endif
