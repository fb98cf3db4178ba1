#ifndef KORVANE_BATCH_UNITCHOICE_H
#define KORVANE_BATCH_UNITCHOICE_H

#include "firmwarechoice.h"
#include "phrase.h"
#include "portprobe.h"
#include "unitend.h"
#include "unitresult.h"

#include <QList>
#include <QString>

#include <functional>

class QObject;
class QThreadPool;

// What decides whether a unit found on a port is updated, and with what.
// korvane-flash fills it from its command line, the station from its window.
struct UnitRules
{
    // Images given by the user, one per type code; the carried ones fill in.
    QList<FirmwareImage> images;
    // What a unit that cannot tell its type is taken for.
    QString typeCode;
    bool force = false;
    // The power-cycle path: the reboot request is repeated without limit.
    bool manualReboot = false;
    // How the user gets past a refusal, in the words of the program that
    // refused (its options, its controls): shown after the reason, never
    // kept in the record, which is the same whichever program wrote it.
    // Empty: nothing is added.
    Phrase forceHint;  // a newer version runs
    Phrase typeHint;   // the unit cannot tell its type
    Phrase manualRebootHint;  // no gripper answered
    Phrase imageHint;  // no image for its type code (%1)
};

namespace UnitChoice {

// Without the power-cycle path a gripper that does not answer the reboot
// request is tried this often, then given up.
const int kEntryAttempts = 3;
// A gripper just plugged in starts its product bootloader first and listens
// for an update there; it is probed once its firmware runs.
const int kArrivalSettleMs = 1000;

QString portPath(const QextPortInfo &port);
// Probes a port that has just arrived, once its gripper has settled, on
// `pool`; `done` gets what the port holds, on `context`'s thread.
void probeArrival(QThreadPool *pool, QObject *context, const QextPortInfo &info,
                  const std::function<void(const QList<ProbedDevice> &)> &done);
// The unit the wizard would offer for a port: the GB1 behind a K01.
const ProbedDevice *announcedUnit(const QList<ProbedDevice> &devices);
// "no-access", "in-use", "gone" or "error": why a port could not be looked into.
QString unavailableTag(const ProbedDevice &device);
Phrase unavailableReason(const ProbedDevice &device);

// Whether a port found by `--all` (or arriving) is taken: a gripper, or a
// port that could not be looked into, which is named with why; a port where
// no gripper answers is passed over.
bool takenByAll(const ProbedDevice *unit);
// The unit announced on `port` among all that answered; nullptr when none.
const ProbedDevice *unitOn(const QextPortInfo &port, const QList<ProbedDevice> &found);

// The ports a batch is given: those named, each once however it is named,
// then with `all` every port where a gripper may be. `badName` is the first
// name that is not such a port, and `problem` why; the front end words it.
struct PortChoice
{
    enum Problem { None, NotAPort, MachinePort };
    QList<QextPortInfo> ports;
    // Each as it was named (with `all`, as found), for the lines about it.
    QStringList names;
    QString badName;
    Problem problem = None;
};
PortChoice choosePorts(const QList<QextPortInfo> &present, const QStringList &named, bool all);
// The unit on each port chosen, in their order, as a plan and its run both
// take them: with `all`, only those takenByAll(); a port named is taken with
// whatever answers there, and one where nothing is found is said to be gone.
struct Taken
{
    // Index into the ports given.
    int port = 0;
    ProbedDevice unit;
};
QList<Taken> unitsTaken(const QList<QextPortInfo> &ports, const QList<ProbedDevice> &found, bool all);

// What a found unit gets. Newer: it runs a newer version than its image,
// and is refused without `force`; Untouched: anything else that leaves it as
// it is (the port cannot be opened, no image, no type, nothing answers).
enum Decision { Update, UpToDate, Newer, Untouched };

// With `plan` and `image` filled when the unit is to be updated; otherwise
// `result` says how it ends untouched (refused, up to date).
Decision decide(const ProbedDevice &device, const UnitRules &rules, UnitResult *result, UpdatePlan *plan,
                FirmwareImage *image);
inline bool choose(const ProbedDevice &device, const UnitRules &rules, UnitResult *result, UpdatePlan *plan,
                   FirmwareImage *image)
{
    return decide(device, rules, result, plan, image) == Update;
}

// What a run would do to a unit, said before a byte is written: the same
// decision the run takes.
struct Forecast
{
    Decision decision = Untouched;
    // The image it would get; empty when none.
    QString imageName;
    // "1.6.9": what it runs afterwards when all goes well; empty when not told.
    QString versionAfter;
    // Why it is left as it is; empty when updated or up to date.
    Phrase reason;
};
Forecast forecast(const ProbedDevice &device, const UnitRules &rules);

} // namespace UnitChoice

#endif
