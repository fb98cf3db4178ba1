#ifndef DOWNLOADHARNESS_H
#define DOWNLOADHARNESS_H

#include "communication.h"
#include "dialogs.h"
#include "freescaleconfig.h"
#include "gripper_sim.h"
#include "pagedownloadfirmware.h"
#include "upgraderwizard.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMutex>
#include <QMutexLocker>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QWizard>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace sim = korvane::sim;

// Every debug line of the run, from any thread, so a test can check what the
// page logged and show the tail when it fails.
class LogRecorder
{
public:
    LogRecorder() { s_instance = this; s_previous = qInstallMessageHandler(&LogRecorder::handler); }
    ~LogRecorder()
    {
        qInstallMessageHandler(s_previous);
        s_instance = nullptr;
    }
    QStringList lines() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    int count(const QString &start) const
    {
        int n = 0;
        for (const QString &line : lines())
            n += line.startsWith(start) ? 1 : 0;
        return n;
    }
    void dumpTail(int n) const
    {
        const QStringList all = lines();
        for (int i = std::max(0, int(all.size()) - n); i < all.size(); ++i)
            fprintf(stderr, "  log: %s\n", qPrintable(all.at(i).left(200)));
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (s_instance) {
            QMutexLocker lock(&s_instance->m_mutex);
            s_instance->m_lines.append(message);
        }
        // The offscreen platform warns about every window it cannot size.
        if (message.contains(QLatin1String("propagateSizeHints")))
            return;
        if (type != QtDebugMsg && s_previous)
            s_previous(type, context, message);
    }
    mutable QMutex m_mutex;
    QStringList m_lines;
    static inline LogRecorder *s_instance = nullptr;
    static inline QtMessageHandler s_previous = nullptr;
};

