#include "communication.h"
#include "modbuscrc.h"
#include "testpty.h"

#include <QtTest>

// Confirming a reboot: only the exact echo counts. Decoding a version reply is
// the fuzz_versionreply harness's and identification's; the stored frames'
// CRCs are checked by the simulator, which answers no frame whose CRC is
// wrong, in every run against it.
class TestModbusExchanges : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rebootDevice_data();
    void rebootDevice();
};

namespace {

// 1 confirmed, 0 not, -1 the port would not open.
int askReboot(const QString &port)
{
    Communication comm;
    comm.setPortName(port); // 115200 8N1, no flow control: the port's defaults
    if (!comm.open(QIODevice::ReadWrite))
        return -1;
    const bool confirmed = comm.rebootDevice();
    comm.close();
    return confirmed ? 1 : 0;
}

} // namespace

// A process's first exchange loads the serial code from disk: on a loaded
// machine that alone can outlast the 50 ms an echo is given. One exchange,
// not judged, before those that are.
void TestModbusExchanges::initTestCase()
{
    TestPty pty;
    QVERIFY(pty.isValid());
    pty.serve(11, [](const QByteArray &) { return QByteArray::fromHex(Communication::kRebootEcho); });
    QVERIFY(askReboot(pty.path()) >= 0);
}

void TestModbusExchanges::rebootDevice_data()
{
    const QByteArray echo = QByteArray::fromHex(Communication::kRebootEcho);
    QByteArray changed = echo;
    changed[4] = 0x01;
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("splitAt");
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("exact echo") << echo << 0 << true;
    // An adapter may deliver the echo in two USB packets.
    QTest::newRow("echo in two pieces") << echo << 3 << true;
    QTest::newRow("seven bytes") << echo.left(7) << 0 << false;
    QTest::newRow("one byte different") << changed << 0 << false;
    QTest::newRow("echo and more") << echo + QByteArray::fromHex("09") << 0 << false;
    QTest::newRow("exception response") << withCrc(QByteArray::fromHex("099002")) << 0 << false;
    QTest::newRow("silence") << QByteArray() << 0 << false;
}

void TestModbusExchanges::rebootDevice()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, splitAt);
    QFETCH(bool, confirmed);
    TestPty pty;
    QVERIFY(pty.isValid());
    QByteArray seen;
    pty.serve(11, [&](const QByteArray &request) {
        seen = request;
        if (splitAt == 0)
            return answer;
        pty.writeMaster(answer.left(splitAt));
        QThread::msleep(10);
        return answer.mid(splitAt);
    });

    int result = askReboot(pty.path());
    // The peer is a thread of this process: on a loaded machine it may miss
    // the 50 ms itself. An echo that should confirm gets a second exchange;
    // one the parser wrongly refuses is refused both times.
    if (confirmed && result == 0)
        result = askReboot(pty.path());
    QCOMPARE(result, confirmed ? 1 : 0);
    pty.stop();
    QCOMPARE(seen, QByteArray::fromHex("091001900001022a00d360"));
}

QTEST_GUILESS_MAIN(TestModbusExchanges)
#include "tst_modbusexchanges.moc"
