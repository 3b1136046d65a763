#pragma once

// --scan: the unit finder without a window, under the command line's rules: its lines in the
// interface's language, --trace and --stats as for the other commands, a port that cannot be
// used named with its reason (and the group to join), an adapter lost mid-scan said as lost. Each
// unit found is one line on standard output, progress and the summary go to standard error;
// exit 0 when a unit was found, 3 when none.

#include "bus/unit_finder.h"
#include "cli/cli_texts.h"
#include "cli/command_line.h"
#include "cli/command_output.h"
#include "cli/command_voice.h"
#include "link/link_events.h"
#include "settings/store_paths.h"

#include <memory>

namespace qtx52::bus {
class BusWatch;
}

namespace qtx52::cli {

// The settings the scan probes, in order, from the command line: its link settings first.
bus::FinderOptions scanOptions(const cli::CommandLine& commandLine);

class ScanRunner : protected CommandVoice {
public:
    ScanRunner(const cli::CommandLine& commandLine, forms::Clock& clock, link::CommPort& port,
               settings::StorePaths stores, cli::CommandOutput output);
    ~ScanRunner();

    void start();
    void cancel() { finder_.cancel(); }
    bool finished() const { return finished_; }
    int exitCode() const { return exitCode_; }
    std::function<void()> onFinished;

private:
    void finish(int code);
    void finderDone();

    forms::Clock& clock_;
    link::CommPort& port_;
    settings::StorePaths stores_;
    link::LinkEvents events_;
    std::unique_ptr<bus::BusWatch> bus_; // --trace and --stats
    bus::UnitFinder finder_;
    bus::FinderOptions options_;
    link::CommError lost_; // the adapter went away during the scan
    qint64 startMs_ = 0;
    int lastLine_ = -1;
    bool finished_ = false;
    int exitCode_ = cli::kExitOk;
};

// Runs the scan in an event loop of its own on the Qt clock; returns the exit code.
int runScan(const cli::CommandLine& commandLine, forms::Clock& clock, link::CommPort& port,
            const settings::StorePaths& stores, const cli::CommandOutput& output);

} // namespace qtx52::cli
