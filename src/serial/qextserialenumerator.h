#ifndef QEXTSERIALENUMERATOR_H
#define QEXTSERIALENUMERATOR_H

#include "qextportinfo.h"

#include <QList>
#include <QObject>
#include <QTimer>

// Lists serial ports and reports arrivals and removals. The system gives no
// notice of its own here, so once notifications are set up the list is taken
// again on a slow timer and compared, and only while somebody listens. Each
// tick first looks at a cheap summary of the ports and takes the full list
// only when that changed.
//
// Besides the system's ports, every existing path named in the environment
// variable KORVANE_EXTRA_PORTS (separated like PATH) is listed as a port whose
// name is that path: simulated grippers and serial bridges come in that way.
class QextSerialEnumerator : public QObject
{
    Q_OBJECT

public:
    explicit QextSerialEnumerator(QObject *parent = nullptr);

    static QList<QextPortInfo> getPorts();

    void setUpNotifications();
    // How often the port list is compared while somebody listens.
    void setPollInterval(int msec);

signals:
    void deviceDiscovered(const QextPortInfo &info);
    void deviceRemoved(const QextPortInfo &info);

protected:
    void connectNotify(const QMetaMethod &signal) override;
    void disconnectNotify(const QMetaMethod &signal) override;

private:
    void updateWatching();
    void comparePorts();

    QTimer m_timer;
    QList<QextPortInfo> m_known;
    // Cheap summary of the port list at the last comparison.
    QString m_fingerprint;
    bool m_notificationsSetUp = false;
};

#endif
