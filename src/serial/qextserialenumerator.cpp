#include "qextserialenumerator.h"

#include "portnumbers.h"
#include "qextserial_platform.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaMethod>
#include <QSerialPortInfo>
#include <QSet>

namespace {

const int kDefaultPollMs = 750;

QextPortInfo fromSystem(const QSerialPortInfo &info)
{
    QextPortInfo port;
    port.portName = info.portName();
    port.physName = info.systemLocation();
    port.friendName = info.description();
    port.vendorID = info.vendorIdentifier();
    port.productID = info.productIdentifier();
    port.enumName = QextPlatform::enumeratorName(info);
    return port;
}

QStringList extraPortPaths()
{
    const QString value = qEnvironmentVariable("KORVANE_EXTRA_PORTS");
    return value.split(QDir::listSeparator(), Qt::SkipEmptyParts);
}

// Asking the system for its ports walks the whole device database: about
// 5 ms of CPU time on a Linux desktop, which at every poll kept an idle
// wizard at almost 1 % of a core. Where the kernel lists its serial devices
// as entries of one folder, that listing (with where the extra paths lead)
// changes whenever a port comes or goes, and costs a fraction of that. Empty
// where there is no such folder: the full list is then compared every time.
QString portListFingerprint()
{
    const QDir ttys(QStringLiteral("/sys/class/tty"));
    if (!ttys.exists())
        return QString();
    QStringList parts = ttys.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                                       QDir::Name);
    for (const QString &path : extraPortPaths())
        parts.append(QLatin1Char('+') + QFileInfo(path).canonicalFilePath());
    return parts.join(QLatin1Char('\n'));
}

bool samePorts(const QextPortInfo &a, const QextPortInfo &b)
{
    return a.portName == b.portName && a.physName == b.physName;
}

bool containsPort(const QList<QextPortInfo> &list, const QextPortInfo &port)
{
    for (const QextPortInfo &p : list) {
        if (samePorts(p, port))
            return true;
    }
    return false;
}

} // namespace

QextSerialEnumerator::QextSerialEnumerator(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(kDefaultPollMs);
    connect(&m_timer, &QTimer::timeout, this, &QextSerialEnumerator::comparePorts);
}

QList<QextPortInfo> QextSerialEnumerator::getPorts()
{
    QList<QextPortInfo> ports;
    QSet<QString> locations;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        ports.append(fromSystem(info));
        locations.insert(QFileInfo(info.systemLocation()).canonicalFilePath());
    }
    for (const QString &path : extraPortPaths()) {
        const QFileInfo file(path);
        // A path that names a port already listed is not listed twice.
        if (!file.exists() || locations.contains(file.canonicalFilePath()))
            continue;
        locations.insert(file.canonicalFilePath());
        QextPortInfo port;
        port.portName = path;
        port.physName = path;
        port.enumName = QStringLiteral("EXTRA");
        ports.append(port);
    }
    for (const QextPortInfo &port : ports)
        korvane::registerPortNumber(port.portName.toStdString(), port.physName.toStdString());
    return ports;
}

void QextSerialEnumerator::setUpNotifications()
{
    m_notificationsSetUp = true;
    updateWatching();
}

void QextSerialEnumerator::setPollInterval(int msec)
{
    m_timer.setInterval(msec);
}

void QextSerialEnumerator::connectNotify(const QMetaMethod &)
{
    updateWatching();
}

void QextSerialEnumerator::disconnectNotify(const QMetaMethod &)
{
    // Called from within disconnect(); the receiver count is final only after.
    QMetaObject::invokeMethod(this, &QextSerialEnumerator::updateWatching, Qt::QueuedConnection);
}

void QextSerialEnumerator::updateWatching()
{
    const bool listened = isSignalConnected(QMetaMethod::fromSignal(&QextSerialEnumerator::deviceDiscovered))
                          || isSignalConnected(QMetaMethod::fromSignal(&QextSerialEnumerator::deviceRemoved));
    const bool watch = m_notificationsSetUp && listened;
    if (watch && !m_timer.isActive()) {
        // Ports that came and went while nobody listened are not news.
        m_fingerprint = portListFingerprint();
        m_known = getPorts();
        m_timer.start();
    } else if (!watch && m_timer.isActive()) {
        m_timer.stop();
        m_known.clear();
        m_fingerprint.clear();
    }
}

void QextSerialEnumerator::comparePorts()
{
    const QString fingerprint = portListFingerprint();
    if (!fingerprint.isEmpty() && fingerprint == m_fingerprint)
        return;
    m_fingerprint = fingerprint;
    const QList<QextPortInfo> now = getPorts();
    const QList<QextPortInfo> before = m_known;
    m_known = now;
    // The slots may run nested event loops (probing a port); the lists are
    // copies, so a second comparison inside them cannot upset this one.
    for (const QextPortInfo &port : before) {
        if (!containsPort(now, port))
            emit deviceRemoved(port);
    }
    for (const QextPortInfo &port : now) {
        if (!containsPort(before, port))
            emit deviceDiscovered(port);
    }
}
