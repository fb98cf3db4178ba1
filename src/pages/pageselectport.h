#ifndef PAGESELECTPORT_H
#define PAGESELECTPORT_H

#include <QWizardPage>

class Communication;
class KorvaneDevice;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// Lists what answered on the serial ports and lets the user pick the gripper
// to update. Publishes "portIndex" (position in Communication::devices) and
// "manualReboot" for the later pages.
class PageSelectPort : public QWizardPage
{
    Q_OBJECT

public:
    PageSelectPort(QWidget *parent, Communication *comm);
    ~PageSelectPort() override;

    void initializePage() override;
    bool isComplete() const override;
    int nextId() const override;

public slots:
    void updateDeviceList(KorvaneDevice *device);
    void onRebootClicked();
    void onDisableAutoDetectClicked(bool checked);
    void on_btnScanPorts_clicked();

private:
    // One scan at a time: identification waits in nested event loops, and
    // a second scan started from one of them would close the first one's
    // bootloader probe and record its devices twice.
    void rescan();

    Communication *communication;
    QLabel *instructionLabel;
    QComboBox *deviceList;
    QCheckBox *manualRebootBox;
    QLabel *manualRebootNote;
    QPushButton *rebootButton;
    QPushButton *scanButton;
    QCheckBox *autoDetectBox;
    bool scanning = false;
};

#endif
