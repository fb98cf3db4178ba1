#include "communication.h"
#include "modbuscrc.h"
#include "testpty.h"

#include <QtTest>

// The frames the wizard sends and expects, and the two exchanges that judge a
// reply: decoding a version reply and confirming a reboot.
class TestModbusExchanges : public QObject
{
    Q_OBJECT

private slots:
    void storedFramesCarryValidCrc();
    void decodeVersionReply_data();
    void decodeVersionReply();
    void rebootDevice_data();
    void rebootDevice();
};

void TestModbusExchanges::storedFramesCarryValidCrc()
{
    const QList<QByteArray> frames = {QByteArray::fromHex(Communication::kVersionRequest),
                                      QByteArray::fromHex(Communication::kSecondaryVersionRequest),
                                      QByteArray::fromHex(Communication::kRebootRequest),
                                      QByteArray::fromHex(Communication::kRebootEcho),
                                      Communication::secondaryRebootRequest()};
    for (const QByteArray &frame : frames)
        QVERIFY2(crcIsValid(frame), frame.toHex().constData());
}

void TestModbusExchanges::decodeVersionReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("decoded");
    QTest::addColumn<QString>("typeCode");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("patch");

    QTest::newRow("GC3 1.6.8 with CRC") << withCrc(QByteArray::fromHex("090306474333010608")) << true << "GC3" << 1
                                        << 6 << 8;
    QTest::newRow("nine bytes, no CRC") << QByteArray::fromHex("090306474333010609") << true << "GC3" << 1 << 6 << 9;
    QTest::newRow("byte count not 6") << QByteArray::fromHex("0903044b3031020304") << true << "K01" << 2 << 3 << 4;
    QTest::newRow("GS padded with zero") << QByteArray::fromHex("090306475300030201") << true << "GS" << 3 << 2 << 1;
    QTest::newRow("signed bytes") << QByteArray::fromHex("090306474231ff807f") << true << "GB1" << -1 << -128 << 127;
    QTest::newRow("all zero type is unknown") << QByteArray::fromHex("090306000000010203") << true << "unknown" << 1
                                              << 2 << 3;
    QTest::newRow("leading zero type is empty") << QByteArray::fromHex("090306004753010203") << true << "" << 1 << 2
                                                << 3;
    QTest::newRow("eight bytes") << QByteArray::fromHex("0903064743330106") << false << "" << 0 << 0 << 0;
    QTest::newRow("empty") << QByteArray() << false << "" << 0 << 0 << 0;
    QTest::newRow("wrong address") << QByteArray::fromHex("0a0306474333010609") << false << "" << 0 << 0 << 0;
    QTest::newRow("exception response") << withCrc(QByteArray::fromHex("098302")) << false << "" << 0 << 0 << 0;
    QTest::newRow("write echo") << QByteArray::fromHex("0910019000010150aa") << false << "" << 0 << 0 << 0;
}

void TestModbusExchanges::decodeVersionReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, decoded);
    // Outputs start with values a decoder must not touch on a bad reply.
    QString typeCode = QStringLiteral("before");
    int major = 41, minor = 42, patch = 43;
    Communication::decodeVersionReply(reply, typeCode, major, minor, patch);
    if (!decoded) {
        QCOMPARE(typeCode, QStringLiteral("before"));
        QCOMPARE(major, 41);
        QCOMPARE(minor, 42);
        QCOMPARE(patch, 43);
        return;
    }
    QTEST(typeCode, "typeCode");
    QTEST(major, "major");
    QTEST(minor, "minor");
    QTEST(patch, "patch");
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
