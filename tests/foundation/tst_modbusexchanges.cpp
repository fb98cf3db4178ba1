#include "communication.h"
#include "modbuscrc.h"
#include "testpty.h"

#include <QtTest>

// The two exchanges that judge a reply: decoding a version reply and
// confirming a reboot. The stored frames' CRCs are checked by the simulator,
// which answers no frame whose CRC is wrong, in every run against it.
class TestModbusExchanges : public QObject
{
    Q_OBJECT

private slots:
    void decodeVersionReply_data();
    void decodeVersionReply();
    void rebootDevice_data();
    void rebootDevice();
};

// The type code as the wizard shows it. That anything but a version reply
// leaves the caller's values alone, and that the numbers are the signed
// bytes, is the fuzz_versiondecode harness's, over its seeds in every build.
void TestModbusExchanges::decodeVersionReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("typeCode");
    QTest::addColumn<int>("major");

    QTest::newRow("GC3 with CRC") << withCrc(QByteArray::fromHex("090306474333010608")) << "GC3" << 1;
    QTest::newRow("byte count not 6") << QByteArray::fromHex("0903044b3031020304") << "K01" << 2;
    QTest::newRow("GS padded with zero") << QByteArray::fromHex("090306475300030201") << "GS" << 3;
}

void TestModbusExchanges::decodeVersionReply()
{
    QFETCH(QByteArray, reply);
    QString typeCode;
    int major = 0, minor = 0, patch = 0;
    Communication::decodeVersionReply(reply, typeCode, major, minor, patch);
    QTEST(typeCode, "typeCode");
    QTEST(major, "major");
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

    Communication comm;
    comm.setPortName(pty.path());
    comm.setBaudRate(BAUD115200);
    comm.setDataBits(DATA_8);
    comm.setParity(PAR_NONE);
    comm.setStopBits(STOP_1);
    comm.setFlowControl(FLOW_OFF);
    QVERIFY(comm.open(QIODevice::ReadWrite));
    QCOMPARE(comm.rebootDevice(), confirmed);
    comm.close();
    pty.stop();
    QCOMPARE(seen, QByteArray::fromHex("091001900001022a00d360"));
}

QTEST_GUILESS_MAIN(TestModbusExchanges)
#include "tst_modbusexchanges.moc"
