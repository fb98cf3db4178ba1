#ifndef PAGEVERIFYNEWVERSION_H
#define PAGEVERIFYNEWVERSION_H

#include <QElapsedTimer>
#include <QWizardPage>

class Communication;
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

public slots:
    void lectureCOMverifyNewVersion();

private:
    void sendRequest();
    void onRequestTimer();

    Communication *communication;
    QLabel *versionLabel;
    QTimer *requestTimer;
    QElapsedTimer waitingFor;
    bool secondaryUnit = false;
    bool answered = false;
};

#endif
