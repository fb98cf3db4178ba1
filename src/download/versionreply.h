#ifndef VERSIONREPLY_H
#define VERSIONREPLY_H

#include "phrase.h"

#include <QByteArray>
#include <QString>

struct FirmwareImage;

// What the verification page makes of the bytes read after a version request.
struct VersionVerdict
{
    enum Dialog { NoDialog, CannotRead, WrongVersion };

    // False: not a version reply (too short, or not slave 9 / function 3);
    // the page keeps asking and nothing else here is meaningful.
    bool judged = false;
    // Which critical dialog to show before the label changes.
    Dialog dialog = NoDialog;
    // What follows "The current version of the firmware is " in the label.
    Phrase versionText;
    // The version as the records keep it, and as the other front ends read
    // it: the type code up to its first NUL ("CH-1.6.9"); empty when that
    // leaves none.
    QString reported;
};

// Judges one read against the main image the run wrote (see
// FirmwareChoice::runsImage). Without one (a run that wrote only the
// bootloader) the version triple this build carries decides. Safe with any
// bytes; nothing beyond reply.size() is read.
VersionVerdict judgeVersionReply(const QByteArray &reply, const FirmwareImage *written = nullptr);

#endif
