#include "link/framing.h"

#include "link/checksum.h"
#include "link/wandeln.h"

#include <algorithm>
#include <cmath>

namespace qtx52::link {

QByteArray frameAscii(const QString& requestHex) {
    return (QLatin1Char(':') + requestHex + CalculateLRC(requestHex) + QLatin1String("\r\n"))
        .toLatin1();
}

QByteArray frameRtu(const QString& requestHex) {
    QByteArray frame;
    const qsizetype n = requestHex.size() / 2;
    frame.reserve(n + 2);
    for (qsizetype i = 0; i < n; ++i)
        frame.append(char(HexToByte(requestHex.mid(2 * i, 2))));
    const QString crc = CalculateCRC(frame);
    frame.append(char(HexToByte(crc.mid(2, 2)))); // low byte first
    frame.append(char(HexToByte(crc.mid(0, 2))));
    return frame;
}

qint64 silentIntervalMs(double characterMs) {
    if (!(characterMs > 0))
        return 0;
    return qint64(std::ceil(std::max(3.5 * characterMs, 1.75)));
}

} // namespace qtx52::link
