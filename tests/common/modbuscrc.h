#ifndef MODBUSCRC_H
#define MODBUSCRC_H

#include <QByteArray>

// The tests' own Modbus RTU CRC-16 (polynomial 0xA001 reflected, start
// 0xFFFF), independent of anything the program or the simulator uses.
inline quint16 modbusCrc(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

// The frame with its CRC appended, low byte first.
inline QByteArray withCrc(const QByteArray &body)
{
    const quint16 crc = modbusCrc(body);
    return body + QByteArray(1, char(crc & 0xFF)) + QByteArray(1, char(crc >> 8));
}

#endif
