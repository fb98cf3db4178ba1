#ifndef FREESCALEPARSE_H
#define FREESCALEPARSE_H

#include "phrase.h"

#include <QByteArray>
#include <QList>
#include <QString>
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

// The markers among `candidates` that say anything: an empty one is found in
// any text, the echo of the reboot request included, so it is no marker.
QList<QByteArray> usableMarkers(const QList<QByteArray> &candidates);
// This build's ready markers, the empty ones left out.
QList<QByteArray> readyMarkers();

// True when what the bootloader printed holds one of the markers.
bool holdsReadyMarker(const QByteArray &received, const QList<QByteArray> &markers = readyMarkers());

// Why the GS path must not be taken with these markers, empty when it may:
// with none, nothing tells the bootloader's greeting from the firmware's own
// output, and the image would go to a gripper still running its firmware.
Phrase missingMarkerRefusal(const QList<QByteArray> &markers = readyMarkers());

// `received` is the whole receive buffer, `imageSize` the image's size in
// bytes (one dot per thousand). Safe with any bytes.
FreescaleReading readFreescaleReceived(const QByteArray &received, int stage, qint64 imageSize);

#endif
