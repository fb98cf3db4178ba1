#ifndef KORVANE_LOG_H
#define KORVANE_LOG_H

#include <QLoggingCategory>

// One category per layer, so each program chooses what it shows and keeps
// (QT_LOGGING_RULES, QLoggingCategory::setFilterRules): the ports, what is
// attached to them, the ROM bootloader's line, the update, the batch (the
// wizard keeps its own, in wizardlog.h).
Q_DECLARE_LOGGING_CATEGORY(lcSerial)
Q_DECLARE_LOGGING_CATEGORY(lcDevice)
Q_DECLARE_LOGGING_CATEGORY(lcStbl)
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)
Q_DECLARE_LOGGING_CATEGORY(lcBatch)

#endif
