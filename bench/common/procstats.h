// What the kernel counts for a process, read from /proc: for the idle
// benchmarks, which judge a program by how rarely it wakes.
#ifndef KORVANE_BENCH_PROCSTATS_H
#define KORVANE_BENCH_PROCSTATS_H

#include <QDir>
#include <QFile>
#include <QString>

// Voluntary and involuntary context switches of every thread of process
// `pid`.
inline long contextSwitches(qint64 pid)
{
    long total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task) + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLong();
        }
    }
    return total;
}

#endif
