#pragma once

// What one series of a trend draws in each pixel column: the first, last, smallest and largest
// value of the rows that fall into the column. Drawing the span from the smallest to the largest
// value keeps every spike visible however many rows share a column, and a redraw costs one pass
// over the rows shown, whatever their number.

#include "trend/trend_buffer.h"

#include <vector>

namespace qtx52::trend {

struct Column {
    bool any = false;         // a known value falls into the column
    bool breakBefore = false; // the line is not joined to the column before with values
    float first = 0, last = 0, min = 0, max = 0;
};

// Columns 0..width-1 cover the times from `from` up to `to` in equal parts. A row that starts a
// stretch, or that follows an unknown value, breaks the line before its column.
std::vector<Column> decimate(const TrendBuffer& buffer, int series, qint64 from, qint64 to,
                             int width);

} // namespace qtx52::trend
