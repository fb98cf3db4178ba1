#ifndef KORVANE_UPDATE_ENGINELINE_H
#define KORVANE_UPDATE_ENGINELINE_H

#include "gripperupdate.h"
#include "qextserialport.h"

#include <atomic>
#include <memory>

// What the engine's steps share: the line to the running firmware (or to the
// GS bootloader) and the waits that end when the update is given up.

// Between two tries at a port that is not back yet.
constexpr int kReopenPauseMs = 100;

// Null when the port cannot be opened (gone, busy).
std::unique_ptr<QextSerialPort> openFirmwareLine(const UpdateTarget &target, BaudRateType baud,
                                                 FlowType flow = FLOW_OFF);

// False when `stop` was set before `ms` had passed.
bool pauseUnless(int ms, const std::atomic<bool> &stop);

#endif
