#include "params/numbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace qtx52::params {

namespace {

QString effectiveSeparator(const QString& separator) {
    return separator.isEmpty() ? QStringLiteral(",") : separator;
}

bool allDigits(QStringView s) {
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

std::optional<double> parseNumber(const QString& text, const QString& separator) {
    const QString sep = effectiveSeparator(separator);
    QStringView rest(text);
    const bool negative = rest.startsWith(QLatin1Char('-'));
    if (negative)
        rest = rest.mid(1);

    QStringView whole = rest;
    QStringView fraction;
    const qsizetype at = rest.indexOf(sep);
    if (at >= 0) {
        whole = rest.left(at);
        fraction = rest.mid(at + sep.size());
    }
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    if (!allDigits(whole) || !allDigits(fraction))
        return std::nullopt;

    // Digits only from here, so the C locale's reader gives the exact nearest double.
    QByteArray c = whole.toLatin1();
    if (c.isEmpty())
        c = "0";
    if (!fraction.isEmpty())
        c += '.' + fraction.toLatin1();
    const double v = std::strtod(c.constData(), nullptr);
    return negative ? -v : v;
}

QString formatNumber(double value, const QString& separator) {
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == 0)
        return QStringLiteral("0");

    // The 15 significant digits, correctly rounded, and the decimal exponent of the first one.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    QByteArray digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.')
            digits += *p;
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);

    QByteArray whole;
    QByteArray fraction;
    if (exponent >= 0) {
        const int wholeDigits = exponent + 1;
        if (digits.size() <= wholeDigits) {
            whole = digits + QByteArray(wholeDigits - digits.size(), '0');
        } else {
            whole = digits.left(wholeDigits);
            fraction = digits.mid(wholeDigits);
        }
    } else {
        whole = "0";
        fraction = QByteArray(-exponent - 1, '0') + digits;
    }

    QString out;
    if (value < 0)
        out += QLatin1Char('-');
    out += QString::fromLatin1(whole);
    if (!fraction.isEmpty())
        out += effectiveSeparator(separator) + QString::fromLatin1(fraction);
    return out;
}

double roundHalfEven(double value) {
    const double lower = std::floor(value);
    const double diff = value - lower;
    if (diff < 0.5)
        return lower;
    if (diff > 0.5)
        return lower + 1;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

std::optional<qint64> integerOfText(const QString& text, const QString& separator) {
    const std::optional<double> v = parseNumber(text, separator);
    if (!v)
        return std::nullopt;
    const double r = roundHalfEven(*v);
    // Beyond this no list entry or register value exists; refuse rather than overflow.
    if (std::fabs(r) > 9.0e15)
        return std::nullopt;
    return qint64(r);
}

qint64 leadingDigitsValue(const QString& text) {
    qint64 v = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        const int d = c.unicode() - '0';
        if (v > (std::numeric_limits<qint64>::max() - d) / 10)
            return std::numeric_limits<qint64>::max();
        v = v * 10 + d;
    }
    return v;
}

} // namespace qtx52::params
