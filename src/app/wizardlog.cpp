#include "wizardlog.h"

Q_LOGGING_CATEGORY(lcWizard, "korvane.wizard")
