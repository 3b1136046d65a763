#pragma once

// --scan: the unit finder without a window. Each unit found is one line on standard output,
// progress and the summary go to standard error; exit 0 when a unit was found, 3 when none.

#include "bus/unit_finder.h"
#include "cli/command_line.h"
#include "cli/command_output.h"

#include <memory>

namespace qtx52::cli {

// The settings the scan probes, in order, from the command line: its link settings first.
bus::FinderOptions scanOptions(const cli::CommandLine& commandLine);

class ScanRunner {
public:
    ScanRunner(const cli::CommandLine& commandLine, forms::Clock& clock, link::CommPort& port,
               cli::CommandOutput output);

    void start();
    void cancel() { finder_.cancel(); }
    bool finished() const { return finished_; }
    int exitCode() const { return exitCode_; }
    std::function<void()> onFinished;

private:
    void finish(int code);

    cli::CommandLine cl_;
    forms::Clock& clock_;
    link::CommPort& port_;
    cli::CommandOutput out_;
    bus::UnitFinder finder_;
    bus::FinderOptions options_;
    qint64 startMs_ = 0;
    int lastLine_ = -1;
    bool finished_ = false;
    int exitCode_ = cli::kExitOk;
};

// Runs the scan in an event loop of its own on the Qt clock; returns the exit code.
int runScan(const cli::CommandLine& commandLine, forms::Clock& clock, link::CommPort& port,
            const cli::CommandOutput& output);

} // namespace qtx52::cli
