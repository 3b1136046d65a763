#pragma once

// A value from a parameter file or the unit as a message quotes it. A file can hold anything on a
// line: a megabyte of text, NUL bytes, tabs. A message shows at most kShownValueLength characters
// of it, then "…", and writes control characters as escapes (\n, \r, \t, \x00), so that the
// message stays one readable line and nothing in it is cut off or hidden. Letters of every
// language, umlauts included, are shown as they are.

#include <QString>

namespace qtx52::app {

inline constexpr int kShownValueLength = 40;

QString shownValue(const QString& value);

} // namespace qtx52::app
