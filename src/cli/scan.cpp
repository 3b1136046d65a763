#include "cli/scan.h"

#include "forms/clock.h"

#include <QEventLoop>

namespace qtx52::cli {

using namespace bus;

FinderOptions scanOptions(const cli::CommandLine& cl) {
    const cli::ScanOptions& s = cl.scan;
    const cli::LinkOptions& l = cl.link;
    FinderOptions o;
    const LineChoice current{l.mode == QLatin1String("ASCII"), l.baud.toInt(),
                             char(l.parity.toLatin1())};
    o.lines = probeOrder(current, LineNarrowing{s.ascii, s.bauds, s.parities});
    o.firstStation = s.firstStation;
    o.lastStation = s.lastStation;
    o.preferredStation = l.address;
    o.probeTimeoutMs = s.probeTimeoutMs;
    o.findAll = s.all;
    o.fast = l.fast;
    return o;
}

ScanRunner::ScanRunner(const cli::CommandLine& commandLine, forms::Clock& clock,
                       link::CommPort& port, cli::CommandOutput output)
    : cl_(commandLine), clock_(clock), port_(port), out_(std::move(output)), finder_(clock, port) {}

void ScanRunner::start() {
    if (!cl_.error.isEmpty()) {
        if (out_.progress)
            out_.progress(cl_.error);
        finish(cli::kExitUsage);
        return;
    }
    options_ = scanOptions(cl_);
    const FinderOptions& options = options_;
    if (cl_.link.port > 0)
        port_.setCommPort(cl_.link.port);
    finder_.onProgress = [this](const FinderProgress& p) {
        const FinderOptions& options = options_;
        if (cl_.quiet || !out_.progress)
            return;
        const int line = int(options.lines.indexOf(p.line));
        if (line == lastLine_)
            return;
        lastLine_ = line;
        out_.progress(QStringLiteral("probing %1, stations %2-%3 (setting %4 of %5, at most %6 s "
                                     "left)")
                          .arg(p.line.describe())
                          .arg(options.firstStation)
                          .arg(options.lastStation)
                          .arg(line + 1)
                          .arg(options.lines.size())
                          .arg((p.remainingMs + 999) / 1000));
    };
    finder_.onFound = [this](const FoundUnit& u) {
        if (out_.result)
            out_.result(u.scanLine());
    };
    finder_.onFinished = [this] {
        const qint64 ms = clock_.nowMs() - startMs_;
        const int found = int(finder_.found().size());
        if (finder_.portError()) {
            if (out_.progress)
                out_.progress(QStringLiteral("the port could not be used: %1 %2")
                                  .arg(finder_.portError().number)
                                  .arg(finder_.portError().reason));
            finish(cli::kExitLink);
            return;
        }
        if (out_.progress)
            out_.progress(QStringLiteral("%1 after %2 probes at %3 line settings in %4 s")
                              .arg(found == 0   ? QStringLiteral("no unit found")
                                   : found == 1 ? QStringLiteral("1 unit found")
                                                : QStringLiteral("%1 units found").arg(found))
                              .arg(finder_.progress().probesDone)
                              .arg(options_.lines.indexOf(finder_.progress().line) + 1)
                              .arg(double(ms) / 1000.0, 0, 'f', 1));
        finish(found > 0 ? cli::kExitOk : cli::kExitLink);
    };
    startMs_ = clock_.nowMs();
    switch (finder_.start(options)) {
    case UnitFinder::Refusal::None:
        break;
    case UnitFinder::Refusal::PortOpen:
        if (out_.progress)
            out_.progress(QStringLiteral("the port is in use"));
        finish(cli::kExitLink);
        break;
    case UnitFinder::Refusal::NothingToProbe:
        if (out_.progress)
            out_.progress(QStringLiteral("nothing to probe"));
        finish(cli::kExitUsage);
        break;
    }
}

void ScanRunner::finish(int code) {
    if (finished_)
        return;
    finished_ = true;
    exitCode_ = code;
    if (onFinished)
        onFinished();
}

int runScan(const cli::CommandLine& commandLine, forms::Clock& clock, link::CommPort& port,
            const cli::CommandOutput& output) {
    ScanRunner runner(commandLine, clock, port, output);
    QEventLoop loop;
    runner.onFinished = [&loop] { loop.quit(); };
    runner.start();
    if (!runner.finished())
        loop.exec();
    return runner.exitCode();
}

} // namespace qtx52::cli
