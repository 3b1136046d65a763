#include "trend/decimate.h"

#include <algorithm>
#include <cmath>

namespace qtx52::trend {

std::vector<Column> decimate(const TrendBuffer& buffer, int series, qint64 from, qint64 to,
                             int width) {
    std::vector<Column> columns(std::size_t(std::max(width, 0)));
    if (width <= 0 || to <= from || series < 0 || series >= buffer.seriesCount())
        return columns;
    const double span = double(to - from);
    const int end = buffer.lowerBound(to + 1);
    // A gap that begins before the first row shown still breaks the line.
    bool broken = true;
    for (int i = buffer.lowerBound(from); i < end; ++i) {
        const float v = buffer.value(series, i);
        if (buffer.startsStretch(i))
            broken = true;
        if (std::isnan(v)) {
            broken = true;
            continue;
        }
        const int x = std::min(int(double(buffer.time(i) - from) * width / span), width - 1);
        Column& c = columns[std::size_t(x)];
        if (!c.any) {
            c.any = true;
            c.first = c.last = c.min = c.max = v;
            c.breakBefore = broken;
        } else {
            // A break inside a column keeps its span; the join to the column before stays as the
            // first row of the column had it.
            c.last = v;
            c.min = std::min(c.min, v);
            c.max = std::max(c.max, v);
        }
        broken = false;
    }
    return columns;
}

} // namespace qtx52::trend
