// What the open wizard costs while nobody touches it: CPU time and wake-ups
// of its process on the port page, with a simulated GC3 gripper listed,
// once with hot-plug detection off (as the wizard starts) and once with it
// on. The gripper runs in a child process, so every tick counted here is
// the wizard's own.
//
// Usage: bench_idle [--seconds S] [--markdown FILE] [--summary FILE]
//   --summary writes tab-separated lines: metric, measured, target, met.

#include "childgrippers.h"
#include "communication.h"
#include "upgraderwizard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QWizard>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sys/resource.h>
#include <unistd.h>

namespace sim = korvane::sim;

namespace {

// Idle means no more than this share of one core.
const double kIdleTargetPercent = 0.1;

struct Usage
{
    double cpuSeconds = 0;
    long switches = 0;                       // voluntary and involuntary
    std::map<QString, double> threadSeconds; // by thread name, summed
};

double toSeconds(const timeval &t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

// Per thread from /proc: which thread spent the time, if any did.
std::map<QString, double> threadTimes()
{
    std::map<QString, double> times;
    const double tick = double(sysconf(_SC_CLK_TCK));
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(tid + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString line = QString::fromLatin1(stat.readAll());
        const int open = line.indexOf(QLatin1Char('('));
        const int close = line.lastIndexOf(QLatin1Char(')'));
        if (open < 0 || close < open)
            continue;
        const QString name = line.mid(open + 1, close - open - 1);
        // Fields after the name: state is field 3, utime 14, stime 15.
        const QStringList fields = line.mid(close + 2).split(QLatin1Char(' '));
        if (fields.size() < 13)
            continue;
        times[name] += (fields[11].toDouble() + fields[12].toDouble()) / tick;
    }
    return times;
}

Usage usageNow()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    Usage u;
    u.cpuSeconds = toSeconds(r.ru_utime) + toSeconds(r.ru_stime);
    u.switches = r.ru_nvcsw + r.ru_nivcsw;
    u.threadSeconds = threadTimes();
    return u;
}

void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Window
{
    QString name;
    double seconds = 0;
    double cpuSeconds = 0;
    long switches = 0;
    QString busiestThread;
    double busiestSeconds = 0;
};

Window measure(const QString &name, int ms)
{
    const Usage before = usageNow();
    const auto start = std::chrono::steady_clock::now();
    runEventLoopFor(ms);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const Usage after = usageNow();
    Window w;
    w.name = name;
    w.seconds = wall;
    w.cpuSeconds = after.cpuSeconds - before.cpuSeconds;
    w.switches = after.switches - before.switches;
    for (const auto &[thread, seconds] : after.threadSeconds) {
        const auto b = before.threadSeconds.find(thread);
        const double spent = seconds - (b == before.threadSeconds.end() ? 0 : b->second);
        if (spent > w.busiestSeconds) {
            w.busiestSeconds = spent;
            w.busiestThread = thread;
        }
    }
    return w;
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
    int seconds = 20;
    QString markdownFile;
    QString summaryFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc)
            seconds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--markdown" && i + 1 < argc)
            markdownFile = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--summary" && i + 1 < argc)
            summaryFile = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr, "usage: bench_idle [--seconds S] [--markdown FILE] [--summary FILE]\n");
            return 2;
        }
    }

    char dir[] = "/tmp/bench-idle-XXXXXX";
    if (!mkdtemp(dir)) {
        std::perror("mkdtemp");
        return 2;
    }
    korvane::bench::ChildGripperSetup setup;
    setup.config.kind = sim::Kind::GC;
    setup.config.version = {1, 6, 8};
    setup.config.publishPath = std::string(dir) + "/gripper";
    korvane::bench::ChildGrippers grippers;
    std::string error;
    if (!grippers.start({setup}, &error)) {
        std::fprintf(stderr, "simulated gripper: %s\n", error.c_str());
        return 2;
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KORVANE_EXTRA_PORTS", QByteArray::fromStdString(setup.config.publishPath));
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type != QtDebugMsg && !message.contains(QLatin1String("propagateSizeHints")))
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });

    Communication *comm = nullptr;
    QWizard *wizard = createUpgraderWizard(&comm);
    wizard->show();
    wizard->button(QWizard::NextButton)->click();
    const QString entry = QString::fromStdString(setup.config.publishPath) + QStringLiteral("(C)");
    auto *devices = wizard->page(1)->findChild<QComboBox *>();
    for (int waited = 0; devices->findText(entry) < 0 && waited < 15000; waited += 50)
        runEventLoopFor(50);
    if (devices->findText(entry) < 0) {
        std::fprintf(stderr, "the simulated gripper was not listed\n");
        return 1;
    }

    const QString loadBefore = loadAverage();
    // Whatever the rescan left behind (deferred deletes, paint) settles first.
    runEventLoopFor(1000);
    const Window off = measure(QStringLiteral("port page, gripper listed, hot-plug detection off (as started)"),
                               seconds * 1000);
    comm->setAutoDetectDisable(false);
    runEventLoopFor(1000);
    const Window on = measure(QStringLiteral("port page, gripper listed, hot-plug detection on"), seconds * 1000);
    comm->setAutoDetectDisable(true);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double rssMiB = double(usage.ru_maxrss) / 1024.0;
    const QString loadAfter = loadAverage();
    wizard->hide();
    delete wizard;
    delete comm;
    grippers.stop();
    ::rmdir(dir);

    QString text;
    QString summary;
    text += QStringLiteral("Wizard offscreen on its port page with a simulated GC3 gripper listed (simulator in a child "
                           "process); %1 s per window; load average %2 before, %3 after.\n\n")
                .arg(seconds)
                .arg(loadBefore, loadAfter);
    text += QStringLiteral("| window | CPU time (ms) | share of one core | wake-ups a second | busiest thread (ms) |\n");
    text += QStringLiteral("|---|---:|---:|---:|---|\n");
    bool allMet = true;
    for (const Window &w : {off, on}) {
        const double percent = 100.0 * w.cpuSeconds / w.seconds;
        const double wakeups = double(w.switches) / w.seconds;
        text += QStringLiteral("| %1 | %2 | %3 % | %4 | %5 |\n")
                    .arg(w.name)
                    .arg(w.cpuSeconds * 1000, 0, 'f', 1)
                    .arg(percent, 0, 'f', 3)
                    .arg(wakeups, 0, 'f', 1)
                    .arg(w.busiestThread.isEmpty() ? QStringLiteral("-")
                                                   : QStringLiteral("%1 (%2)").arg(w.busiestThread).arg(w.busiestSeconds * 1000, 0, 'f', 0));
        const bool met = percent <= kIdleTargetPercent;
        allMet = allMet && met;
        summary += QStringLiteral("Idle CPU of the open wizard, %1\t%2 % of one core (%3 ms in %4 s, %5 wake-ups/s)\t"
                                  "~0 (<= %6 % of one core)\t%7\n")
                       .arg(w.name)
                       .arg(percent, 0, 'f', 3)
                       .arg(w.cpuSeconds * 1000, 0, 'f', 0)
                       .arg(w.seconds, 0, 'f', 0)
                       .arg(wakeups, 0, 'f', 1)
                       .arg(kIdleTargetPercent)
                       .arg(met ? QStringLiteral("yes") : QStringLiteral("no"));
    }
    text += QStringLiteral("\nPeak RSS of the wizard's process: %1 MiB.\n").arg(rssMiB, 0, 'f', 1);
    summary += QStringLiteral("Peak RSS of the open wizard (port page)\t%1 MiB\t-\t-\n").arg(rssMiB, 0, 'f', 1);

    std::fputs(text.toUtf8().constData(), stdout);
    if (!markdownFile.isEmpty()) {
        QFile file(markdownFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(text.toUtf8());
    }
    if (!summaryFile.isEmpty()) {
        QFile file(summaryFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(summary.toUtf8());
    }
    return 0;
}
