// bench_station [UNITS] [IDLE_SECONDS]: the station's window offscreen, as a
// technician uses it, against simulated grippers on a paced line (115200 baud,
// 8E1 wire time, flash erase and programming times). Prints a Markdown table.
//
// - The window in automatic mode with nothing plugged in: CPU time and
//   wake-ups over IDLE_SECONDS (default 20). Measured first, while no
//   simulator shares the process.
// - One GC3 updated alone, then UNITS (default 8) at once, each from "Update
//   all" until the window is no longer busy and every row has ended.
// - The longest GUI stall over the UNITS run: a 5 ms timer on the GUI thread,
//   the longest gap between its ticks less the interval; and the most CPU
//   the GUI thread itself used between two ticks, which a busy machine does
//   not lengthen.

#include "eventwait.h"
#include "gripper_sim.h"
#include "procstats.h"
#include "stationwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <time.h>
#include <vector>

namespace sim = korvane::sim;
using namespace std::chrono_literals;

namespace {

const int kTickMs = 5;

struct Grippers
{
    std::vector<std::unique_ptr<sim::Gripper>> units;
    QStringList paths;
};

Grippers make(const QTemporaryDir &dir, const QString &prefix, int count)
{
    Grippers made;
    for (int i = 0; i < count; ++i) {
        sim::GripperConfig config;
        config.kind = sim::Kind::GC;
        config.version = {1, 6, 8};
        config.pacing.enabled = true;
        config.publishPath = dir.filePath(QStringLiteral("%1%2").arg(prefix).arg(i)).toStdString();
        made.units.push_back(std::make_unique<sim::Gripper>(config));
        made.units.back()->waitForState(sim::State::Firmware, 5s);
        made.paths.append(QString::fromStdString(config.publishPath));
    }
    return made;
}

// The longest a tick of a 5 ms timer on the GUI thread came late.
class StallMeter
{
public:
    StallMeter()
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(kTickMs);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            const qint64 cpu = threadCpuNs();
            longestMs = std::max(longestMs, double(now - last) / 1e6 - kTickMs);
            longestBusyMs = std::max(longestBusyMs, double(cpu - lastCpu) / 1e6);
            last = now;
            lastCpu = cpu;
            ++ticks;
        });
    }
    void start()
    {
        clock.start();
        last = 0;
        lastCpu = threadCpuNs();
        timer.start();
    }
    void stop() { timer.stop(); }

    double longestMs = 0;
    // The most CPU the GUI thread itself used between two ticks: the part of
    // a stall that is the window's own work, not a wait for a core.
    double longestBusyMs = 0;
    long ticks = 0;

private:
    static qint64 threadCpuNs()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }

    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 lastCpu = 0;
};

struct Run
{
    double seconds = -1;
    double stallMs = 0;
    double busyMs = 0;
    long ticks = 0;
};

void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// From "Update all" until the window is idle and every unit's row has ended
// with the new version on the unit.
Run updateAll(const Grippers &grippers)
{
    qputenv("KORVANE_EXTRA_PORTS", grippers.paths.join(QLatin1Char(':')).toLocal8Bit());
    StationWindow window;
    window.show();
    // Shown and painted before the click, as a technician finds it: the
    // window's first paint is not the update's.
    runEventLoopFor(500);
    QSet<QString> ended;
    QObject::connect(&window, &StationWindow::unitEnded, [&ended](const QString &port) { ended.insert(port); });
    StallMeter meter;
    Run run;
    QElapsedTimer clock;
    meter.start();
    clock.start();
    window.updateAll();
    const bool done = waitFor(
        [&] {
            return !window.isBusy() && std::all_of(grippers.paths.begin(), grippers.paths.end(),
                                                    [&ended](const QString &port) { return ended.contains(port); });
        },
        600000);
    const double seconds = clock.nsecsElapsed() / 1e9;
    meter.stop();
    run.stallMs = meter.longestMs;
    run.busyMs = meter.longestBusyMs;
    run.ticks = meter.ticks;
    if (!done) {
        std::fprintf(stderr, "%d unit(s): not every row ended within 600 s\n", int(grippers.paths.size()));
        return run;
    }
    for (int i = 0; i < int(grippers.units.size()); ++i) {
        if (!(grippers.units[size_t(i)]->status().unit.version == sim::Version{1, 6, 9})) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(grippers.paths[i]),
                         qPrintable(window.cell(grippers.paths[i], StationModel::ResultColumn)));
            return run;
        }
    }
    run.seconds = seconds;
    return run;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The report goes to a scratch place, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    const int units = argc > 1 ? std::atoi(argv[1]) : 8;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 20;
    QTemporaryDir dir;
    std::printf("| metric | measured | target | met? |\n|---|---|---|---|\n");

    {
        qputenv("KORVANE_EXTRA_PORTS", QByteArray());
        StationWindow window;
        window.show();
        window.findChild<QCheckBox *>(QStringLiteral("automatic"))->setChecked(true);
        // Past start-up, which is not idle.
        runEventLoopFor(2000);
        const double cpuBefore = cpuSeconds();
        const long switchesBefore = contextSwitches(QCoreApplication::applicationPid());
        QElapsedTimer clock;
        clock.start();
        runEventLoopFor(idleSeconds * 1000);
        const double wall = clock.nsecsElapsed() / 1e9;
        const double ms = (cpuSeconds() - cpuBefore) * 1000;
        const long switches = contextSwitches(QCoreApplication::applicationPid()) - switchesBefore;
        const double share = ms / (wall * 10.0);
        std::printf("| station window in automatic mode, nothing plugged in: CPU over %d s | %.3f %% of one core "
                    "(%.0f ms, %.1f wake-ups/s) | ~0 (<= 0.1 %% of one core) | %s |\n",
                    idleSeconds, share, ms, double(switches) / wall, share <= 0.1 ? "yes" : "no");
        std::fflush(stdout);
    }

    Run alone;
    {
        const Grippers one = make(dir, QStringLiteral("alone"), 1);
        alone = updateAll(one);
    }
    Run together;
    {
        const Grippers many = make(dir, QStringLiteral("many"), units);
        together = updateAll(many);
    }
    if (alone.seconds < 0 || together.seconds < 0)
        return 1;
    const double ratio = together.seconds / alone.seconds;
    std::printf("| station window: %d GC3 grippers updated at once vs one alone, paced line, \"Update all\" to every "
                "row ended | %.1f s vs %.1f s = %.3f x | <= 1.10 x | %s |\n",
                units, together.seconds, alone.seconds, ratio, ratio <= 1.10 ? "yes" : "no");
    std::printf("| station window: longest GUI stall over the %d-unit update (5 ms timer, %ld ticks; one unit "
                "alone: %.1f ms) | %.1f ms | <= 30 ms | %s |\n",
                units, together.ticks, alone.stallMs, together.stallMs, together.stallMs <= 30 ? "yes" : "no");
    std::printf("| station window: most CPU the GUI thread used between two ticks over the %d-unit update (one unit "
                "alone: %.1f ms) | %.1f ms | - | - |\n",
                units, alone.busyMs, together.busyMs);
    return 0;
}
