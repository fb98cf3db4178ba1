#include "qextserialenumerator.h"

#include "portnumbers.h"
#include "qextserial_platform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QFileInfo>
#include <QMetaMethod>
#include <QMutex>
#include <QSerialPortInfo>
#include <QSet>

namespace {

const int kDefaultPollMs = 750;
const QLatin1String kExtra("EXTRA");

QextPortInfo fromSystem(const QSerialPortInfo &info, const QString &enumeratorName)
{
    QextPortInfo port;
    port.portName = info.portName();
    port.physName = QextPlatform::devicePath(info);
    port.friendName = info.description();
    port.vendorID = info.vendorIdentifier();
    port.productID = info.productIdentifier();
    port.enumName = enumeratorName;
    return port;
}

QStringList extraPortPaths()
{
    const QString value = qEnvironmentVariable("KORVANE_EXTRA_PORTS");
    return value.split(QDir::listSeparator(), Qt::SkipEmptyParts);
}

} // namespace

QextSerialEnumerator::QextSerialEnumerator(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(kDefaultPollMs);
    connect(&m_timer, &QTimer::timeout, this, &QextSerialEnumerator::compareOnTimer);
}

QextSerialEnumerator::~QextSerialEnumerator() = default;

QList<QextPortInfo> QextSerialEnumerator::getPorts()
{
    QList<QextPortInfo> system;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    const QStringList enumerators = QextPlatform::enumeratorNames(infos);
    for (int i = 0; i < infos.size(); ++i)
        system.append(fromSystem(infos.at(i), enumerators.at(i)));
    const QList<QextPortInfo> ports = listPorts(system, extraPortPaths(), QextPlatform::portLocation);
    for (const QextPortInfo &port : ports)
        korvane::registerPortNumber(port.portName.toStdString(), port.physName.toStdString());
    return ports;
}

QList<QextPortInfo> QextSerialEnumerator::listPorts(const QList<QextPortInfo> &system, const QStringList &extraPaths,
                                                    const std::function<QString(const QString &)> &locate)
{
    QList<QextPortInfo> ports;
    QSet<QString> locations;
    for (const QextPortInfo &port : system) {
        // Opening a Bluetooth serial port connects to the device paired
        // with it, which takes long or never ends when it is out of reach:
        // such a port is asked only when named.
        if (port.enumName.startsWith(QLatin1String("BTH"), Qt::CaseInsensitive))
            continue;
        ports.append(port);
        locations.insert(locate(port.physName));
    }
    for (const QString &path : extraPaths) {
        const QString location = locate(path);
        // A path that names a port already listed is not listed twice.
        if (location.isEmpty() || locations.contains(location))
            continue;
        locations.insert(location);
        QextPortInfo port;
        port.portName = path;
        port.physName = path;
        port.enumName = kExtra;
        ports.append(port);
    }
    return ports;
}

void QextSerialEnumerator::adapterOf(const QString &port, QString *stablePath, QString *serialNumber)
{
    *stablePath = QextPlatform::stablePath(port);
    *serialNumber = adapterSerials({port}).value(port);
}

QHash<QString, QString> QextSerialEnumerator::adapterSerials(const QStringList &ports)
{
    // Reading the system's list costs some 6 ms of CPU; a batch starting
    // thirty-odd units, each asking on its own thread, would take a core
    // from the window for a fifth of a second. What was read within the
    // last second answers them all: no adapter is unplugged and another
    // plugged into the same place faster than that.
    static QMutex mutex;
    static QElapsedTimer readAt;
    static QHash<QString, QString> byLocation;
    QMutexLocker locker(&mutex);
    if (!readAt.isValid() || readAt.hasExpired(1000)) {
        byLocation.clear();
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
            const QString location = QextPlatform::portLocation(QextPlatform::devicePath(info));
            if (!location.isEmpty() && !byLocation.contains(location))
                byLocation.insert(location, info.serialNumber());
        }
        readAt.start();
    }
    QHash<QString, QString> serials;
    for (const QString &port : ports) {
        const QString serial = byLocation.value(QextPlatform::portLocation(port));
        if (!serial.isEmpty())
            serials.insert(port, serial);
    }
    return serials;
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
    if (watch && !m_watching)
        startWatching();
    else if (!watch && m_watching)
        stopWatching();
}

void QextSerialEnumerator::startWatching()
{
    m_watching = true;
    if (!m_monitorTried) {
        m_monitorTried = true;
        m_monitor = QextPlatform::createPortMonitor(this);
        if (m_monitor) {
            connect(m_monitor, &QextPlatform::PortMonitor::added, this, &QextSerialEnumerator::systemPortAdded);
            connect(m_monitor, &QextPlatform::PortMonitor::removed, this, &QextSerialEnumerator::systemPortRemoved);
        }
    }
    // Ports that came and went while nobody listened are not news.
    m_fingerprint = QextPlatform::portListFingerprint(extraPortPaths(), !m_monitor);
    m_known.clear();
    for (const QextPortInfo &port : getPorts())
        m_known.append({port, QextPlatform::deviceIdentity(port.physName)});
    if (m_monitor) {
        m_monitor->setActive(true);
        watchExtraFolders();
    } else {
        m_timer.start();
    }
}

