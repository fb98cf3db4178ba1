// The time a whole GC3 update takes, phase by phase. The wizard, built as
// the program builds it and shown offscreen, updates a simulated GC3 gripper
// from 1.6.8 to 1.6.9 over a paced line (115200 baud, 11 bits a byte, flash
// erase and programming times of the part) behind a simulated USB adapter.
// The adapter stamps every request and answer that crosses it; the wizard's
// side is watched through its buttons, the page's machine state, status
// text and progress bar. The gripper runs in a child process, so the peak
// RSS reported is the wizard's.
//
// Usage: bench_update [--runs N] [--adapter-quiet-us US] [--markdown FILE] [--summary FILE]
//                     [--wire-log FILE]
//   --summary writes tab-separated lines: metric, measured, target, met;
//   --wire-log every command of run 1 that crossed the adapter.

#include "childgrippers.h"
#include "communication.h"
#include "pagedownloadfirmware.h"
#include "upgraderwizard.h"
#include "wirelog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QThreadPool>
#include <QTimer>
#include <QWizard>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace sim = korvane::sim;
using korvane::bench::WireCommand;
using korvane::bench::WireKind;

namespace {

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double secondsBetween(int64_t from, int64_t to)
{
    return double(to - from) / 1e9;
}

// Polls without sleeping, so the wizard's own timers keep their times.
bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (condition())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return condition();
}

QString oneLine(QString text)
{
    text.replace(QLatin1String("\r"), QString()).replace(QLatin1Char('\n'), QLatin1Char(' '));
    text = text.simplified();
    return text.size() > 70 ? text.left(67) + QStringLiteral("...") : text;
}

// What the wizard showed and when: state, status text, progress at 100,
// the forward button. Sampled every millisecond on the GUI thread.
class WizardWatch
{
public:
    WizardWatch(QWizard *wizard, PageDownloadFirmware *page)
        : m_wizard(wizard)
        , m_page(page)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { sample(); });
    }
    void start() { m_timer.start(); }
    void stop() { m_timer.stop(); }
    const std::vector<std::pair<int64_t, QString>> &events() const { return m_events; }

private:
    void note(QString &last, const QString &now, const QString &what)
    {
        if (now == last)
            return;
        last = now;
        m_events.emplace_back(nowNs(), what + now);
    }
    void sample()
    {
        note(m_state, m_page->currentStateName(), QStringLiteral("state: "));
        QStringList texts;
        for (QLabel *label : m_page->findChildren<QLabel *>())
            if (!label->text().trimmed().isEmpty())
                texts << oneLine(label->text());
        note(m_text, texts.join(QStringLiteral(" / ")), QStringLiteral("text: "));
        int progress = 0;
        if (auto *bar = m_page->findChild<QProgressBar *>())
            progress = bar->value();
        note(m_progress, progress >= 100 ? QStringLiteral("100 %") : QStringLiteral("below 100 %"),
             QStringLiteral("progress: "));
        note(m_button, m_wizard->button(QWizard::CommitButton)->isEnabled() ? QStringLiteral("enabled")
                                                                            : QStringLiteral("disabled"),
             QStringLiteral("forward button: "));
    }

    QWizard *m_wizard;
    PageDownloadFirmware *m_page;
    QTimer m_timer;
    QString m_state, m_text, m_progress, m_button;
    std::vector<std::pair<int64_t, QString>> m_events;
};

struct Phase
{
    QString name;
    double seconds = 0;
    double minimum = 0;          // wire (and flash) minimum, 0 when none applies
    QString note;
};

struct RunResult
{
    bool ok = false;
    QString failure;
    std::vector<Phase> phases;
    double total = 0;
    std::vector<std::pair<int64_t, QString>> timeline;  // relative to the click
    std::vector<WireCommand> wire;
    int64_t click = 0;
};

const WireCommand *firstAfter(const std::vector<WireCommand> &wire, WireKind kind, int64_t after)
{
    for (const WireCommand &c : wire)
        if (c.kind == kind && c.startNs >= after)
            return &c;
    return nullptr;
}

// The last of `kind` before `before` and not before `after`.
const WireCommand *lastBefore(const std::vector<WireCommand> &wire, WireKind kind, int64_t after, int64_t before)
{
    const WireCommand *found = nullptr;
    for (const WireCommand &c : wire)
        if (c.kind == kind && c.startNs >= after && c.startNs < before)
            found = &c;
    return found;
}

