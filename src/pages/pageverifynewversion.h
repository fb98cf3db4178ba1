#ifndef PAGEVERIFYNEWVERSION_H
#define PAGEVERIFYNEWVERSION_H

#include "firmwarechoice.h"

#include <QElapsedTimer>
#include <QWizardPage>

class Communication;
class KorvaneDevice;
class QLabel;
class QTimer;

// Last page: asks the freshly updated gripper for its firmware version and
// tells the user whether it is the one this upgrader carries.
class PageVerifyNewVersion : public QWizardPage
{
    Q_OBJECT

public:
    PageVerifyNewVersion(QWidget *parent, Communication *comm);

    void initializePage() override;

    // How long the page keeps asking before it reports that the version
    // cannot be read, and how often it asks again meanwhile.
    static constexpr int kAnswerLimitMs = 10000;
    static constexpr int kRequestIntervalMs = 1000;

signals:
    // The version the updated unit reports (empty: none), and whether it is
    // the image written.
    void versionJudged(const QString &version, bool runsImage);

public slots:
    void lectureCOMverifyNewVersion();
    // The unit the download page last updated and the main image it wrote:
    // that unit is asked, whatever the port page's list shows by now, and
    // judged against that image.
    void takeUpdatedUnit(KorvaneDevice *device, const QString &mainImage);

private:
    void sendRequest();
    void onRequestTimer();

    Communication *communication;
    QLabel *versionLabel;
    QTimer *requestTimer;
    QElapsedTimer waitingFor;
    KorvaneDevice *updatedDevice = nullptr;
    FirmwareImage writtenImage;
    bool imageKnown = false;
    bool secondaryUnit = false;
    bool answered = false;
};

#endif
