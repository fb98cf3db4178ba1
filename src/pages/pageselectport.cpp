#include "pageselectport.h"

PageSelectPort::PageSelectPort(QWidget *parent, Communication *comm)
    : QWizardPage(parent)
    , communication(comm)
{
    setTitle(QStringLiteral("Port Selection"));
}
