#ifndef QEXTSERIALENUMERATOR_H
#define QEXTSERIALENUMERATOR_H

#include "qextportinfo.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

class QFileSystemWatcher;

namespace QextPlatform {
class PortMonitor;
}

// Lists serial ports and reports arrivals and removals, once notifications
// are set up and only while somebody listens. Where the system announces its
// serial devices (udev), its notices are passed on in their order, so a unit
// swapped for another under the same name is a removal and an arrival. Where
// it does not, the list is taken again on a slow timer and compared; each
// tick first looks at a cheap summary of the ports and takes the full list
// only when that changed.
//
// Besides the system's ports, every existing path named in the environment
// variable KORVANE_EXTRA_PORTS (separated like PATH) is listed as a port whose
// name is that path: simulated grippers and serial bridges come in that way.
// The system says nothing of those; their folders are watched instead.
class QextSerialEnumerator : public QObject
{
    Q_OBJECT

public:
    explicit QextSerialEnumerator(QObject *parent = nullptr);
    ~QextSerialEnumerator() override;

    static QList<QextPortInfo> getPorts();
    // The list getPorts() makes of the system's ports and the paths named,
    // `locate` telling which name a port is under (QextPlatform::portLocation).
    // A Bluetooth serial port (its enumerator "BTHENUM" on Windows) is in it
    // only when named.
    static QList<QextPortInfo> listPorts(const QList<QextPortInfo> &system, const QStringList &extraPaths,
                                         const std::function<QString(const QString &)> &locate);

    // Who the adapter behind a port is, for a record that must find it
    // again: its stable path and its USB serial number, each empty where
    // the system does not know it.
    static void adapterOf(const QString &port, QString *stablePath, QString *serialNumber);
    // The USB serial numbers of the adapters behind several ports (port ->
    // number, ports without one left out), the system's list read once.
    static QHash<QString, QString> adapterSerials(const QStringList &ports);

    void setUpNotifications();
    // How often the port list is compared while somebody listens, where
    // nothing announces changes.
    void setPollInterval(int msec);

signals:
    void deviceDiscovered(const QextPortInfo &info);
    void deviceRemoved(const QextPortInfo &info);

protected:
    void connectNotify(const QMetaMethod &signal) override;
    void disconnectNotify(const QMetaMethod &signal) override;

private:
    struct KnownPort
    {
        QextPortInfo info;
        QString identity;
    };
    struct Notice
    {
        bool arrival;
        QextPortInfo port;
    };
    enum class Scope { AllPorts, ExtraPorts };

    void updateWatching();
    void startWatching();
    void stopWatching();
    void watchExtraFolders();
    void compareOnTimer();
    void comparePorts(Scope scope);
    void systemPortAdded(const QString &devicePath);
    void systemPortRemoved(const QString &devicePath);
    void announce(bool arrival, const QextPortInfo &port);

    QTimer m_timer;
    QextPlatform::PortMonitor *m_monitor = nullptr;
    bool m_monitorTried = false;
    QFileSystemWatcher *m_folders = nullptr;
    bool m_watching = false;
    QList<KnownPort> m_known;
    // Cheap summary of the compared ports at the last comparison.
    QString m_fingerprint;
    QList<Notice> m_pending;
    bool m_announcing = false;
    bool m_notificationsSetUp = false;
};

#endif
