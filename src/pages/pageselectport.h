#ifndef PAGESELECTPORT_H
#define PAGESELECTPORT_H

#include <QWizardPage>

class Communication;

// Placeholder until the page's behaviour lands.
class PageSelectPort : public QWizardPage
{
    Q_OBJECT

public:
    PageSelectPort(QWidget *parent, Communication *comm);

private:
    Communication *communication;
};

#endif