std::vector<const WireCommand *> allAfter(const std::vector<WireCommand> &wire, WireKind kind, int64_t after,
                                          int64_t before)
{
    std::vector<const WireCommand *> found;
    for (const WireCommand &c : wire)
        if (c.kind == kind && c.startNs >= after && c.startNs < before)
            found.push_back(&c);
    return found;
}

// Splits the update at what crossed the adapter; the phases follow each
// other, so they add up to the whole.
bool phasesFromWire(const std::vector<WireCommand> &wire, const sim::Pacing &pacing, int64_t click,
                    int64_t enabled, int64_t shown, RunResult *result)
{
    const double byte = pacing.secondsPerByte();
    const WireCommand *reboot = firstAfter(wire, WireKind::ModbusReboot, click);
    const WireCommand *sync = reboot ? firstAfter(wire, WireKind::Sync, reboot->startNs) : nullptr;
    // The library's open is the one that comes before its sync; the port
    // the reboot request went out on may be noticed open only after it.
    const WireCommand *open = sync ? lastBefore(wire, WireKind::HostOpen, reboot->startNs, sync->startNs) : nullptr;
    const WireCommand *get = sync ? firstAfter(wire, WireKind::Get, sync->startNs) : nullptr;
    const WireCommand *go = get ? firstAfter(wire, WireKind::Go, get->startNs) : nullptr;
    const WireCommand *version = go ? firstAfter(wire, WireKind::ModbusVersion, go->startNs) : nullptr;
    if (!reboot || !open || !sync || !get || !go || !version) {
        result->failure = QStringLiteral("the wire log lacks a step of the update");
        return false;
    }
    const auto erases = allAfter(wire, WireKind::Erase, get->startNs, go->startNs);
    const auto writes = allAfter(wire, WireKind::Write, get->startNs, go->startNs);
    const auto reads = allAfter(wire, WireKind::Read, get->startNs, go->startNs);
    if (erases.empty() || writes.empty() || reads.empty()) {
        result->failure = QStringLiteral("no erase, write or read-back on the wire");
        return false;
    }

    double eraseMin = 0;
    int sectors = 0;
    for (const WireCommand *e : erases) {
        eraseMin += double(7 + 2 * e->sectors.size()) * byte;
        for (uint16_t s : e->sectors) {
            const uint32_t kib = korvane::bench::sectorKiB(s);
            eraseMin += kib == 16 ? pacing.erase16kSeconds : kib == 64 ? pacing.erase64kSeconds : pacing.erase128kSeconds;
            ++sectors;
        }
    }
    double writeMin = 0;
    uint64_t written = 0;
    for (const WireCommand *w : writes) {
        writeMin += double(w->length + 12) * byte + double(w->length / 4) * pacing.wordProgramMicroseconds / 1e6;
        written += w->length;
    }
    double readMin = 0;
    uint64_t read = 0;
    for (const WireCommand *r : reads) {
        readMin += double(r->length + 12) * byte;
        read += r->length;
    }

    auto ms = [](double s) { return QString::number(s * 1000, 'f', 1) + QStringLiteral(" ms"); };
    std::vector<Phase> &p = result->phases;
    p.push_back({QStringLiteral("reboot request, echo, settle"), secondsBetween(click, open->startNs), 0,
                 QStringLiteral("request on the wire %1 after the click, echo back %2 later; then the bootloader "
                                "library opens the port")
                     .arg(ms(secondsBetween(click, reboot->startNs)), ms(secondsBetween(reboot->startNs, reboot->endNs)))});
    p.push_back({QStringLiteral("bootloader init (0x7F sync)"), secondsBetween(open->startNs, get->startNs), 0,
                 QStringLiteral("sync %1 after the open, answered in %2")
                     .arg(ms(secondsBetween(open->startNs, sync->startNs)), ms(secondsBetween(sync->startNs, sync->endNs)))});
    p.push_back({QStringLiteral("Get"), secondsBetween(get->startNs, erases.front()->startNs), 0,
                 QStringLiteral("exchange %1").arg(ms(secondsBetween(get->startNs, get->endNs)))});
    p.push_back({QStringLiteral("erase, %1 sectors in %2 commands").arg(sectors).arg(erases.size()),
                 secondsBetween(erases.front()->startNs, writes.front()->startNs), eraseMin,
                 QStringLiteral("flash erase time of the part included in the minimum")});
    p.push_back({QStringLiteral("write, %1 bytes in %2 packets").arg(written).arg(writes.size()),
                 secondsBetween(writes.front()->startNs, writes.back()->endNs), writeMin,
                 QStringLiteral("word programming time included in the minimum")});
    p.push_back({QStringLiteral("pause after the write"), secondsBetween(writes.back()->endNs, reads.front()->startNs),
                 0, QString()});
    p.push_back({QStringLiteral("read-back verify, %1 bytes in %2 reads").arg(read).arg(reads.size()),
                 secondsBetween(reads.front()->startNs, reads.back()->endNs), readMin, QString()});
    p.push_back({QStringLiteral("Go"), secondsBetween(reads.back()->endNs, go->endNs), 0,
                 QStringLiteral("exchange %1").arg(ms(secondsBetween(go->startNs, go->endNs)))});
    p.push_back({QStringLiteral("new firmware starts, \"Verify version\" enabled"), secondsBetween(go->endNs, enabled), 0,
                 QString()});
    p.push_back({QStringLiteral("version read-back, GC3-1.6.9 shown"), secondsBetween(enabled, shown), 0,
                 QStringLiteral("request on the wire %1 after the button was enabled, answered in %2")
                     .arg(ms(secondsBetween(enabled, version->startNs)),
                          ms(secondsBetween(version->startNs, version->endNs)))});
    result->total = secondsBetween(click, shown);
    return true;
}

