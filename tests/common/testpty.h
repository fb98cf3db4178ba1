#ifndef TESTPTY_H
#define TESTPTY_H

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal whose slave side the code under test opens by path, and
// whose master side the test plays. The test keeps a slave fd open itself:
// the master's reads fail with EIO while no slave is open.
class TestPty
{
public:
    TestPty()
    {
        int slave = -1;
        char name[128] = {};
        if (openpty(&m_master, &slave, name, nullptr, nullptr) == 0) {
            termios tio;
            tcgetattr(slave, &tio);
            cfmakeraw(&tio);
            tcsetattr(slave, TCSANOW, &tio);
            m_slave = slave;
            m_path = QString::fromLocal8Bit(name);
        }
    }
    ~TestPty()
    {
        stop();
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }
    TestPty(const TestPty &) = delete;
    TestPty &operator=(const TestPty &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString path() const { return m_path; }

    // Reads what arrives on the master side until `expected` bytes came or
    // the time is up.
    QByteArray readMaster(int expected, int timeoutMs)
    {
        QByteArray data;
        while (data.size() < expected) {
            pollfd p = {m_master, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0)
                break;
            char buf[512];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            data.append(buf, int(n));
        }
        return data;
    }

    void writeMaster(const QByteArray &data) { (void)!::write(m_master, data.constData(), size_t(data.size())); }

    // Answers every request of `requestSize` bytes with what `answer` returns,
    // on a thread of its own, until stop().
    void serve(int requestSize, std::function<QByteArray(const QByteArray &)> answer)
    {
        stop();
        m_running = true;
        m_thread = std::thread([this, requestSize, answer] {
            QByteArray pending;
            while (m_running) {
                pending += readMaster(requestSize - pending.size(), 20);
                if (pending.size() >= requestSize) {
                    writeMaster(answer(pending));
                    pending.clear();
                }
            }
        });
    }

    // The device goes away, as an adapter pulled out of its socket.
    void hangUp()
    {
        stop();
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
        m_master = m_slave = -1;
    }

    void stop()
    {
        m_running = false;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

#endif
