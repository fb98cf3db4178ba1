#ifndef KORVANE_FLASH_FLASHTOOL_H
#define KORVANE_FLASH_FLASHTOOL_H

#include "console.h"
#include "firmwarechoice.h"
#include "options.h"
#include "portprobe.h"
#include "unitchoice.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QThreadPool>

class QextSerialEnumerator;
class UnitJob;
struct UnitResult;

// The three commands. list runs to its end at once; update and watch run in
// the event loop and end it with their exit status.
class FlashTool : public QObject
{
    Q_OBJECT

public:
    explicit FlashTool(Options options, QObject *parent = nullptr);
    ~FlashTool() override;

    // Loads the images and opens the report: false, with `error` set, when
    // the command line asks for something that cannot be had.
    bool prepare(QString *error);

    int list();
    // False, with `error` set, when a port named is not a port.
    bool startUpdate(QString *error);
    void startWatch();

    // Ctrl-C: the first lets the units under way finish and starts no new
    // ones, the second gives them up.
    void interrupt();

signals:
    void finished(int exitCode);

private:
    // Either a job for the unit, or the result it ends with untouched.
    void take(const ProbedDevice &device);
    // Reports and prints how a unit ended.
    void end(const UnitResult &result, UnitJob *job = nullptr);
    void onJobDone(UnitJob *job);
    void onPortArrived(const QextPortInfo &info);
    void finishIfIdle();
    // The run at a glance: "3 updated, 1 up to date, 1 failed".
    QString summary() const;

    Options options;
    Console console;
    UnitRules rules;
    QFile report;
    QList<UnitJob *> jobs;
    bool watching = false;
    int interrupts = 0;
    bool anyUnconfirmed = false;
    bool ended = false;
    QHash<int, int> counts;
    int reportLinesLost = 0;
    int unitsTaken = 0;
    QThreadPool probePool;
    QSet<QString> probing;
    QextSerialEnumerator *enumerator = nullptr;
};

#endif
