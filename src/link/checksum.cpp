#include "link/checksum.h"

#include "link/wandeln.h"

namespace qtx52::link {

QString LongToHexStr(qint32 vlLong, qint32 vlBytes) {
    QString hex = QString::number(quint32(vlLong), 16).toUpper();
    const qint64 width = qint64(vlBytes) * 2;
    if (vlBytes > 0 && hex.size() < width)
        hex.prepend(QString(int(width - hex.size()), QLatin1Char('0')));
    return hex;
}

QString CalculateLRC(const QString& sMessage) {
    quint32 sum = 0;
    for (qsizetype i = 0; i < sMessage.size(); i += 2)
        sum = (sum + HexToByte(sMessage.mid(i, 2))) & 0xFF;
    const quint32 lrc = ((0xFF - sum) + 1) & 0xFF;
    return LongToHexStr(qint32(lrc), 1);
}

quint16 ShiftRightWord(quint16 v) {
    return quint16(v >> 1);
}

void UpdateCRC(quint16& crc, quint8 b) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit) {
        if ((crc & 1) == 0)
            crc = ShiftRightWord(crc);
        else
            crc = ShiftRightWord(crc) ^ 0xA001;
    }
}

QString CalculateCRC(const QByteArray& bytes) {
    quint16 crc = 0xFFFF;
    for (char c : bytes)
        UpdateCRC(crc, quint8(c));
    return LongToHexStr(crc, 2);
}

} // namespace qtx52::link
