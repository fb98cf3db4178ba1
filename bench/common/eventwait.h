#ifndef BENCH_EVENTWAIT_H
#define BENCH_EVENTWAIT_H

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <functional>

// An event loop that checks the condition every few milliseconds: unlike
// QTest::qWaitFor it never sleeps, which would show up as a stall itself.
inline bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (condition())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return condition();
}

#endif