inline QByteArray resourceBytes(const QString &name)
{
    QFile file(QStringLiteral(":/firmware/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QByteArray toBytes(const std::vector<uint8_t> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
}

const QString kCarried = QStringLiteral("GC3-1.6.9.bin");
const QString kLost = QStringLiteral("The communication could not be established or was lost.");
const QString kWatchdogText = QStringLiteral(
    "The communication could not be established or was lost. Please turn off the gripper, unplug/replug the USB "
    "cable and relaunch the wizard by selecting the Manual Reboot option.");
const QString kStartFailure = QStringLiteral("There was a problem starting the download procedure.");
constexpr uint32_t kMainAddress = 0x08080000;
constexpr uint32_t kSector128k = 128 * 1024;

// The image at `address`, and nothing but erased flash after it up to the
// end of the region the run erased.
inline bool flashHoldsExactly(const sim::Gripper &gripper, uint32_t address, const QByteArray &image,
                              uint32_t region, int unit = 0)
{
    const QByteArray flash = toBytes(gripper.readFlash(address, region, unit));
    if (flash.size() != int(region) || flash.left(image.size()) != image)
        return false;
    return flash.mid(image.size()) == QByteArray(int(region) - image.size(), char(0xFF));
}

// Faults with only `field` set.
template <typename T>
sim::Faults oneFault(T sim::Faults::*field, T value)
{
    sim::Faults faults;
    faults.*field = value;
    return faults;
}

// Why this build cannot play a GS run, or empty when it can.
inline QString freescaleBuildSkipReason()
{
    if (!FreescaleConfig::carriesImage() || QByteArray(FreescaleConfig::kReadyMarkers[0]).isEmpty())
        return QStringLiteral("built without a Freescale image and ready marker: configure with "
                              "-C tests/download/freescale-test.cmake");
    return QString();
}

// Skips the calling test with `reason` unless it is empty.
#define KORVANE_SKIP_IF(reason) \
    do { const QString skipReason = (reason); if (!skipReason.isEmpty()) QSKIP(qPrintable(skipReason)); } while (false)

// Why a GS run cannot be played here, or empty when it can.
inline QString freescaleSkipReason()
{
    if (!freescaleBuildSkipReason().isEmpty())
        return freescaleBuildSkipReason();
    if (!QFile::exists(QLatin1String(FreescaleConfig::kLocalFirmwareFolder)
                       + QLatin1String(FreescaleConfig::kImageName)))
        return QStringLiteral("no firmwares/%1 in the working directory").arg(FreescaleConfig::kImageName);
    return QString();
}

// A GS gripper whose bootloader greets with the marker this build waits for.
inline sim::GripperConfig gsGripper()
{
    sim::GripperConfig config;
    config.kind = sim::Kind::GS;
    config.version = {1, 6, 8};
    config.freescaleBanner = std::string("\r\n") + FreescaleConfig::kReadyMarkers[0] + "\r\n";
    return config;
}

// Simulated grippers published under stable names, and the wizard exactly as
// the program builds it, driven the way a user would through its buttons.
class DownloadHarness
{
public:
    DownloadHarness() = default;
    ~DownloadHarness()
    {
        // A worker may still be on its way out of a failed run.
        QThreadPool::globalInstance()->waitForDone(10000);
        delete answerer;
        delete wizard;
        delete comm;
    }
    DownloadHarness(const DownloadHarness &) = delete;
    DownloadHarness &operator=(const DownloadHarness &) = delete;

    sim::Gripper &addGripper(sim::GripperConfig config, const QString &name)
    {
        config.publishPath = dir.filePath(name).toStdString();
        grippers.push_back(std::make_unique<sim::Gripper>(std::move(config)));
        ports.append(dir.filePath(name));
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

    // Waits for `gripper` to be in `state`, gives it `faults` if any, then
    // starts the wizard.
    bool startOnce(sim::Gripper &gripper, sim::State state = sim::State::Firmware,
                   const sim::Faults *faults = nullptr)
    {
        if (!gripper.waitForState(state, std::chrono::seconds(5)))
            return false;
        if (faults)
            gripper.setFaults(*faults);
        startWizard();
        return true;
    }
    bool startOnce(sim::Gripper &gripper, const sim::Faults &faults)
    {
        return startOnce(gripper, sim::State::Firmware, &faults);
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

    // Closes the wizard and builds a new one, as a user starting the
    // program again.
    void restartWizard()
    {
        QThreadPool::globalInstance()->waitForDone(10000);
        delete answerer;
        delete wizard;
        delete comm;
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
    QComboBox *listHolding(const QString &item) const
    {
        for (QComboBox *list : wizard->page(2)->findChildren<QComboBox *>()) {
            if (list->findText(item) >= 0)
                return list;
        }
        return nullptr;
    }
    // The page lays out, top to bottom: status line, bar, detail line.
    QString statusText() const { return qobject_cast<QLabel *>(page()->layout()->itemAt(0)->widget())->text(); }
    QString detailText() const { return qobject_cast<QLabel *>(page()->layout()->itemAt(2)->widget())->text(); }
    QProgressBar *progressBar() const { return page()->findChild<QProgressBar *>(); }
    QString verifyLabel() const { return wizard->page(4)->findChild<QLabel *>()->text(); }

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

    // Picks the entry of the port page that reads `entry` ("<port>(C)").
    bool selectEntry(const QString &entry)
    {
        QComboBox *list = deviceList();
        if (!waitFor([&] { return list->findText(entry) >= 0; }, 5000))
            return false;
        list->setCurrentIndex(list->findText(entry));
        return true;
    }

    void setManualReboot(bool on)
    {
        QCheckBox *box = checkBox(1, QStringLiteral("Manual reboot"));
        if (box->isChecked() != on)
            box->click();
    }

    // Intro page to the port page, with `entry` picked there.
    bool toEntry(const QString &entry) { return toPortPage() && selectEntry(entry); }

    // Picks `entry`, ticks "Manual reboot" when asked to, and presses Next.
    bool pastPortPage(const QString &entry, bool manualReboot = false)
    {
        if (!toEntry(entry))
            return false;
        if (manualReboot)
            setManualReboot(true);
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
            if (role.image.isEmpty()) {
                if (box->isChecked())
                    box->click();
                continue;
            }
            QComboBox *list = listHolding(role.image);
            if (!list || !box->isEnabled())
                return false;
            if (!box->isChecked())
                box->click();
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

    // On the version page: choose the images, then "Update firmware".
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
        return waitFor(
            [&] {
                QAbstractButton *commit = button(QWizard::CommitButton);
                return wizard->currentId() == 3 && commit->isVisible() && commit->isEnabled();
            },
            timeoutMs);
    }

    // "Verify version" on the download page, then the version it reads back.
    bool verifyShows(const QString &text)
    {
        button(QWizard::CommitButton)->click();
        return waitFor([&] { return verifyLabel().contains(text); }, 15000);
    }

    bool wizardClosed() const { return !wizard->isVisible(); }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<sim::Gripper>> grippers;
    QStringList ports;
    QWizard *wizard = nullptr;
    Communication *comm = nullptr;
    MessageBoxAnswerer *answerer = nullptr;
    int entryRetries = 0;
    LogRecorder log;
    QElapsedTimer clock;
};

// A harness that shows what the page logged when the run fails.
struct LoggedHarness : DownloadHarness
{
    ~LoggedHarness()
    {
        if (QTest::currentTestFailed())
            log.dumpTail(60);
    }
};

#endif
