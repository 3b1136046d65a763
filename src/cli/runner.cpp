#include "cli/runner.h"

#include "cli/runner_steps.h"

#include "cli/scan.h"

#include "bus/bus_watch.h"

#include "app/program.h"
#include "app/shown_value.h"
#include "cli/cli_texts.h"
#include "cli/command_ui.h"
#include "cli/stop_signals.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "link/commport.h"
#include "link/transaction.h"
#include "monitor/monitor_recorder.h"
#include "windows/dlg_download.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <cstdio>

namespace qtx52::cli {

using namespace app;
using namespace steps;

namespace {

constexpr qint64 kPollMs = 10;
// Slack on top of the derived limit, and how often a line says the command is still waiting.
constexpr qint64 kLimitSlackMs = 5000;
constexpr qint64 kProgressEveryMs = 5000;

// Transfer states in which the status window closes at the end of a step of a command.
constexpr int kReadOutLastState = 9;
constexpr int kConfigWriteLastState = 4;

void printLine(std::FILE* stream, const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// Chooses the entry with this text, as a user picks it from the list.
bool choose(forms::ListBox& list, const QString& entry) {
    const int position = int(list.items().indexOf(entry));
    return position >= 0 && list.setListIndex(position);
}

} // namespace

CommandOutput CommandOutput::standard() {
    return {[](const QString& line) { printLine(stdout, line); },
            [](const QString& line) { printLine(stderr, line); }};
}

CommandRunner::CommandRunner(const CommandLine& commandLine, forms::Clock& clock,
                             link::CommPort& port, settings::StorePaths stores,
                             CommandOutput output)
    : CommandVoice(commandLine, std::move(output)), clock_(clock), port_(port),
      stores_(std::move(stores)),
      ui_(std::make_unique<CommandUi>([this](const QString& line) { say(line); })) {}

struct CommandRunner::LinkWatch final : link::LinkObserver {
    int sent = 0;
    bool refused = false;
    void frameSent(const link::SentFrame&) override { ++sent; }
    void transactionFailed(link::Failure why) override {
        if (why == link::Failure::Exception)
            refused = true;
    }
};

CommandRunner::~CommandRunner() {
    // The windows go before the person they talk to, and what watches them before the windows.
    recorder_.reset();
    bus_.reset();
    program_.reset();
}

void CommandRunner::startWaiting(int requests) {
    phaseStartMs_ = clock_.nowMs();
    lastProgressMs_ = phaseStartMs_;
    phaseRequests_ = requests;
    deadlineMs_ = phaseStartMs_ + waitLimitMs();
}

qint64 CommandRunner::waitLimitMs() const {
    const editor::frm_config& f = program_->frm_config();
    const qint64 pacing = std::max(f.Timer1.interval(), f.Timer6.interval());
    const qint64 perRequest = pacing + link::giveUpMs(f.linkTiming());
    return phaseRequests_ * perRequest + kLimitSlackMs;
}

void CommandRunner::start() {
    using Command = CommandLine::Command;
    // The interface's language, before anything is said.
    language_ = storeLanguage(stores_);
    if (!cl_.error.isEmpty()) {
        say(usageError(cl_, language_));
        finish(kExitUsage);
        return;
    }
    if (cl_.command != Command::ReadOut && cl_.command != Command::Write &&
        cl_.command != Command::Monitor && cl_.command != Command::Diff) {
        say(text(CliText::UsageNoCommand));
        finish(kExitUsage);
        return;
    }
    // The file of --write is read first: nothing goes to the unit from a file that cannot be used
    // whole.
    if (cl_.command == Command::Write && !readFile())
        return;
    program_ = std::make_unique<Program>(clock_, port_, *ui_, stores_);
    bus_ = std::make_unique<bus::BusWatch>(*program_);
    if (!startTrace(*bus_)) {
        finish(kExitFile);
        return;
    }
    linkWatch_ = std::make_unique<LinkWatch>();
    program_->linkEvents.add(linkWatch_.get());
    Main(*program_);
    editor::frm_config& f = program_->frm_config();
    f.fastReads = cl_.link.fast;
    language_ = languageOf(program_->g.languageId);
    // Every value of the file is checked before the port opens: nothing goes to the unit unless
    // all of it can.
    if (file_ && !checkFile())
        return;
    connect(&f.lbl_desc(kNotice), &forms::Control::changed, this, [this, &f] {
        if (f.lbl_desc(kNotice).visible())
            noticeShown_ = true;
    });
    // The status window tells the main window when it closes, while commState still tells the
    // step that ended.
    connect(&f, &transfer::MainWindowTransfer::chainEnded, this, [this](int state, bool answered) {
        closings_.push_back({state, answered});
    });
    ui_->modal = [this](forms::Form& form) {
        windows::dlg_download& dialog = program_->dlg_download();
        if (&form != &dialog.form)
            return;
        dialog.CancelButton.userClick();
        nothingToWrite_ = true;
    };

    if (!openPort()) {
        finish(kExitLink);
        return;
    }
    // A line over the network connects in the event loop, within its connect bound.
    if (f.portOpening())
        connect(
            &f, &transfer::MainWindowTransfer::portOpenEnded, this, [this] { opened(); },
            Qt::SingleShotConnection);
    else
        opened();
}

void CommandRunner::opened() {
    if (finished_)
        return;
    if (!program_->g.portOpen || !port_.portOpen()) {
        say(text(CliText::PortNotOpened));
        finish(kExitLink);
        return;
    }
    poll_ = clock_.createTimer([this] { poll(); });
    poll_->start(kPollMs);
    // The monitor starts at once: a read-out first would cost a slow unit minutes (its pacing
    // grows with the response time). Without one the unit's units are unknown, and the header
    // names its columns without them.
    if (cl_.command == CommandLine::Command::Monitor)
        startMonitor();
    else
        startReadOut();
}

bool CommandRunner::openPort() {
    editor::frm_config& f = program_->frm_config();
    const LinkOptions& o = cl_.link;
    bool offered = true;
    if (o.port > 0)
        offered = choose(f.Combo_Port(kPortSelector), QStringLiteral("COM%1").arg(o.port));
    offered = offered && choose(f.Combo_Port(kBaudSelector), o.baud) &&
              choose(f.Combo_Port(kParitySelector), link::parityName(o.parity.toLatin1())) &&
              choose(f.Combo_Port(kModeSelector), o.mode);
    f.txt_Modbus_adress->setText(QString::number(o.address));
    if (!offered) {
        say(text(CliText::SelectorsRefuse));
        return false;
    }

    const forms::ListBox& port = f.Combo_Port(kPortSelector);
    QString device = f.portDevice(port.listIndex());
    // The simulated unit's port names it in English; the line says it in the interface's words.
    if (device == cliText(CliText::SimulatedUnit, Language::English))
        device = text(CliText::SimulatedUnit);
    step(text(CliText::Opening,
              {port.text(), device.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(device),
               o.baud, link::parityName(o.parity.toLatin1()), o.mode, QString::number(o.address)}));
    choose(f.Combo_Port(kStateSelector), QStringLiteral("open"));
    return true;
}

void CommandRunner::poll() {
    if (finished_)
        return;
    editor::frm_config& f = program_->frm_config();
    if (recordFailed_) {
        // The recorder has said why.
        finish(kExitFile);
        return;
    }
    if (linkWatch_->refused) {
        // The refusal's message has been shown with the reason in words.
        finish(kExitRefused);
        return;
    }
    if (noticeShown_) {
        say(f.lbl_desc(kNotice).caption());
        finish(kExitLink);
        return;
    }
    if (phase_ != Phase::Idle)
        deadlineMs_ = phaseStartMs_ + waitLimitMs();
    if (phase_ == Phase::ReadingOut || phase_ == Phase::WritingBack) {
        if (clock_.nowMs() - lastProgressMs_ >= kProgressEveryMs) {
            lastProgressMs_ = clock_.nowMs();
            step(text(CliText::StillWaiting,
                      {QString::number(linkWatch_->sent),
                       QString::number((clock_.nowMs() - phaseStartMs_) / 1000),
                       QString::number((deadlineMs_ - phaseStartMs_ + 999) / 1000)}));
        }
    }
    if (clock_.nowMs() > deadlineMs_) {
        say(text(CliText::NotInTime));
        finish(kExitLink);
        return;
    }

    switch (phase_) {
    case Phase::ReadingOut:
    case Phase::WritingBack:
        while (!closings_.empty()) {
            const Closing c = closings_.front();
            closings_.pop_front();
            if (phase_ == Phase::WritingBack && c.state == kConfigWriteLastState) {
                step(text(CliText::ReadingBack));
                continue;
            }
            if (c.state == kReadOutLastState && c.answered) {
                if (phase_ == Phase::ReadingOut)
                    readOutDone();
                else
                    verify();
                return;
            }
            say(text(CliText::EndedEarly));
            finish(kExitLink);
            return;
        }
        break;
    case Phase::Monitoring:
        if (cl_.cycles > 0 && cycles_ >= cl_.cycles) {
            f.chk_read_out->userClick();
            finish(kExitOk);
        }
        break;
    case Phase::Idle:
        break;
    }
}

void CommandRunner::finish(int code) {
    if (finished_)
        return;
    finished_ = true;
    exitCode_ = code;
    phase_ = Phase::Idle;
    if (poll_)
        poll_->stop();
    if (recorder_)
        recorder_->stop();
    if (program_) {
        // Leaves the window as a technician would: status window gone, port closed, which also
        // stops every timer of the link and the monitor.
        program_->unloadFrmState();
        choose(program_->frm_config().Combo_Port(kStateSelector), QStringLiteral("close"));
    }
    if (bus_)
        sayCounters(*bus_, code);
    if (onFinished)
        onFinished();
}

int runCommand(const CommandLine& commandLine, forms::Clock& clock, link::CommPort& port,
               const settings::StorePaths& stores, const CommandOutput& output) {
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "qtx52-config";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (commandLine.command == CommandLine::Command::Scan)
        return cli::runScan(commandLine, clock, port, stores, output);
    CommandRunner runner(commandLine, clock, port, stores, output);
    QEventLoop loop;
    runner.onFinished = [&loop] { loop.quit(); };
    // A monitor without end runs until Ctrl+C or SIGTERM, and then ends as if it had counted out.
    std::unique_ptr<StopSignals> stopSignals;
    if (commandLine.command == CommandLine::Command::Monitor)
        stopSignals = std::make_unique<StopSignals>([&runner](int) { runner.interrupt(); });
    runner.start();
    if (!runner.finished())
        loop.exec();
    return runner.exitCode();
}

} // namespace qtx52::cli
