#ifndef DOWNLOADHARNESS_H
#define DOWNLOADHARNESS_H

#include "communication.h"
#include "dialogs.h"
#include "logcapture.h"
#include "pagedownloadfirmware.h"
#include "simflash.h"
#include "upgraderwizard.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QWizard>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

const QString kLost = QStringLiteral("The communication could not be established or was lost.");
const QString kWatchdogText = QStringLiteral(
    "The communication could not be established or was lost. Please turn off the gripper, unplug/replug the USB "
    "cable and relaunch the wizard by selecting the Manual Reboot option.");
const QString kStartFailure = QStringLiteral("There was a problem starting the download procedure.");

// Simulated grippers published under stable names, and the wizard exactly as
// the program builds it, driven the way a user would through its buttons.
class DownloadHarness
{
public:
    // The wizard's records and logs go to the test folders, not the user's.
    DownloadHarness() { QStandardPaths::setTestModeEnabled(true); }
    ~DownloadHarness()
    {
        closeWizard();
        if (QTest::currentTestFailed())
            log.dumpTail(60);
    }
    DownloadHarness(const DownloadHarness &) = delete;
    DownloadHarness &operator=(const DownloadHarness &) = delete;

    sim::Gripper &addGripper(sim::GripperConfig config, const QString &name)
    {
        config.publishPath = port(name).toStdString();
        grippers.push_back(std::make_unique<sim::Gripper>(std::move(config)));
        ports.append(port(name));
        qputenv("KORVANE_EXTRA_PORTS", ports.join(QDir::listSeparator()).toLocal8Bit());
        return *grippers.back();
    }
    sim::Gripper &addGripper(sim::Kind kind, const QString &name, sim::Version version = {1, 6, 8})
    {
        sim::GripperConfig config;
        config.kind = kind;
        config.version = version;
        return addGripper(config, name);
    }
    // A published port name as the wizard lists it.
    QString port(const QString &name) const { return dir.filePath(name); }
    // The port page's entry for the gripper published as "gripper".
    QString gripperEntry(const QString &suffix) const { return port(QStringLiteral("gripper")) + suffix; }

    // Waits for `gripper` to be in `state`, gives it `faults`, then starts
    // the wizard.
    bool startOnce(sim::Gripper &gripper, const sim::Faults &faults = {}, sim::State state = sim::State::Firmware)
    {
        if (!gripper.waitForState(state, std::chrono::seconds(5)))
            return false;
        gripper.setFaults(faults);
        startWizard();
        return true;
    }

    void startWizard()
    {
        wizard = createUpgraderWizard(&comm);
        wizard->show();
        entryRetries = 0;
        QObject::connect(page(), &PageDownloadFirmware::transitionInitializeRetry, [this] { ++entryRetries; });
        answerer = new MessageBoxAnswerer(QMessageBox::Ok);
        clock.start();
    }

    // As a user closing the program and starting it again.
    void restartWizard()
    {
        closeWizard();
        startWizard();
    }

    PageDownloadFirmware *page() const { return qobject_cast<PageDownloadFirmware *>(wizard->page(3)); }
    QAbstractButton *button(QWizard::WizardButton which) const { return wizard->button(which); }
    QComboBox *deviceList() const { return wizard->page(1)->findChild<QComboBox *>(); }
    QCheckBox *checkBox(int pageId, const QString &text) const
    {
        for (QCheckBox *box : wizard->page(pageId)->findChildren<QCheckBox *>()) {
            if (box->text() == text)
                return box;
        }
        return nullptr;
    }
    // The page lays out, top to bottom: status line, bar, detail line.
    QString statusText() const { return qobject_cast<QLabel *>(page()->layout()->itemAt(0)->widget())->text(); }
    QString detailText() const { return qobject_cast<QLabel *>(page()->layout()->itemAt(2)->widget())->text(); }
    QProgressBar *progressBar() const { return page()->findChild<QProgressBar *>(); }

    // The page started its entry again, and tells the user, Cancel usable,
    // to cycle the power.
    bool askingForPowerCycle() const
    {
        return entryRetries > 0 && button(QWizard::CancelButton)->isEnabled()
               && statusText().startsWith(QLatin1String("If the device is turned off, turn it on."));
    }

    static bool waitFor(const std::function<bool()> &condition, int timeoutMs)
    {
        return QTest::qWaitFor(condition, timeoutMs);
    }

