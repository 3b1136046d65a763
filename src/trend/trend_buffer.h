#pragma once

// The values of a trend: one time per row and one value per series, in a ring of fixed capacity
// that drops the oldest row when full. Rows come in time order; a row can start a new stretch
// (the monitor had stopped, or nothing came for longer than the gap time), where the line breaks.
// A value that is not known is NaN and draws nothing.

#include <QtGlobal>

#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

namespace qtx52::trend {

inline constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

class TrendBuffer {
public:
    // `gapMs`: a row that comes later than this after the one before starts a new stretch.
    TrendBuffer(int seriesCount, int capacity, qint64 gapMs = kDefaultGapMs);

    static constexpr qint64 kDefaultGapMs = 10'000;

    int seriesCount() const { return series_; }
    int capacity() const { return capacity_; }
    int size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Adds a row of `seriesCount()` values (missing ones NaN). A row earlier than the last one is
    // refused (false): a trend only moves forward.
    bool append(qint64 timeMs, const std::vector<float>& values, bool newStretch = false);
    // The next row starts a new stretch whatever its time (the monitor was stopped).
    void breakLine() { breakNext_ = true; }
    void clear();
    // A new capacity, keeping the newest rows that fit.
    void setCapacity(int capacity);

    // Row i, 0 being the oldest kept.
    qint64 time(int i) const { return times_[slot(i)]; }
    float value(int series, int i) const {
        return values_[std::size_t(series) * std::size_t(capacity_) + slot(i)];
    }
    bool startsStretch(int i) const { return stretch_[slot(i)] != 0; }
    qint64 firstTime() const { return size_ ? time(0) : 0; }
    qint64 lastTime() const { return size_ ? time(size_ - 1) : 0; }
    // The first row whose time is at or after `t` (size() when none).
    int lowerBound(qint64 t) const;
    // The row nearest to `t`, or -1 when empty.
    int nearest(qint64 t) const;

    // What the rows take in memory.
    std::size_t memoryBytes() const;

private:
    std::size_t slot(int i) const { return std::size_t((head_ + i) % capacity_); }

    int series_;
    int capacity_;
    qint64 gapMs_;
    int head_ = 0; // slot of the oldest row
    int size_ = 0;
    bool breakNext_ = false;
    std::vector<qint64> times_;
    std::vector<float> values_; // series after series, capacity values each
    std::vector<quint8> stretch_;
};

} // namespace qtx52::trend
