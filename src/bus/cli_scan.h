#pragma once

// --scan: the unit finder without a window. Each unit found is one line on standard output,
// progress and the summary go to standard error; exit 0 when a unit was found, 3 when none.

#include "app/cli.h"
#include "bus/unit_finder.h"

#include <memory>

namespace qtx52::bus {

// The settings the scan probes, in order, from the command line: its link settings first.
FinderOptions scanOptions(const app::CommandLine& commandLine);

class ScanRunner {
public:
    ScanRunner(const app::CommandLine& commandLine, forms::Clock& clock, link::CommPort& port,
               app::CommandOutput output);

    void start();
    void cancel() { finder_.cancel(); }
    bool finished() const { return finished_; }
    int exitCode() const { return exitCode_; }
    std::function<void()> onFinished;

private:
    void finish(int code);

    app::CommandLine cl_;
    forms::Clock& clock_;
    link::CommPort& port_;
    app::CommandOutput out_;
    UnitFinder finder_;
    FinderOptions options_;
    qint64 startMs_ = 0;
    int lastLine_ = -1;
    bool finished_ = false;
    int exitCode_ = app::kExitOk;
};

// Runs the scan in an event loop of its own on the Qt clock; returns the exit code.
int runScan(const app::CommandLine& commandLine, forms::Clock& clock, link::CommPort& port,
            const app::CommandOutput& output);

} // namespace qtx52::bus
