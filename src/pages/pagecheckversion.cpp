#include "pagecheckversion.h"

PageCheckVersion::PageCheckVersion(QWidget *parent, Communication *comm)
    : QWizardPage(parent)
    , communication(comm)
{
    setTitle(QStringLiteral("Current firmware version"));
}
