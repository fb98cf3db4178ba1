#ifndef KORVANE_FLASH_FLASHTOOL_H
#define KORVANE_FLASH_FLASHTOOL_H

#include "batch.h"
#include "console.h"
#include "options.h"

#include <QList>
#include <QObject>

struct QextPortInfo;

// The commands, a console tracker of a batch. list and plan run to their end
// at once; update and watch run in the event loop and end it with their exit
// status.
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
    // What each unit would get, from the choice the update makes; exit
    // status 2 with `error` set when a port named is not a port.
    int plan(QString *error);
    // False, with `error` set, when a port named is not a port.
    bool startUpdate(QString *error);
    void startWatch();

    // Ctrl-C: the first lets the units under way finish and starts no new
    // ones, the second gives them up.
    void interrupt();
    // The console is closing and the process ends in seconds: every unit
    // under way is given up now, its line written, and those left in their
    // bootloader named.
    void closeNow();

signals:
    void finished(int exitCode);

private:
    // The ports named, each once, then every one with --all; false, with
    // `error` set, when a name is not a port.
    bool choosePorts(UnitChoice::PortChoice *choice, QString *error) const;
    void onEnded(const UnitResult &result, UnitJob *job);
    void onArrived(const QString &port, const QList<ProbedDevice> &found);
    void finishIfIdle();

    // `watch` ends on an interrupt only, not when the batch is idle.
    bool watching = false;
    // The first Ctrl-C lets running units finish; the second stops them.
    int interrupts = 0;
    // A unit not confirmed updated makes the exit status 1.
    bool anyUnconfirmed = false;
    // finished() is emitted once, whatever ends last.
    bool ended = false;
    Options options;
    Console console;
    UnitRules rules;
    Batch batch;
};

#endif
