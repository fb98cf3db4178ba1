// bench_flash [UNITS] [IDLE_SECONDS]: korvane-flash run as a user runs it,
// against simulated grippers on a paced line (115200 baud, 8E1 wire time,
// flash erase and programming times). Prints a Markdown table.
//
// - One GC3 updated alone, then UNITS (default 8) at once, in the same run:
//   the wall time of the whole program each time.
// - list over UNITS silent ports: the whole program, best and worst of three.
// - watch with nothing plugged in: CPU time and wake-ups over IDLE_SECONDS
//   (default 20), and the peak resident memory.

#include "gripper_sim.h"
#include "procstats.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <sys/resource.h>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace sim = korvane::sim;
using namespace std::chrono_literals;

namespace {

struct Grippers
{
    std::vector<std::unique_ptr<sim::Gripper>> units;
    QStringList paths;
};

Grippers make(const QTemporaryDir &dir, const QString &prefix, int count, sim::Kind kind)
{
    Grippers made;
    for (int i = 0; i < count; ++i) {
        sim::GripperConfig config;
        config.kind = kind;
        config.pacing.enabled = true;
        config.publishPath = dir.filePath(QStringLiteral("%1%2").arg(prefix).arg(i)).toStdString();
        made.units.push_back(std::make_unique<sim::Gripper>(config));
        if (kind != sim::Kind::Silent)
            made.units.back()->waitForState(sim::State::Firmware, 5s);
        made.paths.append(QString::fromStdString(config.publishPath));
    }
    return made;
}

// Wall time of one whole run of the program, -1 when it did not succeed.
double timedRun(const QStringList &ports, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_EXTRA_PORTS"), ports.join(QLatin1Char(':')));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(KORVANE_FLASH_PROGRAM), arguments);
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        std::fprintf(stderr, "korvane-flash %s failed:\n%s\n", qPrintable(arguments.join(QLatin1Char(' '))),
                     process.readAllStandardOutput().constData());
        return -1;
    }
    return clock.nsecsElapsed() / 1e9;
}

bool updatedAll(const Grippers &grippers)
{
    for (const auto &g : grippers.units) {
        if (!(g->status().unit.version == sim::Version{1, 6, 9}))
            return false;
    }
    return true;
}

// utime + stime of every thread, in clock ticks.
long cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which may hold spaces.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLong() + fields.value(12).toLong();
}

QByteArray statusField(qint64 pid, const char *name)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return QByteArray();
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(line.indexOf(':') + 1).trimmed();
    }
    return QByteArray();
}

double seconds(const rusage &usage)
{
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Of the programs run and waited for so far.
double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return seconds(usage);
}

double selfCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int units = argc > 1 ? std::atoi(argv[1]) : 8;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 20;
    QTemporaryDir dir;
    std::printf("| metric | measured | target | met? |\n|---|---|---|---|\n");

    double alone = -1;
    {
        const Grippers one = make(dir, QStringLiteral("alone"), 1, sim::Kind::GC);
        alone = timedRun(one.paths, {QStringLiteral("update"), one.paths.first()});
        if (!updatedAll(one))
            alone = -1;
    }
    double together = -1;
    const double childBefore = childCpuSeconds();
    const double selfBefore = selfCpuSeconds();
    {
        const Grippers many = make(dir, QStringLiteral("many"), units, sim::Kind::GC);
        together = timedRun(many.paths, QStringList{QStringLiteral("update")} + many.paths);
        if (!updatedAll(many))
            together = -1;
    }
    const double flashCpu = childCpuSeconds() - childBefore;
    const double gripperCpu = selfCpuSeconds() - selfBefore;
    if (alone < 0 || together < 0)
        return 1;
    const double ratio = together / alone;
    std::printf("| %d GC3 grippers updated at once vs one alone, paced line, whole program | %.1f s vs %.1f s = %.3f x "
                "| <= 1.10 x | %s |\n",
                units, together, alone, ratio, ratio <= 1.10 ? "yes" : "no");
    std::printf("| CPU over the %d-unit run: korvane-flash / the simulated grippers | %.2f s (%.0f ms a unit) / %.2f s "
                "| - | - |\n",
                units, flashCpu, flashCpu * 1000 / units, gripperCpu);

    {
        const Grippers silent = make(dir, QStringLiteral("silent"), units, sim::Kind::Silent);
        double best = 1e9;
        double worst = 0;
        for (int i = 0; i < 3; ++i) {
            const double t = timedRun(silent.paths, {QStringLiteral("list")});
            if (t < 0)
                return 1;
            best = std::min(best, t);
            worst = std::max(worst, t);
        }
        std::printf("| list over %d silent ports, whole program (best / worst of 3) | %.2f s / %.2f s | <= 1.3 s | %s |\n",
                    units, best, worst, worst <= 1.3 ? "yes" : "no");
    }

    QProcess watch;
    watch.start(QStringLiteral(KORVANE_FLASH_PROGRAM), {QStringLiteral("watch")});
    if (!watch.waitForStarted())
        return 1;
    // Past start-up, which is not idle.
    QThread::sleep(2);
    const qint64 pid = watch.processId();
    const long ticksBefore = cpuTicks(pid);
    const long switchesBefore = contextSwitches(pid);
    QThread::sleep(idleSeconds);
    const long ticks = cpuTicks(pid) - ticksBefore;
    const long switches = contextSwitches(pid) - switchesBefore;
    const QByteArray peak = statusField(pid, "VmHWM:");
    ::kill(pid, SIGINT);
    watch.waitForFinished(10000);
    const double ms = ticks * 1000.0 / sysconf(_SC_CLK_TCK);
    std::printf("| watch with nothing plugged in: CPU over %d s | %.3f %% of one core (%.0f ms, %.1f wake-ups/s) | ~0 "
                "(<= 0.1 %% of one core) | %s |\n",
                idleSeconds, ms / (idleSeconds * 10.0), ms, double(switches) / idleSeconds,
                ms / (idleSeconds * 10.0) <= 0.1 ? "yes" : "no");
    std::printf("| watch with nothing plugged in: peak RSS | %s | - | - |\n", peak.constData());
    return 0;
}
