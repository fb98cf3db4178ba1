#ifndef BLOCKINGCALL_H
#define BLOCKINGCALL_H

#include <QEventLoop>
#include <QFutureWatcher>
#include <QtConcurrent>

// Runs a blocking call (the bootloader library waits for its answers) on the
// thread pool and spins a local event loop meanwhile, so the window does not
// freeze for the call's time-outs. Returns the call's result.
template <typename Call>
auto runBlocking(Call call) -> decltype(call())
{
    QFutureWatcher<decltype(call())> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(call));
    if (!watcher.isFinished())
        loop.exec();
    return watcher.result();
}

// The same, except that the wait also ends when `stopper` emits `stopped`
// (the run was given up). The call then finishes alone: the future is
// returned as it is, finished or not.
template <typename Call, typename Sender, typename Signal>
auto runBlockingUntil(Call call, const Sender *stopper, Signal stopped) -> QFuture<decltype(call())>
{
    QFutureWatcher<decltype(call())> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    QObject::connect(stopper, stopped, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(call));
    if (!watcher.isFinished())
        loop.exec();
    return watcher.future();
}

#endif
