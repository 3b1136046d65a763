#include "trend/trend_buffer.h"

#include <algorithm>

namespace qtx52::trend {

TrendBuffer::TrendBuffer(int seriesCount, int capacity, qint64 gapMs)
    : series_(std::max(seriesCount, 0)), capacity_(std::max(capacity, 1)), gapMs_(gapMs),
      times_(std::size_t(capacity_)), values_(std::size_t(series_) * std::size_t(capacity_)),
      stretch_(std::size_t(capacity_)) {}

bool TrendBuffer::append(qint64 timeMs, const std::vector<float>& values, bool newStretch) {
    if (size_ > 0 && timeMs < lastTime())
        return false;
    const bool starts = size_ == 0 || newStretch || breakNext_ || timeMs - lastTime() > gapMs_;
    std::size_t s = 0;
    if (size_ < capacity_) {
        s = slot(size_);
        ++size_;
    } else {
        s = std::size_t(head_);
        head_ = (head_ + 1) % capacity_;
    }
    times_[s] = timeMs;
    stretch_[s] = starts ? 1 : 0;
    for (int k = 0; k < series_; ++k)
        values_[std::size_t(k) * std::size_t(capacity_) + s] =
            k < int(values.size()) ? values[std::size_t(k)] : kNoValue;
    breakNext_ = false;
    return true;
}

void TrendBuffer::clear() {
    head_ = 0;
    size_ = 0;
    breakNext_ = false;
}

void TrendBuffer::setCapacity(int capacity) {
    capacity = std::max(capacity, 1);
    if (capacity == capacity_)
        return;
    TrendBuffer bigger(series_, capacity, gapMs_);
    std::vector<float> row(static_cast<std::size_t>(series_));
    for (int i = std::max(0, size_ - capacity); i < size_; ++i) {
        for (int k = 0; k < series_; ++k)
            row[std::size_t(k)] = value(k, i);
        bigger.append(time(i), row, startsStretch(i));
    }
    bigger.breakNext_ = breakNext_;
    *this = std::move(bigger);
}

int TrendBuffer::lowerBound(qint64 t) const {
    int lo = 0;
    int hi = size_;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (time(mid) < t)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int TrendBuffer::nearest(qint64 t) const {
    if (size_ == 0)
        return -1;
    const int i = lowerBound(t);
    if (i >= size_)
        return size_ - 1;
    if (i > 0 && t - time(i - 1) < time(i) - t)
        return i - 1;
    return i;
}

std::size_t TrendBuffer::memoryBytes() const {
    return times_.capacity() * sizeof(qint64) + values_.capacity() * sizeof(float) +
           stretch_.capacity() * sizeof(quint8) + sizeof(*this);
}

} // namespace qtx52::trend
