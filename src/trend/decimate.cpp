#include "trend/decimate.h"

#include <algorithm>
#include <cmath>

namespace qtx52::trend {

namespace {

// Where each pixel column's rows begin: the columns follow the rows' times, so the rows of a
// column are found by a search over the times rather than by placing every row on its own.
std::vector<int> columnStarts(const TrendBuffer& buffer, int first, int end, qint64 from,
                              double span, int width) {
    const auto columnOf = [&](int row) {
        return std::min(int(double(buffer.time(row) - from) * width / span), width - 1);
    };
    std::vector<int> starts(std::size_t(width) + 1, end);
    int lo = first;
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
        starts[std::size_t(x)] = lo;
    }
    return starts;
}

} // namespace

std::vector<Column> decimate(const TrendBuffer& buffer, int series, qint64 from, qint64 to,
                             int width) {
    std::vector<Column> columns(std::size_t(std::max(width, 0)));
    if (width <= 0 || to <= from || series < 0 || series >= buffer.seriesCount())
        return columns;
    const double span = double(to - from);
    const int first = buffer.lowerBound(from);
    const int end = buffer.lowerBound(to + 1);
    const std::vector<int> starts = columnStarts(buffer, first, end, from, span, width);
    const float* values = buffer.seriesSlots(series);
    const quint8* stretch = buffer.stretchSlots();
    // A gap that begins before the first row shown still breaks the line.
    bool broken = true;
    for (int x = 0; x < width; ++x) {
        Column& c = columns[std::size_t(x)];
        TrendBuffer::Run runs[2];
        const int n = buffer.runs(starts[std::size_t(x)], starts[std::size_t(x) + 1], runs);
        for (int r = 0; r < n; ++r) {
            const float* v = values + runs[r].slot;
            const quint8* s = stretch + runs[r].slot;
            for (int j = 0; j < runs[r].count; ++j) {
                if (s[j])
                    broken = true;
                if (std::isnan(v[j])) {
                    broken = true;
                    continue;
                }
                if (!c.any) {
                    c.any = true;
                    c.first = c.last = c.min = c.max = v[j];
                    c.breakBefore = broken;
                } else {
                    // A break inside a column keeps its span; the join to the column before
                    // stays as the first row of the column had it.
                    c.last = v[j];
                    c.min = std::min(c.min, v[j]);
                    c.max = std::max(c.max, v[j]);
                }
                broken = false;
            }
        }
    }
    return columns;
}

} // namespace qtx52::trend
