// Renders each wizard page, driven as a user would drive it, against
// simulated grippers, into PNG files for the documentation:
//
//   korvane_screenshots OUTPUT_DIR [--lang xx]
//
// With a language, the pages up to the version check, the station and a
// korvane-flash run only, named -xx.png.
//
// Every message box on the way is answered with OK and named on stderr.

#include "communication.h"
#include "dialogs.h"
#include "gripper_sim.h"
#include "language.h"
#include "stationwindow.h"
#include "upgraderwizard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWizard>

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace {

void settle(int ms)
{
    if (ms <= 0)
        return;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(QWizard *wizard, const QDir &dir, const QString &name, int settleMs = 100)
{
    settle(settleMs);
    const QString path = dir.filePath(name);
    if (!wizard->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
    return true;
}

// Waits for `done` while events run, at most timeoutMs.
template <typename Predicate>
bool waitFor(Predicate done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// The station with a bench of grippers under way: paced lines, so that the
// rows are caught mid-write, one already up to date and one in its ROM.
bool stationUnderWay(const QDir &dir, const QString &language)
{
    QStandardPaths::setTestModeEnabled(true);
    std::vector<std::unique_ptr<korvane::sim::Gripper>> bench;
    QStringList paths;
    for (const auto &[version, inRom] : std::vector<std::pair<korvane::sim::Version, bool>>{
             {{1, 6, 8}, false}, {{1, 6, 7}, false}, {{1, 6, 9}, false}, {{1, 6, 8}, true}}) {
        korvane::sim::GripperConfig config;
        config.version = version;
        config.bootToRom = inRom;
        config.pacing.enabled = true;
        bench.push_back(std::make_unique<korvane::sim::Gripper>(config));
        bench.back()->waitForState(inRom ? korvane::sim::State::Rom : korvane::sim::State::Firmware,
                                   std::chrono::seconds(5));
        paths << QString::fromStdString(bench.back()->path());
    }
    qputenv("KORVANE_EXTRA_PORTS", paths.join(QDir::listSeparator()).toLocal8Bit());
    StationWindow window;
    // Tall enough for a step that takes two or three lines in French or German.
    window.resize(2000, 460);
    window.show();
    window.updateAll();
    settle(12000);
    const bool ok = window.grab().save(dir.filePath(QStringLiteral("5-station%1.png").arg(language)));
    window.stop();
    waitFor([&window] { return !window.isBusy(); }, 60000);
    return ok;
}

// A korvane-flash run as a terminal shows it: its lines for a bench of an
// outdated gripper, an up-to-date one and one found in its ROM (refused
// without --type), drawn light on dark in the terminal's fixed font.
bool flashRun(const QDir &dir, const QString &language)
{
    std::vector<std::unique_ptr<korvane::sim::Gripper>> bench;
    QStringList paths;
    for (const auto &[version, inRom] : std::vector<std::pair<korvane::sim::Version, bool>>{
             {{1, 6, 8}, false}, {{1, 6, 9}, false}, {{1, 6, 8}, true}}) {
        korvane::sim::GripperConfig config;
        config.version = version;
        config.bootToRom = inRom;
        bench.push_back(std::make_unique<korvane::sim::Gripper>(config));
        bench.back()->waitForState(inRom ? korvane::sim::State::Rom : korvane::sim::State::Firmware,
                                   std::chrono::seconds(5));
        paths << QString::fromStdString(bench.back()->path());
    }
    // The run's records go to a history of its own, not the user's.
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KORVANE_EXTRA_PORTS"), paths.join(QDir::listSeparator()));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    environment.insert(QStringLiteral("LANGUAGE"), language.isEmpty() ? QStringLiteral("en") : language.mid(1));
    QProcess flash;
    flash.setProcessEnvironment(environment);
    flash.setProcessChannelMode(QProcess::MergedChannels);
    const QStringList arguments{QStringLiteral("update"), QStringLiteral("--all")};
    flash.start(QStringLiteral(KORVANE_FLASH), arguments);
    if (!flash.waitForFinished(120000)) {
        std::fprintf(stderr, "korvane-flash did not finish\n");
        return false;
    }
    QStringList lines = QString::fromUtf8(flash.readAll()).split(QLatin1Char('\n'));
    lines.prepend(QStringLiteral("$ korvane-flash ") + arguments.join(QLatin1Char(' ')));
    if (lines.last().isEmpty())
        lines.last() = QStringLiteral("$");

    const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontMetrics metrics(font);
    const int margin = metrics.height();
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    QImage image(width + 2 * margin, lines.size() * metrics.lineSpacing() + 2 * margin, QImage::Format_RGB32);
    image.fill(QColor(30, 30, 30));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor(220, 220, 220));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(margin, margin + i * metrics.lineSpacing() + metrics.ascent(), lines.at(i));
    painter.end();
    return image.save(dir.filePath(QStringLiteral("6-korvane-flash%1.png").arg(language)));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2 && !(argc == 4 && qstrcmp(argv[2], "--lang") == 0)) {
        std::fprintf(stderr, "usage: korvane_screenshots OUTPUT_DIR [--lang xx]\n");
        return 2;
    }
    // English unless asked: the README's pictures do not follow the locale
    // of whoever renders them.
    const QString language = argc == 4 ? QStringLiteral("-") + QString::fromLocal8Bit(argv[3]) : QString();
    if (!language.isEmpty())
        Language::install(&app);
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    // A GC gripper one version behind the carried firmware, and a K01 relaying
    // a GB1, so that the port list shows more than one sort of entry.
    korvane::sim::GripperConfig gcConfig;
    gcConfig.kind = korvane::sim::Kind::GC;
    gcConfig.version = {1, 6, 8};
    korvane::sim::Gripper gc(gcConfig);
    korvane::sim::GripperConfig relayConfig;
    relayConfig.kind = korvane::sim::Kind::K01WithGB1;
    korvane::sim::Gripper relay(relayConfig);
    gc.waitForState(korvane::sim::State::Firmware, std::chrono::seconds(5));
    relay.waitForState(korvane::sim::State::Firmware, std::chrono::seconds(5));
    qputenv("KORVANE_EXTRA_PORTS",
             (QString::fromStdString(gc.path()) + QDir::listSeparator() + QString::fromStdString(relay.path()))
                 .toLocal8Bit());

    Communication *comm = nullptr;
    QWizard *wizard = createUpgraderWizard(&comm);
    wizard->resize(720, 520);
    wizard->show();

    MessageBoxAnswerer answerer(QMessageBox::Ok);
    bool ok = !language.isEmpty() || save(wizard, dir, QStringLiteral("0-introduction.png"));

    wizard->next();
    if (language.isEmpty())
        ok &= save(wizard, dir, QStringLiteral("1-port-selection.png"));

    wizard->next();
    QWizardPage *check = wizard->currentPage();
    for (QCheckBox *box : check->findChildren<QCheckBox *>()) {
        if (box->text() == QCoreApplication::translate("PageCheckVersion", "Download main firmware"))
            box->click();
    }
    ok &= save(wizard, dir, QStringLiteral("2-version-check%1.png").arg(language));
    if (!language.isEmpty()) {
        wizard->hide();
        ok &= stationUnderWay(dir, language) && flashRun(dir, language);
        return ok ? 0 : 1;
    }

    // The update itself runs against the simulated gripper; the page is taken
    // once it offers "Verify version".
    // Unpaced, the simulated download is over in a blink: the page is taken
    // from inside the progress bar's update, halfway through the write.
    QProgressBar *bar = wizard->page(3)->findChild<QProgressBar *>();
    bool running = false;
    if (bar) {
        QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
            if (!running && value >= 40 && value < 100) {
                running = true;
                ok &= save(wizard, dir, QStringLiteral("3-download-running.png"), 0);
            }
        });
    }
    wizard->button(QWizard::CommitButton)->click();
    if (!waitFor([wizard] { return wizard->currentId() != 3 || wizard->button(QWizard::CommitButton)->isEnabled(); },
                 180000))
        std::fprintf(stderr, "the download did not finish in time\n");
    if (!running)
        std::fprintf(stderr, "the download page showed no progress\n");
    ok &= save(wizard, dir, QStringLiteral("3-download-done.png"));

    if (wizard->currentId() == 3)
        wizard->button(QWizard::CommitButton)->click();
    QLabel *label = wizard->currentPage()->findChild<QLabel *>();
    const QString waiting = label ? label->text() : QString();
    waitFor([label, waiting] { return !label || label->text() != waiting; }, 15000);
    ok &= save(wizard, dir, QStringLiteral("4-new-version.png"));

    for (const SeenMessageBox &box : answerer.seen())
        std::fprintf(stderr, "message box: %s\n", qPrintable(box.text));
    wizard->hide();
    ok &= stationUnderWay(dir, language) && flashRun(dir, language);
    return ok ? 0 : 1;
}
