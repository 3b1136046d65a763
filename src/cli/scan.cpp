#include "cli/scan.h"

#include "bus/bus_watch.h"
#include "forms/clock.h"
#include "link/port_texts.h"

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
                       link::CommPort& port, settings::StorePaths stores, cli::CommandOutput output)
    : CommandVoice(commandLine, std::move(output)), clock_(clock), port_(port),
      stores_(std::move(stores)), finder_(clock, port) {}

ScanRunner::~ScanRunner() {
    port_.setLostHandler(nullptr);
}

void ScanRunner::start() {
    language_ = storeLanguage(stores_);
    if (!cl_.error.isEmpty()) {
        say(usageError(cl_, language_));
        finish(cli::kExitUsage);
        return;
    }
    bus_ = std::make_unique<BusWatch>(clock_, events_);
    if (!startTrace(*bus_)) {
        finish(kExitFile);
        return;
    }
    finder_.setLinkEvents(&events_);
    options_ = scanOptions(cl_);
    if (cl_.link.port > 0)
        port_.setCommPort(cl_.link.port);
    // An adapter pulled mid-scan closes the port: the finder's next frame fails, and the line
    // says the device was lost rather than that the port was not open.
    port_.setLostHandler([this](const link::CommError& why) { lost_ = why; });
    finder_.onProgress = [this](const FinderProgress& p) {
        const FinderOptions& options = finder_.options();
        const int line = int(options.lines.indexOf(p.line));
        if (line == lastLine_)
            return;
        lastLine_ = line;
        step(text(CliText::ScanProbing,
                  {p.line.describe(), QString::number(options.firstStation),
                   QString::number(options.lastStation), QString::number(line + 1),
                   QString::number(options.lines.size()),
                   QString::number((p.remainingMs + 999) / 1000)}));
    };
    finder_.onFound = [this](const FoundUnit& u) { result(u.scanLine()); };
    finder_.onFinished = [this] { finderDone(); };
    if (port_.deviceServer(port_.commPort()))
        step(text(CliText::ScanDeviceServer, {port_.describePort(port_.commPort())}));
    startMs_ = clock_.nowMs();
    switch (finder_.start(options_)) {
    case UnitFinder::Refusal::None:
        break;
    case UnitFinder::Refusal::PortOpen:
        say(text(CliText::ScanPortInUse));
        finish(cli::kExitLink);
        break;
    case UnitFinder::Refusal::NothingToProbe:
        say(text(CliText::ScanNothingToProbe));
        finish(cli::kExitUsage);
        break;
    }
}

void ScanRunner::finderDone() {
    const bool english = language_ == Language::English;
    if (lost_ || finder_.portError()) {
        say(lost_ ? link::deviceLostText(lost_, english)
                  : text(CliText::ScanPortFailed,
                         {link::openFailureText(finder_.portError(), english)}));
        finish(cli::kExitLink);
        return;
    }
    const int found = int(finder_.found().size());
    const QStringList args{
        QString::number(finder_.progress().probesDone),
        QString::number(finder_.options().lines.indexOf(finder_.progress().line) + 1),
        QString::number(double(clock_.nowMs() - startMs_) / 1000.0, 'f', 1)};
    if (found == 0)
        say(text(CliText::ScanNoneFound, args));
    else if (found == 1)
        say(text(CliText::ScanOneFound, args));
    else
        say(text(CliText::ScanFound, QStringList{QString::number(found)} + args));
    finish(found > 0 ? cli::kExitOk : cli::kExitLink);
}

void ScanRunner::finish(int code) {
    if (finished_)
        return;
    finished_ = true;
    exitCode_ = code;
    if (bus_)
        sayCounters(*bus_, code);
    if (onFinished)
        onFinished();
}

int runScan(const cli::CommandLine& commandLine, forms::Clock& clock, link::CommPort& port,
            const settings::StorePaths& stores, const cli::CommandOutput& output) {
    ScanRunner runner(commandLine, clock, port, stores, output);
    QEventLoop loop;
    runner.onFinished = [&loop] { loop.quit(); };
    runner.start();
    if (!runner.finished())
        loop.exec();
    return runner.exitCode();
}

} // namespace qtx52::cli
