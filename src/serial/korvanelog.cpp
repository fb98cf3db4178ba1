#include "korvanelog.h"

Q_LOGGING_CATEGORY(lcSerial, "korvane.serial")
Q_LOGGING_CATEGORY(lcDevice, "korvane.device")
Q_LOGGING_CATEGORY(lcStbl, "korvane.stbl")
Q_LOGGING_CATEGORY(lcUpdate, "korvane.update")
Q_LOGGING_CATEGORY(lcBatch, "korvane.batch")
