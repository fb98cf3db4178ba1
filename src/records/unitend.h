#ifndef KORVANE_RECORDS_UNITEND_H
#define KORVANE_RECORDS_UNITEND_H

#include "firmwarechoice.h"
#include "gripperupdate.h"
#include "phrase.h"
#include "portprobe.h"
#include "unitresult.h"

#include <QString>

#include <atomic>

// The end of one unit's update, the same whichever front end ran it: the part
// of the update each of the engine's phases belongs to and its words, the
// verdict made of the engine's outcome and what the unit did, and the record
// filled from it. A record written by any front end for the same unit and
// outcome is the same record; each front end only words it.
//
// Lives on the front end's thread; what the engine tells on its own thread
// (its ROM reached, its new firmware started) is kept the moment it happens.
class UnitEnd
{
public:
    // The part of the update a phase belongs to, as a person reads it:
    // "reboot", "erase", "write" or "verify" (translated in context UnitEnd).
    static QString stepOf(GripperUpdate::Phase phase);
    // The words for a phase: English in the record, translated on screen.
    static Phrase phaseText(GripperUpdate::Phase phase);

    // What became of a unit.
    struct Verdict
    {
        GripperUpdate::Outcome outcome = GripperUpdate::Cancelled;
        // What the new firmware reported; empty when it said nothing.
        QString versionRead;
        // The image written; a version read back must be its own, unless
        // `imageKnown` is false (a bootloader written alone).
        FirmwareImage image;
        bool imageKnown = false;
        // The new firmware was started (GS: loaded).
        bool started = false;
        // The unit runs nothing but its bootloader (ROM, or the GS's).
        bool inRom = false;
        // The unit stopped answering while its flash was written or read.
        bool lineLost = false;
        bool freescale = false;
        // The last phase reported, named in a failure; -1 for none.
        int lastPhase = -1;
    };
    // A unit left untouched, before any byte was sent: what it said of
    // itself, and why (a refusal, empty when it is up to date).
    static UnitResult untouched(const QString &port, DeviceKind kind, const QString &typeCode,
                                const QString &versionBefore, const Phrase &why);
    // Why a unit running a newer version than the image is not updated.
    static Phrase newerText(const QString &imageVersion);

    // The result, the version after, the error and whether the unit is left
    // in its bootloader: a unit that ends in its ROM, whatever ended it.
    static void judge(const Verdict &verdict, UnitResult *result);

    // A fresh record for the unit as found (its port, kind, type code and
    // version before) and the image it is to get; the clock at "reboot".
    // `bootloaderFirst`: a bootloader image is written before the main one,
    // whose erase and write are timed apart from the main image's.
    void begin(const UnitResult &found, const FirmwareImage &image, bool imageKnown, bool bootloaderFirst = false);
    // Follows this engine from now on (a caller may make one per attempt):
    // call on the front end's thread before it runs.
    void watch(GripperUpdate *engine);
    // A phase reported, on the front end's thread: true when it starts
    // another part of the update.
    bool enter(GripperUpdate::Phase phase);
    // For a caller that starts the new firmware and reads its version apart.
    void setStarted() { firmwareStarted = true; }

    GripperUpdate::Phase phase() const { return current; }
    QString step() const { return stepOf(current); }
    // From the confirmed reboot request (or a unit found in its ROM) until
    // the new firmware starts, the gripper runs nothing but its bootloader.
    bool inRom() const { return romReached && !firmwareStarted; }
    bool started() const { return firmwareStarted; }

    // Ends the record from the engine's outcome and what the engine read;
    // the unit's time and the time of its last part are taken now.
    const UnitResult &conclude(GripperUpdate::Outcome outcome, const GripperUpdate &engine,
                               const QString &versionRead);
    // A unit refused before a byte was sent.
    const UnitResult &refuse(const Phrase &why);
    const UnitResult &result() const { return unit; }
    // Where the unit was reached: adapter, and the ROM's IDs.
    UnitResult &record() { return unit; }

private:
    void stop();

    UnitResult unit;
    PhaseClock clock;
    FirmwareImage image;
    bool imageKnown = false;
    bool bootloaderPending = false;
    GripperUpdate::Phase current = GripperUpdate::Rebooting;
    int lastPhase = -1;
    std::atomic<GripperUpdate *> watched{nullptr};
    std::atomic<bool> romReached{false};
    std::atomic<bool> firmwareStarted{false};
};

#endif
