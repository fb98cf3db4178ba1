#ifndef PAGEDOWNLOADFIRMWARE_H
#define PAGEDOWNLOADFIRMWARE_H

#include <QWizardPage>

class Communication;

// Placeholder until the page's behaviour lands.
class PageDownloadFirmware : public QWizardPage
{
    Q_OBJECT

public:
    PageDownloadFirmware(QWidget *parent, Communication *comm);

private:
    Communication *communication;
};

#endif
