#include "bus/bus_watch.h"

#include "app/program.h"

namespace qtx52::bus {

BusWatch::BusWatch(app::Program& program) : BusWatch(program.clock, program.linkEvents) {}

BusWatch::BusWatch(forms::Clock& clock, link::LinkEvents& events)
    : log(clock), stats(clock), events_(events) {
    events_.add(&log);
    events_.add(&stats);
}

BusWatch::~BusWatch() {
    events_.remove(&stats);
    events_.remove(&log);
}

QString BusWatch::traceTo(const QString& path, std::function<void(const QString&)> toStderr) {
    if (path == QLatin1String("-")) {
        log.onEntry = [out = std::move(toStderr)](const TrafficEntry& e) {
            if (out)
                out(TrafficLog::line(e));
        };
        return {};
    }
    traceFile_ = std::make_unique<QFile>(path);
    if (!traceFile_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        const QString why = traceFile_->errorString();
        traceFile_.reset();
        return QStringLiteral("%1: %2").arg(path, why);
    }
    log.onEntry = [f = traceFile_.get()](const TrafficEntry& e) {
        f->write(
            (e.wall.toString(Qt::ISODateWithMs) + QLatin1Char(' ') + TrafficLog::line(e)).toUtf8() +
            '\n');
        // Each line reaches the file at once, so a trace survives a crash up to its last frame.
        f->flush();
    };
    return {};
}

} // namespace qtx52::bus
