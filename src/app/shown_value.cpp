#include "app/shown_value.h"

namespace qtx52::app {

namespace {

// The escape for one character, or nothing when it is shown as it is.
QString escapeOf(char32_t c) {
    switch (c) {
    case U'\n':
        return QStringLiteral("\\n");
    case U'\r':
        return QStringLiteral("\\r");
    case U'\t':
        return QStringLiteral("\\t");
    default:
        break;
    }
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    // Line and paragraph separators would break the line as well; a lone surrogate is no
    // character at all.
    if (c == 0x2028 || c == 0x2029 || (c >= 0xD800 && c <= 0xDFFF))
        return QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
    return QString();
}

} // namespace

QString shownValue(const QString& value) {
    QString out;
    int shown = 0; // characters in out, a surrogate pair counting as one
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        char32_t code = c.unicode();
        QString piece;
        int length = 1;
        if (c.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, value.at(i + 1));
            piece = value.mid(i, 2);
        } else if (const QString escape = escapeOf(code); !escape.isEmpty()) {
            piece = escape;
            length = int(escape.size());
        } else {
            piece = c;
        }
        // An escape is never cut in two: it goes whole or the value ends before it.
        if (shown + length > kShownValueLength) {
            out += QChar(0x2026);
            return out;
        }
        out += piece;
        shown += length;
        if (piece.size() == 2 && length == 1)
            ++i;
    }
    return out;
}

} // namespace qtx52::app
