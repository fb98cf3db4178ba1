// Ends of a run that cannot go on: tell the user, then close the wizard.
// Nothing is retried here; the user starts again, with "Manual reboot" when
// the gripper no longer runs its firmware.

#include "pagedownloadfirmware.h"

#include "STBLLIB.h"
#include "carriedfirmware.h"

#include <QAbstractButton>
#include <QDebug>
#include <QMessageBox>
#include <QTimer>
#include <QWizard>

void PageDownloadFirmware::manageError()
{
    qDebug() << "Entered state manageError";
    complete = true;
    setCommitPage(false);
    setBackEnabled(true);
    // Stopped before the dialog: what the workers still send while it is
    // open no longer moves anything.
    abandonRun();
    // The gripper stays where the run left it, but the link is ours: a run
    // started later opens it afresh.
    if (COM_is_Open() == 1)
        COM_Close();
    showErrorDialog(QStringLiteral("The communication could not be established or was lost."));
    wizard()->close();
}

void PageDownloadFirmware::popupErreurComm()
{
    if (complete)
        return;
    errorTimer->stop();
    setFlashing(false);
    showErrorDialog(QStringLiteral(
        "The communication could not be established or was lost. Please turn off the gripper, unplug/replug the "
        "USB cable and relaunch the wizard by selecting the Manual Reboot option."));
    wizard()->close();
}

void PageDownloadFirmware::showErrorDialog(const QString &text)
{
    QMessageBox box;
    box.setWindowTitle(CarriedFirmware::windowTitle());
    box.setIcon(QMessageBox::Critical);
    box.setText(text);
    box.exec();
}
