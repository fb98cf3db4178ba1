// Before any Qt header: GLib names struct members "signals", which Qt
// defines as a keyword.
#include <umockdev.h>

#include "qextserialenumerator.h"

#include <QFileInfo>
#include <QtTest>

namespace {

// Records what the enumerator announces, in order: "+name" for an arrival,
// "-name" for a removal.
class NoticeLog : public QObject
{
public:
    explicit NoticeLog(QextSerialEnumerator &enumerator)
    {
        connect(&enumerator, &QextSerialEnumerator::deviceDiscovered, this,
                [this](const QextPortInfo &port) { entries.append(QLatin1Char('+') + port.portName); ports.append(port); });
        connect(&enumerator, &QextSerialEnumerator::deviceRemoved, this,
                [this](const QextPortInfo &port) { entries.append(QLatin1Char('-') + port.portName); });
    }
    QStringList entries;
    QList<QextPortInfo> ports;
};

} // namespace

// USB serial adapters as udev announces them, on a sysfs mocked by umockdev
// (CTest runs this under umockdev-wrapper). The enumerator listens to udev
// and never polls, so every notice here comes from a uevent.
class TestHotplugUdev : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void adapterPluggedPulledAndSwapped();
    void removalDuringAProbeComesAfterIt();
    void noticesWhileNobodyListensAreNotReplayed();

private:
    QString addAdapter(const char *name, int minor, const char *productId);
    void removeAdapter(const QString &sysfsPath);

    UMockdevTestbed *testbed = nullptr;
};

void TestHotplugUdev::initTestCase()
{
    // umockdev_in_mock_environment() says no even under the wrapper here.
    // Without it, udev would be the machine's: fail rather than pass unseen.
    if (!qgetenv("LD_PRELOAD").contains("umockdev-preload"))
        QFAIL("needs umockdev-wrapper: run it through CTest (ctest -R tst_hotplug_udev)");
    // Polling would find these ports too: an hour between looks leaves udev
    // as the only way in.
    qputenv("KORVANE_EXTRA_PORTS", QByteArray());
}

void TestHotplugUdev::init()
{
    testbed = umockdev_testbed_new();
    QVERIFY(testbed);
}

void TestHotplugUdev::cleanup()
{
    g_object_unref(testbed);
    testbed = nullptr;
}

QString TestHotplugUdev::addAdapter(const char *name, int minor, const char *productId)
{
    const QByteArray usbName = QByteArray("1-") + QByteArray::number(minor + 1);
    gchar *usb = umockdev_testbed_add_device(testbed, "usb", usbName.constData(), nullptr,
                                             "idVendor", "0403", "idProduct", productId, nullptr,
                                             "ID_VENDOR_ID", "0403", "ID_MODEL_ID", productId, nullptr);
    const QByteArray dev = "188:" + QByteArray::number(minor);
    const QByteArray node = QByteArray("/dev/") + name;
    gchar *tty = umockdev_testbed_add_device(testbed, "tty", name, usb, "dev", dev.constData(), nullptr,
                                             "DEVNAME", node.constData(), "ID_VENDOR_ID", "0403",
                                             "ID_MODEL_ID", productId, "ID_MODEL", "USB_Serial", nullptr);
    // Adding a device announces it ("add").
    const QString path = QString::fromUtf8(tty);
    g_free(usb);
    g_free(tty);
    return path;
}

void TestHotplugUdev::removeAdapter(const QString &sysfsPath)
{
    // The tty device, then the USB device it hangs from, as the kernel does.
    const QByteArray tty = sysfsPath.toUtf8();
    const QByteArray usb = QFileInfo(sysfsPath).path().toUtf8();
    umockdev_testbed_uevent(testbed, tty.constData(), "remove");
    umockdev_testbed_remove_device(testbed, tty.constData());
    umockdev_testbed_uevent(testbed, usb.constData(), "remove");
    umockdev_testbed_remove_device(testbed, usb.constData());
}

