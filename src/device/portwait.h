#ifndef PORTWAIT_H
#define PORTWAIT_H

#include "qextserialport.h"

#include <QIODevice>
#include <QString>

// How long the pages give the shared port to open or close. A USB adapter
// that re-enumerates after a gripper reset is back within a second or two;
// past this the port is taken as gone rather than waited for forever.
constexpr int kPortWaitMs = 3000;

// Opens the port, trying again every 100 ms while it refuses (busy, or not
// back yet), for at most timeoutMs. True once it is open.
bool openAndWait(QextSerialPort *port, int timeoutMs, QIODevice::OpenMode mode = QIODevice::ReadWrite);

// True once the port no longer reports open, waiting at most timeoutMs.
bool waitUntilClosed(QextSerialPort *port, int timeoutMs);

// Closes the port and waits until it is, sets it up for the device at
// `portName` (event-driven, 8 data bits, no parity, 1 stop bit, the given
// baud rate and flow control) and opens it read-write as openAndWait does.
// True once it is open on the new settings.
bool reopenPort(QextSerialPort *port, const QString &portName, BaudRateType baud, FlowType flow);

#endif
