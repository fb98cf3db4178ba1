#ifndef KORVANE_APP_WIZARDLOG_H
#define KORVANE_APP_WIZARDLOG_H

#include <QLoggingCategory>

// The wizard's pages and its run, beside the layers' own categories
// (korvanelog.h): a program without the wizard declares none of it.
Q_DECLARE_LOGGING_CATEGORY(lcWizard)

#endif
