#ifndef REPLYWAIT_H
#define REPLYWAIT_H

class QIODevice;

// Every wait of the wizard is a local event loop, so the window keeps
// painting and other slots run meanwhile.

// Returns at the port's first readyRead() or after timeoutMs, whichever comes
// first. Data already waiting does not end the wait early: the caller reads
// whatever has arrived when it returns.
void waitForReply(QIODevice *port, int timeoutMs);

// A plain pause of ms milliseconds.
void waitMs(int ms);

#endif
