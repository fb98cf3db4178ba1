#ifndef COMMUNICATION_H
#define COMMUNICATION_H

#include "korvanedevice.h"
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
    ~Communication() override;

    // The frames, complete with their CRC, exactly as they go on the wire.
    static const char *const kVersionRequest;
    static const char *const kSecondaryVersionRequest;
    static const char *const kRebootRequest;
    static const char *const kRebootEcho;
    static QByteArray secondaryRebootRequest();
    // Lengths of the two replies the wizard judges.
    static const int kVersionReplySize = 11;
    static const int kRebootEchoSize = 8;

    void requestVersion();
    void requestSecondaryVersion();
    bool rebootDevice();
    void rebootSecondaryUnit();

    // The fields of a version reply as the gripper sent them: the three type
    // bytes (NULs included) and the signed version bytes. False, with `out`
    // untouched, when the reply is too short or not slave 9 / function 3.
    struct VersionFields
    {
        QByteArray type;
        int major = 0;
        int minor = 0;
        int patch = 0;
    };
    static bool readVersionFields(const QByteArray &reply, VersionFields *out);

    // Leaves the four outputs untouched when the reply is not a version reply.
    static void decodeVersionReply(const QByteArray &reply, QString &typeCode, int &major, int &minor,
                                   int &patch);

    // The record at `index` of `devices` (the port page's "portIndex"), null
    // when the list has moved on and nothing is there.
    KorvaneDevice *deviceAt(int index) const;

    QList<KorvaneDevice *> devices;
    QextSerialEnumerator *enumerator;

    // Takes a record off the list (a lost port, a rescan, a record replaced)
    // without freeing it: a page may still point at it. Freed with this
    // object, as are the records still listed.
    void retire(KorvaneDevice *device);

private:
    QList<KorvaneDevice *> retired;

signals:
    void deviceDetected(KorvaneDevice *device);
    void deviceLost(KorvaneDevice *device);

public slots:
    // Virtual so that tests can count the hot-plug notices that reach it.
    virtual void handleNewDevice(QextPortInfo port);
    void handleLostDevice(QextPortInfo port);
    void setAutoDetectDisable(bool disabled);
    QStringList *generateDeviceList();
};

#endif
