#pragma once

// Reads a file the monitor's recording wrote back into a trend: the header names the columns (in
// either language), each line gives a time and the 18 values. Lines that cannot be read (cut off
// by a crash, edited into something else, out of time order) are left out and counted, never
// drawn as something they are not. A header in the middle of the file (the unit's units changed
// between two runs of the monitor) is taken: a value whose unit changed goes on as a series of
// its own, so no line joins values of two units.

#include "trend/trend_buffer.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace qtx52::trend {

struct SeriesInfo {
    QString name; // the value's caption, without a colon
    QString unit; // "" for values without one
    int element;  // the monitor value (0..17) it shows
};

struct Recording {
    std::vector<SeriesInfo> series;
    std::unique_ptr<TrendBuffer> buffer;
    int lines = 0;        // lines of values taken
    int skipped = 0;      // lines that could not be read
    int firstSkipped = 0; // the file's line number of the first of them (1 = the header)
};

struct ReadResult {
    std::optional<Recording> recording; // none when the file is no recording at all
    QString message;                    // why not, or which lines were left out; empty when all
};

// The fields of one line with ";" between them, quotes taken off; none when a quote is not
// closed.
std::optional<QStringList> splitCsvLine(const QString& line);

ReadResult readRecording(const QString& path, bool english);
ReadResult parseRecording(const QByteArray& content, const QString& name, bool english);

} // namespace qtx52::trend
