#include "link/commport.h"

#include <QStringList>

namespace qtx52::link {

QString LineSettings::toText() const {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baud)
        .arg(QChar::fromLatin1(parity))
        .arg(dataBits)
        .arg(stopBits);
}

bool LineSettings::parse(const QString& text, LineSettings* out) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    LineSettings s;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return false;
    const QString p = parts[1].trimmed().toUpper();
    if (p != QLatin1String("N") && p != QLatin1String("E") && p != QLatin1String("O"))
        return false;
    s.parity = p.at(0).toLatin1();
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return false;
    s.stopBits = parts[3].trimmed().toInt(&ok);
    if (!ok || (s.stopBits != 1 && s.stopBits != 2))
        return false;
    *out = s;
    return true;
}

double lineTimeMs(const LineSettings& line, qint64 characters) {
    if (line.baud <= 0 || characters <= 0)
        return 0;
    return double(characters) * line.bitsPerCharacter() * 1000.0 / double(line.baud);
}

QString parityName(char parity) {
    switch (parity) {
    case 'N':
        return QStringLiteral("None");
    case 'O':
        return QStringLiteral("Odd");
    default:
        return QStringLiteral("Even");
    }
}

} // namespace qtx52::link
