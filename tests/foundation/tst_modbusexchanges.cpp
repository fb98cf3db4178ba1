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
    void rebootDevice_data();
    void rebootDevice();
};

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

    Communication comm;
    comm.setPortName(pty.path()); // 115200 8N1, no flow control: the port's defaults
    QVERIFY(comm.open(QIODevice::ReadWrite));
    QCOMPARE(comm.rebootDevice(), confirmed);
    comm.close();
    pty.stop();
    QCOMPARE(seen, QByteArray::fromHex("091001900001022a00d360"));
}

QTEST_GUILESS_MAIN(TestModbusExchanges)
#include "tst_modbusexchanges.moc"
