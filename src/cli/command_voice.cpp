#include "cli/command_voice.h"

#include "bus/bus_watch.h"
#include "bus/status_line.h"

namespace qtx52::cli {

CommandVoice::CommandVoice(const CommandLine& commandLine, CommandOutput output)
    : cl_(commandLine), out_(std::move(output)) {}

QString CommandVoice::text(CliText id, const QStringList& args) const {
    return cliText(id, language_, args);
}

void CommandVoice::say(const QString& line) const {
    if (out_.progress)
        out_.progress(line);
}

void CommandVoice::step(const QString& line) const {
    if (!cl_.quiet)
        say(line);
}

void CommandVoice::result(const QString& line) const {
    if (out_.result)
        out_.result(line);
}

bool CommandVoice::startTrace(bus::BusWatch& watch) const {
    if (cl_.trace.isEmpty())
        return true;
    const QString error = watch.traceTo(cl_.trace, [this](const QString& l) { say(l); });
    if (!error.isEmpty())
        say(error);
    return error.isEmpty();
}

void CommandVoice::sayCounters(const bus::BusWatch& watch, int exitCode) const {
    if (cl_.stats || exitCode != kExitOk)
        say(text(CliText::LinkCounters,
                 {bus::countersText(watch.stats, language_ == Language::English, true)}));
}

} // namespace qtx52::cli