    // Intro page to the port page: a rescan over every published port.
    bool toPortPage()
    {
        if (wizard->currentId() != 0)
            return false;
        button(QWizard::NextButton)->click();
        return wizard->currentId() == 1;
    }

    void setManualReboot(bool on)
    {
        QCheckBox *box = checkBox(1, QStringLiteral("Manual reboot"));
        if (box->isChecked() != on)
            box->click();
    }

    // Intro page to the port page, with the entry that reads `entry`
    // ("<port>(C)") picked there once the scan lists it. A gripper whose
    // answer came after identification's wait (a busy machine) is listed
    // without its kind: "Scan Devices" again, as its user would, twice at most.
    bool toEntry(const QString &entry)
    {
        QComboBox *list = toPortPage() ? deviceList() : nullptr;
        if (!list)
            return false;
        QPushButton *scan = wizard->page(1)->findChild<QPushButton *>();
        int scans = 1;
        const bool listed = waitFor(
            [&] {
                if (list->findText(entry) >= 0)
                    return true;
                if (scan->isEnabled() && scans < 3) {
                    ++scans;
                    scan->click();
                }
                return false;
            },
            10000 * 3);
        if (!listed)
            return false;
        list->setCurrentIndex(list->findText(entry));
        return true;
    }

    // Picks `entry`, ticks "Manual reboot" when asked to, and presses Next.
    bool pastPortPage(const QString &entry, bool manualReboot = false)
    {
        if (!toEntry(entry))
            return false;
        setManualReboot(manualReboot);
        button(QWizard::NextButton)->click();
        return true;
    }

    // On the version page: tick the boxes and pick the images. An empty
    // name leaves that role unticked.
    bool chooseImages(const QString &bootloader, const QString &firmware)
    {
        if (wizard->currentId() != 2)
            return false;
        const struct { QString box; QString image; } roles[] = {
            {QStringLiteral("Download bootloader"), bootloader},
            {QStringLiteral("Download main firmware"), firmware}};
        for (const auto &role : roles) {
            QCheckBox *box = checkBox(2, role.box);
            if (box->isChecked() != !role.image.isEmpty())
                box->click();
            if (role.image.isEmpty())
                continue;
            QComboBox *list = nullptr;
            for (QComboBox *candidate : wizard->page(2)->findChildren<QComboBox *>())
                list = candidate->findText(role.image) >= 0 ? candidate : list;
            if (!list || !box->isEnabled() || !box->isChecked())
                return false;
            list->setCurrentIndex(list->findText(role.image));
        }
        return true;
    }

    // "Update firmware" on the version page.
    bool commitUpdate()
    {
        QAbstractButton *commit = button(QWizard::CommitButton);
        if (wizard->currentId() != 2 || !commit->isEnabled())
            return false;
        commit->click();
        return wizard->currentId() == 3;
    }

    bool updateWith(const QString &bootloader, const QString &firmware)
    {
        return chooseImages(bootloader, firmware) && commitUpdate();
    }

    // The usual road: rescan, pick the entry, choose the images, update.
    bool runToDownload(const QString &entry, const QString &bootloader, const QString &firmware)
    {
        return pastPortPage(entry) && updateWith(bootloader, firmware);
    }

    bool waitForVerifyButton(int timeoutMs = 90000)
    {
        QAbstractButton *commit = button(QWizard::CommitButton);
        return waitFor([&] { return wizard->currentId() == 3 && commit->isVisible() && commit->isEnabled(); },
                       timeoutMs);
    }

    // "Verify version" on the download page, then the version it reads back.
    bool verifyShows(const QString &text)
    {
        button(QWizard::CommitButton)->click();
        QLabel *label = wizard->page(4)->findChild<QLabel *>();
        return waitFor([&] { return label->text().contains(text); }, 15000);
    }

    bool wizardClosed() const { return !wizard->isVisible(); }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<sim::Gripper>> grippers;
    QStringList ports;
    QWizard *wizard = nullptr;
    Communication *comm = nullptr;
    MessageBoxAnswerer *answerer = nullptr;
    int entryRetries = 0;
    // Quiet unless the test fails: then its tail says where the page was.
    LogCapture log;
    QElapsedTimer clock;

private:
    void closeWizard()
    {
        // A worker may still be on its way out of a failed run.
        QThreadPool::globalInstance()->waitForDone(10000);
        delete answerer;
        delete wizard;
        delete comm;
        answerer = nullptr;
        wizard = nullptr;
        comm = nullptr;
    }
};

#endif
