#include "closeguard.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QWizard>

void CloseGuard::watch(QWizard *watched, QLabel *label)
{
    wizard = watched;
    notice = label;
    wizard->installEventFilter(this);
}

void CloseGuard::hold(bool on)
{
    holding = on;
    if (on && wizard)
        wizard->button(QWizard::CancelButton)->setEnabled(false);
}

bool CloseGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (holding && watched == wizard) {
        // QDialog rejects on Escape and on its window's close even while
        // Cancel is disabled.
        const bool escape = event->type() == QEvent::KeyPress
                            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape;
        if (escape || event->type() == QEvent::Close) {
            event->ignore();
            notice->setText(QCoreApplication::translate("PageDownloadFirmware",
                                                        "Please wait: the window closes once the new firmware is "
                                                        "written and started."));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
