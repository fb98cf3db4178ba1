#include "qextserial_platform.h"

#include <QSocketNotifier>

#include <libudev.h>
#include <unistd.h>

namespace QextPlatform {

namespace {

// udev's announcements of tty devices, read off its netlink socket when the
// socket has something: nothing runs while no device comes or goes.
class UdevMonitor : public PortMonitor
{
public:
    UdevMonitor(udev *context, udev_monitor *monitor, QObject *parent)
        : PortMonitor(parent)
        , m_context(context)
        , m_monitor(monitor)
        , m_notifier(udev_monitor_get_fd(monitor), QSocketNotifier::Read)
    {
        m_notifier.setEnabled(false);
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { readEvents(true); });
    }

    ~UdevMonitor() override
    {
        m_notifier.setEnabled(false);
        udev_monitor_unref(m_monitor);
        udev_unref(m_context);
    }

    void setActive(bool active) override
    {
        // What queued up on the socket while inactive is stale.
        if (active && !m_notifier.isEnabled())
            readEvents(false);
        m_notifier.setEnabled(active);
    }

private:
    void readEvents(bool announce)
    {
        // The socket does not block: receiving ends when it is empty.
        while (udev_device *device = udev_monitor_receive_device(m_monitor)) {
            const char *action = udev_device_get_action(device);
            const char *node = udev_device_get_devnode(device);
            const QString path = node ? QString::fromLocal8Bit(node) : QString();
            const QByteArray what = action ? QByteArray(action) : QByteArray();
            udev_device_unref(device);
            // A slot may run a nested event loop and switch watching off;
            // whatever is still on the socket then waits, stale, for the
            // next activation.
            if (!announce || !m_notifier.isEnabled() || path.isEmpty())
                continue;
            if (what == "add")
                emit added(path);
            else if (what == "remove")
                emit removed(path);
        }
    }

    udev *m_context;
    udev_monitor *m_monitor;
    QSocketNotifier m_notifier;
};

bool udevIsRunning()
{
    // udev's daemon keeps this socket while it runs; a container has none
    // and no event would ever come. A umockdev test bed stands in for the
    // daemon and sends its events itself.
    return ::access("/run/udev/control", F_OK) == 0 || !qEnvironmentVariableIsEmpty("UMOCKDEV_DIR");
}

} // namespace

PortMonitor *createPortMonitor(QObject *parent)
{
    if (!udevIsRunning())
        return nullptr;
    udev *context = udev_new();
    if (!context)
        return nullptr;
    // "udev" rather than "kernel": the event comes once the device node
    // exists and udev has given it its group, so the port can be opened.
    udev_monitor *monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0
        || udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor)
            udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return new UdevMonitor(context, monitor, parent);
}

} // namespace QextPlatform