void QextSerialEnumerator::stopWatching()
{
    m_watching = false;
    m_timer.stop();
    if (m_monitor)
        m_monitor->setActive(false);
    if (m_folders) {
        // Possibly inside its own signal: deleted once that has returned.
        m_folders->disconnect(this);
        m_folders->deleteLater();
        m_folders = nullptr;
    }
    m_known.clear();
    m_fingerprint.clear();
    // Notices not yet handed out stay with the listeners being served; no
    // new ones are taken.
}

void QextSerialEnumerator::watchExtraFolders()
{
    const QStringList paths = extraPortPaths();
    if (paths.isEmpty())
        return;
    QSet<QString> folders;
    bool folderMissing = false;
    for (const QString &path : paths) {
        const QFileInfo folder(QFileInfo(path).absolutePath());
        if (folder.isDir())
            folders.insert(folder.absoluteFilePath());
        else
            folderMissing = true;
    }
    m_folders = new QFileSystemWatcher(this);
    for (const QString &folder : folders) {
        if (!m_folders->addPath(folder))
            folderMissing = true;
    }
    connect(m_folders, &QFileSystemWatcher::directoryChanged, this,
            [this] { comparePorts(Scope::ExtraPorts); });
    // A folder that cannot be watched (not made yet) is looked at on the
    // timer, the cheap summary first.
    if (folderMissing)
        m_timer.start();
}

void QextSerialEnumerator::compareOnTimer()
{
    comparePorts(m_monitor ? Scope::ExtraPorts : Scope::AllPorts);
}

void QextSerialEnumerator::comparePorts(Scope scope)
{
    if (!m_watching)
        return;
    const QString fingerprint = QextPlatform::portListFingerprint(extraPortPaths(), scope == Scope::AllPorts);
    if (!fingerprint.isEmpty() && fingerprint == m_fingerprint)
        return;
    m_fingerprint = fingerprint;

    auto inScope = [scope](const QextPortInfo &port) {
        return scope == Scope::AllPorts || port.enumName == kExtra;
    };
    QList<KnownPort> now;
    for (const QextPortInfo &port : getPorts()) {
        if (inScope(port))
            now.append({port, QextPlatform::deviceIdentity(port.physName)});
    }
    QList<KnownPort> before;
    QList<KnownPort> kept;
    for (const KnownPort &known : qAsConst(m_known))
        (inScope(known.info) ? before : kept).append(known);
    m_known = kept + now;

    // A port under the same name but on another device was swapped between
    // two looks: it left, and another arrived.
    auto contains = [](const QList<KnownPort> &list, const KnownPort &port) {
        for (const KnownPort &p : list) {
            if (p.info.portName == port.info.portName && p.info.physName == port.info.physName
                && p.identity == port.identity)
                return true;
        }
        return false;
    };
    for (const KnownPort &port : qAsConst(before)) {
        if (!contains(now, port))
            announce(false, port.info);
    }
    for (const KnownPort &port : qAsConst(now)) {
        if (!contains(before, port))
            announce(true, port.info);
    }
}

void QextSerialEnumerator::systemPortAdded(const QString &devicePath)
{
    if (!m_watching)
        return;
    for (const QextPortInfo &port : getPorts()) {
        // Only what the port list holds is a port: a console or a pseudo-
        // terminal is a tty device too.
        if (port.enumName == kExtra || port.physName != devicePath)
            continue;
        // Already known, its removal went unseen: it is a new unit all the
        // same.
        systemPortRemoved(devicePath);
        m_known.append({port, QextPlatform::deviceIdentity(port.physName)});
        announce(true, port);
        return;
    }
}

void QextSerialEnumerator::systemPortRemoved(const QString &devicePath)
{
    if (!m_watching)
        return;
    for (int i = 0; i < m_known.size(); ++i) {
        const QextPortInfo port = m_known.at(i).info;
        if (port.enumName != kExtra && port.physName == devicePath) {
            m_known.removeAt(i);
            announce(false, port);
            return;
        }
    }
}

void QextSerialEnumerator::announce(bool arrival, const QextPortInfo &port)
{
    m_pending.append({arrival, port});
    // The slots may run nested event loops (probing a port), inside which
    // more notices come in: those wait their turn, so that every listener
    // sees removals and arrivals in the order they happened.
    if (m_announcing)
        return;
    m_announcing = true;
    while (!m_pending.isEmpty()) {
        const Notice notice = m_pending.takeFirst();
        if (notice.arrival)
            emit deviceDiscovered(notice.port);
        else
            emit deviceRemoved(notice.port);
    }
    m_announcing = false;
}
