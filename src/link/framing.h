#pragma once

#include <QByteArray>
#include <QString>

namespace qtx52::link {

// ":" + content + LRC + CR LF, as ASCII bytes.
QByteArray frameAscii(const QString& requestHex);
// The content bytes followed by the CRC, low byte first.
QByteArray frameRtu(const QString& requestHex);

} // namespace qtx52::link
