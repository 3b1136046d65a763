#pragma once

// Number texts as the program shows and reads them: decimal texts in the user's locale, with the
// user's decimal separator and no thousands separator. The editor, the reply decoder, the write
// path and the parameter files all go through these, so a value read from the unit, typed by the
// user or loaded from a file is read and written the same way everywhere.

#include <QString>

#include <optional>

namespace qtx52::params {

// Reads a decimal text strictly: an optional leading minus, digits and at most one separator,
// with at least one digit ("5", "-2,5", ",5", "5,"). Anything else, the empty text, a lone minus,
// blanks, a second separator or a point under a comma locale included, is not a number. An empty
// separator counts as ",", the fallback of the regional settings.
std::optional<double> parseNumber(const QString& text, const QString& separator);

// Writes a number as the shortest decimal text with at most 15 significant digits, no trailing
// zeros and no exponent, with the separator as decimal point: 0.7 + 0.1 gives "0,8" under ",",
// -5 gives "-5", 3276.7 gives "3276,7". Negative zero is written "0".
QString formatNumber(double value, const QString& separator);

// Rounds to the nearest integer, a half going to the even neighbour (2.5 gives 2, 3.5 gives 4,
// -2.5 gives -2).
double roundHalfEven(double value);

// The number a text stands for, rounded half to even: the "integer of the text" that picks a list
// entry. Not a number gives nothing.
std::optional<qint64> integerOfText(const QString& text, const QString& separator);

// The numeric value of the leading digits of a text, as the station address box reads it: "12"
// gives 12, "7x" gives 7, "" and "x7" give 0. Saturates instead of overflowing.
qint64 leadingDigitsValue(const QString& text);

} // namespace qtx52::params
