#ifndef PAGECHECKVERSION_H
#define PAGECHECKVERSION_H

#include <QWizardPage>

class Communication;

// Placeholder until the page's behaviour lands.
class PageCheckVersion : public QWizardPage
{
    Q_OBJECT

public:
    PageCheckVersion(QWidget *parent, Communication *comm);

private:
    Communication *communication;
};

#endif