RunResult runOnce(korvane::bench::ChildGrippers &grippers, int index, const sim::Pacing &pacing)
{
    RunResult result;
    const QString port = QString::fromStdString(grippers.portPath(index));
    qputenv("KORVANE_EXTRA_PORTS", port.toLocal8Bit());

    Communication *comm = nullptr;
    QWizard *wizard = createUpgraderWizard(&comm);
    wizard->show();
    auto *page = qobject_cast<PageDownloadFirmware *>(wizard->page(3));
    WizardWatch watch(wizard, page);

    const QString entry = port + QStringLiteral("(C)");
    wizard->button(QWizard::NextButton)->click();
    auto *devices = wizard->page(1)->findChild<QComboBox *>();
    bool ok = waitFor([&] { return devices->findText(entry) >= 0; }, 15000);
    int64_t click = 0, enabled = 0, shown = 0;
    if (!ok)
        result.failure = QStringLiteral("the gripper was not listed as %1").arg(entry);
    if (ok) {
        devices->setCurrentIndex(devices->findText(entry));
        wizard->button(QWizard::NextButton)->click();
        for (QCheckBox *box : wizard->page(2)->findChildren<QCheckBox *>()) {
            if (box->text() == QLatin1String("Download main firmware") && !box->isChecked())
                box->click();
        }
        watch.start();
        click = nowNs();
        wizard->button(QWizard::CommitButton)->click();
        ok = wizard->currentId() == 3;
        ok = ok && waitFor([&] { return page->isComplete() && wizard->button(QWizard::CommitButton)->isEnabled(); },
                           240000);
        enabled = nowNs();
        if (!ok)
            result.failure = QStringLiteral("the download page did not finish (state %1)").arg(page->currentStateName());
    }
    if (ok) {
        wizard->button(QWizard::CommitButton)->click();
        auto *label = wizard->page(4)->findChild<QLabel *>();
        ok = waitFor([&] { return label->text().contains(QLatin1String("GC3-1.6.9")); }, 20000);
        shown = nowNs();
        if (!ok)
            result.failure = QStringLiteral("the verification page showed: %1").arg(label->text());
    }
    watch.stop();
    for (const auto &[ns, what] : watch.events())
        result.timeline.emplace_back(ns - click, what);

    wizard->hide();
    QThreadPool::globalInstance()->waitForDone();
    delete wizard;
    delete comm;

    korvane::bench::GripperReport report;
    if (!grippers.report(index, &report)) {
        result.failure = QStringLiteral("no answer from the simulator process");
        return result;
    }
    if (ok && !(report.version == sim::Version{1, 6, 9} && report.state == "Firmware")) {
        result.failure = QStringLiteral("the gripper runs %1 %2.%3.%4 in state %5")
                             .arg(QString::fromStdString(report.typeCode))
                             .arg(report.version.major)
                             .arg(report.version.minor)
                             .arg(report.version.patch)
                             .arg(QString::fromStdString(report.state));
        ok = false;
    }
    result.wire = report.wire;
    result.click = click;
    result.ok = ok && phasesFromWire(report.wire, pacing, click, enabled, shown, &result);
    return result;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 0);
}

} // namespace

