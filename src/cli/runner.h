#pragma once

// The commands without a window: --read-out FILE, --write FILE and --monitor N. Each runs the
// program's own window logic (Main, the main window's handlers, the sequencer and the reply
// decoder) with no view attached, acting on the controls as a technician would: choose the link
// settings in the selectors, open the port, click the buttons, use the file menu.
//
// Results go to standard output, progress to standard error (one line per step, none with
// --quiet). Message boxes of the logic become lines on standard error and never block.

#include "cli/cli_texts.h"
#include "cli/command_line.h"
#include "cli/command_output.h"
#include "cli/command_voice.h"
#include "files/parameter_set.h"
#include "settings/store_paths.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace qtx52::forms {
class Clock;
class ClockTimer;
} // namespace qtx52::forms
namespace qtx52::link {
class CommPort;
}

namespace qtx52::app {
class Program;
}
namespace qtx52::bus {
class BusWatch;
}
namespace qtx52::monitor {
class MonitorRecorder;
}

namespace qtx52::cli {

class CommandUi;
using app::Language;
using app::Program;

// One command on one port. start() sets the program up and takes the first step; from then on the
// command moves on with the program's timers on the given clock until finished().
class CommandRunner : public QObject, protected CommandVoice {
    Q_OBJECT
public:
    CommandRunner(const CommandLine& commandLine, forms::Clock& clock, link::CommPort& port,
                  settings::StorePaths stores, CommandOutput output);
    ~CommandRunner() override;

    void start();
    // Ctrl+C or SIGTERM during --monitor: it stops here with exit code 0, every line printed and
    // recorded whole. (The other commands keep the signals' usual meaning.)
    void interrupt();
    bool finished() const { return finished_; }
    int exitCode() const { return exitCode_; }
    // Called once when the command has finished.
    std::function<void()> onFinished;

private:
    enum class Phase { Idle, ReadingOut, WritingBack, Monitoring };
    // The status window closed: the transfer state it closed in, and whether the last request
    // had its answer (a close by the window's time limit leaves it outstanding).
    struct Closing {
        int state;
        bool answered;
    };

    // cli/runner.cpp: the shared steps.
    bool openPort();
    // The port's open has ended: the command goes on, or ends when the port is not open.
    void opened();
    void poll();
    void finish(int code);

    forms::Clock& clock_;
    link::CommPort& port_;
    settings::StorePaths stores_;
    std::unique_ptr<CommandUi> ui_;
    std::unique_ptr<Program> program_;
    std::unique_ptr<bus::BusWatch> bus_; // --trace and --stats
    std::unique_ptr<forms::ClockTimer> poll_;
    // --monitor: the cycles as CSV lines, and into the file of --log.
    std::unique_ptr<monitor::MonitorRecorder> recorder_;
    bool recordFailed_ = false;

    // cli/read_out.cpp
    void startReadOut();
    void readOutDone();
    void saveFile();
    // cli/write.cpp: the file is read and checked before the port opens; false when the command
    // has finished on it.
    bool readFile();
    // Before the port opens what needs no unit; after the read-out also the editor's limits of
    // the values the unit does not hold already.
    bool checkFile(bool unitRead = false);
    // The file's device coding against the unit's (another kind: exit 7); a firmware that
    // differs is said.
    bool sameKindOfUnit();
    // The fields the write will change, unit -> file, named as the file names them.
    void listChanges();
    void writeFile();
    void verify();
    // The fields whose value in the file differs from what the unit holds, one line each.
    QStringList differencesFromFile() const;
    // cli/monitor.cpp
    void startMonitor();
    // cli/diff.cpp: the file of --diff against the unit just read out.
    void diffWithUnit();
    // cli/report.cpp: the sheet of --report, the file of the command attached; false, said, when
    // it could not be written.
    bool writeReport(const std::optional<files::ParameterSet>& intended);

    // Sets the waiting limit of a phase of `requests` requests from now: each may take the pacing
    // interval and the time the link needs to give up on it, at the unit's response time as it
    // is known when the limit is looked at.
    void startWaiting(int requests);
    qint64 waitLimitMs() const;

    Phase phase_ = Phase::Idle;
    qint64 deadlineMs_ = 0;
    qint64 phaseStartMs_ = 0;
    int phaseRequests_ = 0;
    qint64 lastProgressMs_ = 0;
    // Told by the link's reports: requests sent, and whether the unit refused one.
    struct LinkWatch;
    std::unique_ptr<LinkWatch> linkWatch_;
    bool finished_ = false;
    int exitCode_ = kExitOk;
    bool noticeShown_ = false;
    bool nothingToWrite_ = false;
    int changes_ = 0; // fields of the file the unit did not hold before the write
    std::deque<Closing> closings_;
    int cycles_ = 0;
    // The values of the file of --write, read before anything is sent.
    struct FileValues;
    struct FileValuesDelete {
        void operator()(FileValues* values) const;
    };
    std::unique_ptr<FileValues, FileValuesDelete> file_;
};

// Runs a command through the given port on the given clock, which must be the Qt clock: the
// command runs in an event loop of its own (a QCoreApplication is made when there is none).
// Returns the exit code.
int runCommand(const CommandLine& commandLine, forms::Clock& clock, link::CommPort& port,
               const settings::StorePaths& stores = settings::StorePaths::standard(),
               const CommandOutput& output = CommandOutput::standard());

// The same through the port the command line chooses: a serial device, or the simulated unit with
// --simulate. Lives with the simulated unit (src/sim/cli_main.cpp), which the core cannot see.
int runCommand(const CommandLine& commandLine);

// --diff A B: two parameter files, no port. Exit 0 the same, 4 different, 5 a file unreadable.
int runFileDiff(const CommandLine& commandLine, const CommandOutput& output, Language language);
// The bytes of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);

} // namespace qtx52::cli
