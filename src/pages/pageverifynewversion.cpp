#include "pageverifynewversion.h"

PageVerifyNewVersion::PageVerifyNewVersion(QWidget *parent, Communication *comm)
    : QWizardPage(parent)
    , communication(comm)
{
    setTitle(QStringLiteral("New firmware version"));
}
