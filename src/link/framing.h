#pragma once

#include <QByteArray>
#include <QString>

namespace qtx52::link {

// ":" + content + LRC + CR LF, as ASCII bytes.
QByteArray frameAscii(const QString& requestHex);
// The content bytes followed by the CRC, low byte first.
QByteArray frameRtu(const QString& requestHex);

// The silence that ends a frame on the line, after which a unit listens for the next request:
// 3.5 characters, at least 1.75 ms, in whole milliseconds rounded up (the clocks count whole
// milliseconds). 0 when the character time is not known.
qint64 silentIntervalMs(double characterMs);

} // namespace qtx52::link