int main(int argc, char **argv)
{
    int runs = 1;
    int quietUs = 300;
    QString markdownFile;
    QString summaryFile;
    QString wireFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--adapter-quiet-us" && i + 1 < argc)
            quietUs = std::max(0, std::atoi(argv[++i]));
        else if (arg == "--markdown" && i + 1 < argc)
            markdownFile = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--summary" && i + 1 < argc)
            summaryFile = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--wire-log" && i + 1 < argc)
            wireFile = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr, "usage: bench_update [--runs N] [--adapter-quiet-us US] [--markdown FILE] "
                                 "[--summary FILE] [--wire-log FILE]\n");
            return 2;
        }
    }

    // One gripper a run, all started before the wizard's process has threads.
    char dir[] = "/tmp/bench-update-XXXXXX";
    if (!mkdtemp(dir)) {
        std::perror("mkdtemp");
        return 2;
    }
    sim::Pacing pacing;
    pacing.enabled = true;  // 115200 baud, 11 bits a byte, the part's erase and programming times
    // Phases are held to the wire's minimum: bytes at their own wire time,
    // without an adapter's USB frames.
    pacing.usbFrameMicroseconds = 0;
    std::vector<korvane::bench::ChildGripperSetup> setups;
    for (int run = 0; run < runs; ++run) {
        korvane::bench::ChildGripperSetup setup;
        setup.config.kind = sim::Kind::GC;
        setup.config.version = {1, 6, 8};
        setup.config.pacing = pacing;
        setup.config.publishPath = std::string(dir) + "/gripper" + std::to_string(run + 1);
        setup.adapter.enabled = true;
        setup.adapter.quietMicroseconds = quietUs;
        setups.push_back(setup);
    }
    korvane::bench::ChildGrippers grippers;
    std::string error;
    if (!grippers.start(setups, &error)) {
        std::fprintf(stderr, "simulated grippers: %s\n", error.c_str());
        return 2;
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The page's diagnostics would drown the table.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type != QtDebugMsg && !message.contains(QLatin1String("propagateSizeHints")))
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });

    const QString loadBefore = loadAverage();
    std::vector<RunResult> results;
    bool allOk = true;
    for (int run = 0; run < runs; ++run) {
        results.push_back(runOnce(grippers, run, pacing));
        if (!results.back().ok) {
            allOk = false;
            std::fprintf(stderr, "run %d failed: %s\n", run + 1, qPrintable(results.back().failure));
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double rssMiB = double(usage.ru_maxrss) / 1024.0;
    grippers.stop();
    ::rmdir(dir);

    QString text;
    QString summary;
    auto tsv = [&summary](const QString &metric, const QString &measured, const QString &target, const QString &met) {
        summary += metric + QLatin1Char('\t') + measured + QLatin1Char('\t') + target + QLatin1Char('\t') + met
                   + QLatin1Char('\n');
    };
    std::vector<const RunResult *> good;
    for (const RunResult &r : results)
        if (r.ok)
            good.push_back(&r);
    text += QStringLiteral("GC3 1.6.8 -> 1.6.9 on a paced simulated line (%1 baud, %2 bits a byte, erase %3/%4/%5 s per "
                           "16/64/128 KiB sector, %6 us per programmed word) behind a simulated USB adapter (answers "
                           "handed over after %7 us of silence or 64 bytes); %8 of %9 run(s) succeeded; load average "
                           "%10 before, %11 after.\n\n")
                .arg(pacing.baud)
                .arg(pacing.bitsPerByte)
                .arg(pacing.erase16kSeconds)
                .arg(pacing.erase64kSeconds)
                .arg(pacing.erase128kSeconds)
                .arg(pacing.wordProgramMicroseconds)
                .arg(quietUs)
                .arg(good.size())
                .arg(runs)
                .arg(loadBefore, loadAverage());
    if (!good.empty()) {
        text += QStringLiteral("| phase | %1 (s) | wire minimum (s) | ratio | what the wire log shows |\n")
                    .arg(good.size() > 1 ? QStringLiteral("median") : QStringLiteral("time"));
        text += QStringLiteral("|---|---:|---:|---:|---|\n");
        const std::vector<Phase> &first = good.front()->phases;
        for (size_t i = 0; i < first.size(); ++i) {
            std::vector<double> times;
            for (const RunResult *r : good)
                times.push_back(r->phases[i].seconds);
            const double t = median(times);
            const Phase &p = first[i];
            const QString ratio = p.minimum > 0 ? QString::number(t / p.minimum, 'f', 3) : QStringLiteral("-");
            text += QStringLiteral("| %1 | %2 | %3 | %4 | %5 |\n")
                        .arg(p.name, QString::number(t, 'f', 3),
                             p.minimum > 0 ? QString::number(p.minimum, 'f', 3) : QStringLiteral("-"), ratio, p.note);
            tsv(QStringLiteral("GC3 update, %1").arg(p.name), QStringLiteral("%1 s").arg(t, 0, 'f', 2)
                    + (p.minimum > 0 ? QStringLiteral(" (%1 x minimum)").arg(ratio) : QString()),
                QStringLiteral("-"), QStringLiteral("-"));
        }
        std::vector<double> totals;
        for (const RunResult *r : good)
            totals.push_back(r->total);
        text += QStringLiteral("| **whole update, \"Update firmware\" to GC3-1.6.9 shown** | **%1** | | | |\n")
                    .arg(median(totals), 0, 'f', 3);
        tsv(QStringLiteral("GC3 update, whole (\"Update firmware\" to GC3-1.6.9 shown, paced line)"),
            QStringLiteral("%1 s").arg(median(totals), 0, 'f', 1), QStringLiteral("-"), QStringLiteral("-"));

        text += QStringLiteral("\nWhat the wizard showed during run 1 (time after the \"Update firmware\" click):\n\n");
        text += QStringLiteral("| s | change |\n|---:|---|\n");
        for (const auto &[ns, what] : good.front()->timeline)
            text += QStringLiteral("| %1 | %2 |\n").arg(double(ns) / 1e9, 0, 'f', 3).arg(QString(what).replace(QLatin1Char('|'), QLatin1Char('/')));
    }
    text += QStringLiteral("\nPeak RSS of the wizard's process over the run(s): %1 MiB (the simulator's process: %2 MiB).\n")
                .arg(rssMiB, 0, 'f', 1)
                .arg(double(grippers.childPeakRssKiB()) / 1024.0, 0, 'f', 1);
    tsv(QStringLiteral("Peak RSS of the wizard during a GC3 update"), QStringLiteral("%1 MiB").arg(rssMiB, 0, 'f', 1),
        QStringLiteral("-"), QStringLiteral("-"));
    if (!allOk)
        tsv(QStringLiteral("GC3 update"), QStringLiteral("FAILED: ") + results.front().failure, QStringLiteral("succeeds"),
            QStringLiteral("no"));

    std::fputs(text.toUtf8().constData(), stdout);
    if (!markdownFile.isEmpty()) {
        QFile file(markdownFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(text.toUtf8());
    }
    if (!wireFile.isEmpty()) {
        // Every command of run 1, times in ms after the click, to look into a phase.
        QFile file(wireFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            for (const WireCommand &c : results.front().wire) {
                file.write(QStringLiteral("%1 %2 %3 %4 %5\n")
                               .arg(double(c.startNs - results.front().click) / 1e6, 0, 'f', 3)
                               .arg(double(c.endNs - c.startNs) / 1e6, 0, 'f', 3)
                               .arg(QLatin1String(korvane::bench::wireKindName(c.kind)))
                               .arg(c.address, 0, 16)
                               .arg(c.length)
                               .toUtf8());
            }
        }
    }
    if (!summaryFile.isEmpty()) {
        QFile file(summaryFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(summary.toUtf8());
    }
    return allOk ? 0 : 1;
}
