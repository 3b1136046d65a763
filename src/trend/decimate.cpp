#include "trend/decimate.h"

#include <algorithm>
#include <cmath>

namespace qtx52::trend {

ColumnRows columnRows(const TrendBuffer& buffer, qint64 from, qint64 to, int width) {
    ColumnRows rows;
    rows.width = std::max(width, 0);
    if (width <= 0 || to <= from)
        return rows;
    // The columns follow the rows' times, so the rows of a column are found by a search over the
    // times rather than by placing every row on its own.
    const double span = double(to - from);
    const int end = buffer.lowerBound(to + 1);
    const auto columnOf = [&](int row) {
        return std::min(int(double(buffer.time(row) - from) * width / span), width - 1);
    };
    rows.starts.assign(std::size_t(width) + 1, end);
    int lo = buffer.lowerBound(from);
    for (int x = 0; x < width; ++x) {
        // The first row at or after lo whose column is x or later.
        int hi = end;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (columnOf(mid) < x)
                lo = mid + 1;
            else
                hi = mid;
        }
        rows.starts[std::size_t(x)] = lo;
    }
    return rows;
}

std::vector<Column> decimate(const TrendBuffer& buffer, int series, const ColumnRows& rows) {
    const int width = rows.width;
    std::vector<Column> columns(static_cast<std::size_t>(width));
    if (rows.starts.empty() || series < 0 || series >= buffer.seriesCount())
        return columns;
    const float* values = buffer.seriesSlots(series);
    const quint8* stretch = buffer.stretchSlots();
    // A gap that begins before the first row shown still breaks the line.
    bool broken = true;
    for (int x = 0; x < width; ++x) {
        Column& c = columns[std::size_t(x)];
        TrendBuffer::Run runs[2];
        const int n =
            buffer.runs(rows.starts[std::size_t(x)], rows.starts[std::size_t(x) + 1], runs);
        for (int r = 0; r < n; ++r) {
            const float* v = values + runs[r].slot;
            const quint8* s = stretch + runs[r].slot;
            const int count = runs[r].count;
            int j = 0;
            // Up to the column's first known value: where its line is joined from.
            for (; !c.any && j < count; ++j) {
                if (s[j] || std::isnan(v[j])) {
                    broken = true;
                    if (std::isnan(v[j]))
                        continue;
                }
                c.any = true;
                c.first = c.last = c.min = c.max = v[j];
                c.breakBefore = broken;
                broken = false;
            }
            if (j >= count)
                continue;
            // The rest only widens the span. A break inside a column keeps its span (a stretch
            // that starts at a known value draws on from it); an unknown value breaks the line to
            // the next known one. Comparisons with NaN are false, so unknown values drop out.
            float lo = c.min;
            float hi = c.max;
            for (int k = j; k < count; ++k) {
                const float x = v[k];
                lo = x < lo ? x : lo;
                hi = hi < x ? x : hi;
            }
            c.min = lo;
            c.max = hi;
            int last = count - 1;
            while (last >= j && std::isnan(v[last]))
                --last;
            if (last >= j)
                c.last = v[last];
            if (last < count - 1)
                broken = true;
            else if (last >= j)
                broken = false;
        }
    }
    return columns;
}

std::vector<Column> decimate(const TrendBuffer& buffer, int series, qint64 from, qint64 to,
                             int width) {
    return decimate(buffer, series, columnRows(buffer, from, to, width));
}

} // namespace qtx52::trend
