#ifndef QEXTSERIALPORT_H
#define QEXTSERIALPORT_H

#include <QIODevice>
#include <QString>

class QSerialPort;

enum BaudRateType {
    BAUD1200 = 1200,
    BAUD2400 = 2400,
    BAUD4800 = 4800,
    BAUD9600 = 9600,
    BAUD19200 = 19200,
    BAUD38400 = 38400,
    BAUD57600 = 57600,
    BAUD115200 = 115200
};

enum DataBitsType { DATA_5 = 5, DATA_6 = 6, DATA_7 = 7, DATA_8 = 8 };

enum ParityType { PAR_NONE, PAR_ODD, PAR_EVEN, PAR_SPACE };

enum StopBitsType { STOP_1, STOP_2 };

enum FlowType { FLOW_OFF, FLOW_HARDWARE, FLOW_XONXOFF };

struct PortSettings
{
    BaudRateType BaudRate;
    DataBitsType DataBits;
    ParityType Parity;
    StopBitsType StopBits;
    FlowType FlowControl;
    long Timeout_Millisec;
};

// A serial port in the shape the wizard is written against, carried by
// QSerialPort. Settings may be changed while closed or open; they are applied
// when the port opens. Reads go straight to the underlying port, so
// bytesAvailable() is always what the line has delivered so far.
class QextSerialPort : public QIODevice
{
    Q_OBJECT

public:
    enum QueryMode { Polling, EventDriven };

    explicit QextSerialPort(QueryMode mode = EventDriven, QObject *parent = nullptr);
    QextSerialPort(const QString &name, const PortSettings &settings, QueryMode mode = EventDriven,
                   QObject *parent = nullptr);
    ~QextSerialPort() override;

    void setPortName(const QString &name);
    QString portName() const;
    void setQueryMode(QueryMode mode);
    QueryMode queryMode() const;

    void setBaudRate(BaudRateType baud);
    void setDataBits(DataBitsType bits);
    void setParity(ParityType parity);
    void setStopBits(StopBitsType bits);
    void setFlowControl(FlowType flow);
    void setTimeout(long millisec);
    PortSettings settings() const;

    bool open(OpenMode mode) override;
    void close() override;
    bool flush();

    bool isSequential() const override;
    qint64 bytesAvailable() const override;
    qint64 bytesToWrite() const override;
    bool waitForReadyRead(int msecs) override;
    bool waitForBytesWritten(int msecs) override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    void applySettings();
    void onPortError(int error);

    QSerialPort *m_port;
    QString m_portName;
    PortSettings m_settings;
    QueryMode m_queryMode;
    // The line's advisory lock, held from before the open until the close.
    int m_lock = -1;
};

#endif
