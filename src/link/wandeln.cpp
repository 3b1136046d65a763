#include "link/wandeln.h"

namespace qtx52::link {

namespace {

const char kDigits[] = "0123456789ABCDEF";

// Value of a hex digit of the table, or -1.
int digitValue(QChar c) {
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

QString ByteToHex(quint8 b) {
    QString out(2, QLatin1Char('0'));
    out[0] = QLatin1Char(kDigits[(b & 0xF0) >> 4]);
    out[1] = QLatin1Char(kDigits[b & 0x0F]);
    return out;
}

quint8 HexToByte(const QString& s) {
    if (s.isEmpty())
        return 0;
    if (s.size() == 1)
        return quint8(qMax(0, digitValue(s[0])));
    const int low = qMax(0, digitValue(s[1]));
    const int high = digitValue(s[0]);
    return quint8(high >= 0 ? high * 16 + low : low);
}

} // namespace qtx52::link
