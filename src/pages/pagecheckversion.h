#ifndef PAGECHECKVERSION_H
#define PAGECHECKVERSION_H

#include <QWizardPage>

class Communication;
class KorvaneDevice;
class QCheckBox;
class QComboBox;
class QLabel;

// Shows what the chosen gripper runs, warns when the carried firmware is of
// another type, older or the same, and lets the user pick the images to
// write from the ones carried under ":/firmware/". Commit page.
class PageCheckVersion : public QWizardPage
{
    Q_OBJECT

public:
    PageCheckVersion(QWidget *parent, Communication *comm);

    void initializePage() override;
    bool isComplete() const override;

private:
    KorvaneDevice *chosenDevice() const;
    void compareVersions(const QString &typeCode, int major, int minor, int patch);

    Communication *communication;
    QLabel *statusLabel;
    QCheckBox *bootloaderBox;
    QComboBox *bootloaderList;
    QCheckBox *firmwareBox;
    QComboBox *firmwareList;
};

#endif
