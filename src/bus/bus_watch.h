#pragma once

// The traffic log and the link counters of one program, watching its link: what a windowless
// command writes with --trace and prints with --stats, and what a bus monitor window shows.

#include "bus/link_stats.h"
#include "bus/traffic_log.h"

#include <QFile>

#include <functional>
#include <memory>

namespace qtx52::app {
class Program;
}
namespace qtx52::forms {
class Clock;
}

namespace qtx52::bus {

class BusWatch {
public:
    explicit BusWatch(app::Program& program);
    // Watching a link of its own (the scan's unit finder).
    BusWatch(forms::Clock& clock, link::LinkEvents& events);
    ~BusWatch();
    BusWatch(const BusWatch&) = delete;
    BusWatch& operator=(const BusWatch&) = delete;

    TrafficLog log;
    LinkStats stats;

    // Writes one line per frame to `path`, or through `toStderr` for "-". Returns an error text
    // when the file cannot be made, else the empty text.
    QString traceTo(const QString& path, std::function<void(const QString&)> toStderr);

private:
    link::LinkEvents& events_;
    std::unique_ptr<QFile> traceFile_;
};

} // namespace qtx52::bus
