#ifndef PAGEVERIFYNEWVERSION_H
#define PAGEVERIFYNEWVERSION_H

#include <QWizardPage>

class Communication;

// Placeholder until the page's behaviour lands.
class PageVerifyNewVersion : public QWizardPage
{
    Q_OBJECT

public:
    PageVerifyNewVersion(QWidget *parent, Communication *comm);

private:
    Communication *communication;
};

#endif