void TestHotplugUdev::adapterPluggedPulledAndSwapped()
{
    QextSerialEnumerator enumerator;
    enumerator.setPollInterval(3600 * 1000);
    enumerator.setUpNotifications();
    NoticeLog log(enumerator);

    // A virtual console is a tty device without a parent, as a pseudo-
    // terminal is: no serial port.
    g_free(umockdev_testbed_add_device(testbed, "tty", "tty5", nullptr, "dev", "4:5", nullptr, "DEVNAME", "/dev/tty5",
                                       nullptr));
    const QString first = addAdapter("ttyUSB0", 0, "6001");
    QTRY_COMPARE(log.entries, QStringList{QStringLiteral("+ttyUSB0")});
    const QextPortInfo port = log.ports.first();
    QCOMPARE(port.physName, QStringLiteral("/dev/ttyUSB0"));
    // A USB adapter is probed; only the machine's own UARTs are not.
    QCOMPARE(port.enumName, QStringLiteral("USB"));
    QCOMPARE(port.vendorID, 0x0403);

    // One unit of a batch pulled and the next plugged into the same socket:
    // the same name, within a few milliseconds, before anything is looked at.
    removeAdapter(first);
    addAdapter("ttyUSB0", 0, "6015");
    QTRY_COMPARE(log.entries, (QStringList{"+ttyUSB0", "-ttyUSB0", "+ttyUSB0"}));
    QCOMPARE(log.ports.last().productID, 0x6015);
    QTest::qWait(100);
    QCOMPARE(log.entries.size(), 3);
}

void TestHotplugUdev::removalDuringAProbeComesAfterIt()
{
    QextSerialEnumerator enumerator;
    enumerator.setUpNotifications();
    QStringList steps;
    QString adapter;
    // Identification probes an arriving port inside the arrival's slot,
    // waiting in a nested event loop; the adapter is pulled meanwhile.
    connect(&enumerator, &QextSerialEnumerator::deviceDiscovered, this, [&](const QextPortInfo &port) {
        steps.append(QStringLiteral("probe ") + port.portName);
        removeAdapter(adapter);
        QEventLoop wait;
        QTimer::singleShot(200, &wait, &QEventLoop::quit);
        wait.exec();
        steps.append(QStringLiteral("probed ") + port.portName);
    });
    connect(&enumerator, &QextSerialEnumerator::deviceRemoved, this,
            [&](const QextPortInfo &port) { steps.append(QStringLiteral("lost ") + port.portName); });

    adapter = addAdapter("ttyUSB0", 0, "6001");
    // The removal waits for the probe: a record the probe makes is then
    // taken away again, rather than outlive its port.
    QTRY_COMPARE(steps, (QStringList{QStringLiteral("probe ttyUSB0"), QStringLiteral("probed ttyUSB0"),
                                     QStringLiteral("lost ttyUSB0")}));
}

void TestHotplugUdev::noticesWhileNobodyListensAreNotReplayed()
{
    QextSerialEnumerator enumerator;
    enumerator.setUpNotifications();
    {
        NoticeLog early(enumerator);
        QTest::qWait(50);
    }
    QTest::qWait(50);
    // Plugged in while nobody listened: already there, not news, once
    // somebody listens again.
    addAdapter("ttyUSB1", 1, "6001");
    const QString gone = addAdapter("ttyUSB3", 3, "6001");
    removeAdapter(gone);
    QTest::qWait(100);

    NoticeLog log(enumerator);
    addAdapter("ttyUSB2", 2, "6001");
    QTRY_COMPARE(log.entries, QStringList{QStringLiteral("+ttyUSB2")});
    QTest::qWait(100);
    QCOMPARE(log.entries, QStringList{QStringLiteral("+ttyUSB2")});
}

QTEST_GUILESS_MAIN(TestHotplugUdev)
#include "tst_hotplug_udev.moc"
