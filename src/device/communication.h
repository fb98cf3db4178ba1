#ifndef COMMUNICATION_H
#define COMMUNICATION_H

#include "korvanedevice.h"
#include "modbusframes.h"
#include "qextportinfo.h"
#include "qextserialenumerator.h"
#include "qextserialport.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// The wizard's one serial port, the list of devices found, and the Modbus
// exchanges with a gripper's running firmware (slave 9). The pages set the
// port's name and settings and open and close it around each exchange; the
// exchanges here never open or close it.
class Communication : public QextSerialPort
{
    Q_OBJECT

public:
    explicit Communication(QObject *parent = nullptr);
    // Frees every record it ever listed.
    ~Communication() override;

    // The frames under the names the device link's users know them by; the
    // bytes themselves live in modbusframes.h.
    static const char *const kVersionRequest;
    static const char *const kSecondaryVersionRequest;
    static const char *const kRebootRequest;
    static const char *const kRebootEcho;
    static QByteArray secondaryRebootRequest() { return ModbusFrames::secondaryRebootRequest(); }
    static const int kVersionReplySize = ModbusFrames::kVersionReplySize;
    static const int kRebootEchoSize = ModbusFrames::kRebootEchoSize;

    void requestVersion();
    void requestSecondaryVersion();
    bool rebootDevice();
    void rebootSecondaryUnit();

    // Leaves the four outputs untouched when the reply is not a version reply.
    static void decodeVersionReply(const QByteArray &reply, QString &typeCode, int &major, int &minor,
                                   int &patch);

    // The record at `index` of `devices` (the port page's "portIndex"), null
    // when the list has moved on and nothing is there.
    KorvaneDevice *deviceAt(int index) const;

    QList<KorvaneDevice *> devices;
    QextSerialEnumerator *enumerator;

    // Takes a record off the list without freeing it: a page may still hold
    // it for the run under way (a rescan, a lost port, the port page's
    // Reboot all replace records). It is freed with this object.
    void retire(KorvaneDevice *record);

signals:
    void deviceDetected(KorvaneDevice *device);
    void deviceLost(KorvaneDevice *device);

public slots:
    // Virtual so that tests can count the hot-plug notices that reach it.
    virtual void handleNewDevice(QextPortInfo port);
    void handleLostDevice(QextPortInfo port);
    void setAutoDetectDisable(bool disabled);
    QStringList *generateDeviceList();

private:
    QList<KorvaneDevice *> retired;
};

#endif
