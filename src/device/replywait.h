#ifndef REPLYWAIT_H
#define REPLYWAIT_H

#include <QByteArray>
#include <QtGlobal>

class QIODevice;
class QextSerialPort;


// Every wait of the wizard is a local event loop, so the window keeps
// painting and other slots run meanwhile.

// Returns at the port's first readyRead() or after timeoutMs, whichever comes
// first. Data already waiting does not end the wait early: the caller reads
// whatever has arrived when it returns.
void waitForReply(QIODevice *port, int timeoutMs);

// The same, for a reply of known length: the wait goes on past the first
// arrival until expectedBytes are there or the time is up. A USB adapter may
// hand over even an eleven-byte reply in two pieces, and judging the first
// piece alone would fail a gripper that answered in time.
void waitForReply(QIODevice *port, int timeoutMs, qint64 expectedBytes);

// The same without an event loop, for a worker thread: reads until `size`
// bytes are there or `ms` have passed (or the port closed under it).
QByteArray readReply(QextSerialPort &port, int size, int ms);

// A plain pause of ms milliseconds.
void waitMs(int ms);

#endif
