#include "pagedownloadfirmware.h"

PageDownloadFirmware::PageDownloadFirmware(QWidget *parent, Communication *comm)
    : QWizardPage(parent)
    , communication(comm)
{
    setTitle(QStringLiteral("Download of the new firmware"));
}
