#ifndef FREESCALEPARSE_H
#define FREESCALEPARSE_H

#include <QByteArray>
#include <QtGlobal>

// What everything the Freescale bootloader has printed since the image went
// out says, given where the transfer stands (0 waiting for the bootloader, 1
// ready with the image chosen, 2 progress dots coming).
struct FreescaleReading
{
    enum Outcome {
        Nothing,       // no dot, no report: keep listening
        Downloading,   // dots seen: the transfer runs (stage becomes 2)
        Loaded,        // load report after the dots: the image is in
        StartFailure,  // "Loaded" with no dot before it: the load never began
    };
    Outcome outcome = Nothing;
    // Progress bar value for every outcome but Loaded, which fills the bar.
    int progress = 0;
};

// True when what the bootloader printed holds one of the ready markers this
// build knows.
bool holdsReadyMarker(const QByteArray &received);

// `received` is the whole receive buffer, `imageSize` the image's size in
// bytes (one dot per thousand). Safe with any bytes.
FreescaleReading readFreescaleReceived(const QByteArray &received, int stage, qint64 imageSize);

#endif
