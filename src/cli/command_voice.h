#pragma once

// What every windowless command says and how: its lines in the interface's language, progress
// only without --quiet, and the bus options (--trace from the start, the counters after --stats
// or a failure). The commands derive from it.

#include "cli/cli_texts.h"
#include "cli/command_line.h"
#include "cli/command_output.h"

namespace qtx52::bus {
class BusWatch;
}

namespace qtx52::cli {

class CommandVoice {
protected:
    CommandVoice(const CommandLine& commandLine, CommandOutput output);
    ~CommandVoice() = default;

    QString text(CliText id, const QStringList& args = {}) const;
    void say(const QString& line) const;  // always shown
    void step(const QString& line) const; // progress, not with --quiet
    void result(const QString& line) const;
    // Writes the trace of --trace from `watch`; false, and said why, when its file cannot be made.
    bool startTrace(bus::BusWatch& watch) const;
    // The link counters in words, after --stats or a command that failed.
    void sayCounters(const bus::BusWatch& watch, int exitCode) const;

    CommandLine cl_;
    CommandOutput out_;
    Language language_ = Language::German;
};

} // namespace qtx52::cli
