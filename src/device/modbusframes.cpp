#include "modbusframes.h"

QByteArray ModbusFrames::secondaryRebootRequest()
{
    static const char bytes[] = {0x09, 0x10, 0x0D, 0x48, 0x00, 0x01, 0x02, 0x2A, 0x00, 0x0D, char(0xB8)};
    return QByteArray(bytes, sizeof bytes);
}

bool ModbusFrames::readVersionFields(const QByteArray &reply, VersionFields *out)
{
    // The version bytes sit at 6..8; a shorter read is no version reply.
    if (reply.size() < 9 || quint8(reply.at(0)) != 0x09 || quint8(reply.at(1)) != 0x03)
        return false;
    out->type = reply.mid(3, 3);
    out->major = static_cast<signed char>(reply.at(6));
    out->minor = static_cast<signed char>(reply.at(7));
    out->patch = static_cast<signed char>(reply.at(8));
    return true;
}

void ModbusFrames::decodeVersionReply(const QByteArray &reply, QString &typeCode, int &major, int &minor, int &patch)
{
    VersionFields fields;
    if (!readVersionFields(reply, &fields))
        return;
    major = fields.major;
    minor = fields.minor;
    patch = fields.patch;
    if (fields.type == QByteArray(3, '\0')) {
        typeCode = QStringLiteral("unknown");
        return;
    }
    const int end = fields.type.indexOf('\0');
    typeCode = QString::fromUtf8(end < 0 ? fields.type : fields.type.left(end));
}
