#include "app/cli.h"

#include "bus/bus_watch.h"
#include "bus/cli_scan.h"

#include "app/cli_texts.h"
#include "app/command_ui.h"
#include "app/program.h"
#include "app/shown_value.h"
#include "app/stop_signals.h"
#include "editor/frm_config.h"
#include "files/parameter_file.h"
#include "forms/clock.h"
#include "link/commport.h"
#include "link/transaction.h"
#include "monitor/monitor_recorder.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "params/write_check.h"
#include "windows/dlg_download.h"
#include "windows/frmState.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstdio>

namespace qtx52::app {

namespace {

constexpr qint64 kPollMs = 10;
// The longest gap between two monitor cycles. The link's own failure handling reports a silent
// unit within seconds; the limits only bound a transfer that keeps going without ending.
constexpr qint64 kCycleLimitMs = 15000;
// Requests of a read-out (read device and nine steps) and of a write-back with its read-out
// (four register blocks, two coil groups, one input block and its coils, then the read-out).
constexpr int kReadOutRequests = 10;
constexpr int kWriteBackRequests = 8 + kReadOutRequests;
// Slack on top of the derived limit, and how often a line says the command is still waiting.
constexpr qint64 kLimitSlackMs = 5000;
constexpr qint64 kProgressEveryMs = 5000;

constexpr int kPortSelector = 0;
constexpr int kBaudSelector = 1;
constexpr int kParitySelector = 2;
constexpr int kModeSelector = 5;
constexpr int kStateSelector = 6;
constexpr int kNotice = 16;
constexpr int kMenuLoad = 1;
constexpr int kMenuSave = 2;

// Transfer states in which the status window closes at the end of a step of a command.
constexpr int kReadOutLastState = 9;
constexpr int kConfigWriteLastState = 4;

// Where the load finds the values in a parameter file: the third ";" piece of lines 17..52
// (registers 2..37) and 53..66 (coils 0..13).
constexpr int kFirstRegisterLine = 15;
constexpr int kFirstWrittenRegister = 2;
constexpr int kRegisters = 38;
constexpr int kFirstCoilLine = kFirstRegisterLine + kRegisters;
constexpr int kCoils = 14;
constexpr int kLangTextConfigBit = 8; // "Konfigurationsbit" / "configuration bit"

void printLine(std::FILE* stream, const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

QString parityEntry(QChar parity) {
    if (parity == QLatin1Char('N'))
        return QStringLiteral("None");
    if (parity == QLatin1Char('O'))
        return QStringLiteral("Odd");
    return QStringLiteral("Even");
}

// Chooses the entry with this text, as a user picks it from the list.
bool choose(forms::ListBox& list, const QString& entry) {
    const int position = int(list.items().indexOf(entry));
    return position >= 0 && list.setListIndex(position);
}

// Why a file cannot be read, in words of the table.
CliText unreadable(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return CliText::FileMissing;
    if (info.isDir())
        return CliText::FileIsFolder;
    if (!info.isReadable())
        return CliText::FileNoPermission;
    return CliText::FileUnreadable;
}

} // namespace

struct CommandRunner::FileValues {
    std::array<QString, kRegisters> registers; // 0 and 1 are not loaded
    std::array<QString, kCoils> coilTexts;     // as the file has them
    std::array<int, kCoils> coils{};
    int registersRead = 0;
    int coilsRead = 0;
    bool complete() const {
        return registersRead == kRegisters - kFirstWrittenRegister && coilsRead == kCoils;
    }

    // The values as the file menu's load takes them, by line position.
    explicit FileValues(const QByteArray& bytes) {
        const QStringList lines = files::splitParameterLines(files::fromWindows1252(bytes));
        const auto piece = [&lines](int number) -> std::optional<QString> {
            const QStringList pieces = lines.value(number - 1).split(QLatin1Char(';'));
            return pieces.size() > 2 ? std::optional(pieces.at(2)) : std::nullopt;
        };
        for (int i = kFirstWrittenRegister; i < kRegisters; ++i) {
            if (const std::optional<QString> text = piece(kFirstRegisterLine + i)) {
                registers[std::size_t(i)] = *text;
                ++registersRead;
            }
        }
        for (int i = 0; i < kCoils; ++i) {
            bool ok = false;
            coilTexts[std::size_t(i)] = piece(kFirstCoilLine + i).value_or(QString());
            const int state = coilTexts[std::size_t(i)].trimmed().toShort(&ok);
            if (ok && state >= 0 && state <= 2) {
                coils[std::size_t(i)] = state;
                ++coilsRead;
            }
        }
    }

    // Every value the write sends, with the line it stands on.
    std::vector<params::WriteValue> toWrite() const {
        std::vector<params::WriteValue> values;
        for (int i = kFirstWrittenRegister; i < kRegisters; ++i)
            values.push_back({params::WriteKind::ConfigRegister, i, registers[std::size_t(i)],
                              kFirstRegisterLine + i});
        for (int i = 0; i < kCoils; ++i)
            values.push_back(
                {params::WriteKind::ConfigCoil, i, coilTexts[std::size_t(i)], kFirstCoilLine + i});
        return values;
    }
};

CommandOutput CommandOutput::standard() {
    return {[](const QString& line) { printLine(stdout, line); },
            [](const QString& line) { printLine(stderr, line); }};
}

CommandRunner::CommandRunner(const CommandLine& commandLine, forms::Clock& clock,
                             link::CommPort& port, settings::StorePaths stores,
                             CommandOutput output)
    : cl_(commandLine), clock_(clock), port_(port), stores_(std::move(stores)),
      out_(std::move(output)),
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

QString CommandRunner::text(CliText id, const QStringList& args) const {
    return cliText(id, language_, args);
}

void CommandRunner::say(const QString& line) const {
    if (out_.progress)
        out_.progress(line);
}

void CommandRunner::step(const QString& line) const {
    if (!cl_.quiet)
        say(line);
}

void CommandRunner::result(const QString& line) const {
    if (out_.result)
        out_.result(line);
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
        cl_.command != Command::Monitor) {
        say(text(CliText::UsageNoCommand));
        finish(kExitUsage);
        return;
    }
    if (cl_.command == Command::Write) {
        // The file is read first: nothing goes to the unit from a file that cannot be used whole.
        QFile file(cl_.file);
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        if (!file.isOpen() || file.error() != QFileDevice::NoError) {
            say(text(unreadable(cl_.file), {cl_.file}));
            finish(kExitFile);
            return;
        }
        file_ = std::make_unique<FileValues>(bytes);
        if (!file_->complete()) {
            say(text(CliText::FileIncomplete,
                     {cl_.file, QString::number(file_->registersRead),
                      QString::number(kRegisters - kFirstWrittenRegister),
                      QString::number(file_->coilsRead), QString::number(kCoils)}));
            finish(kExitFile);
            return;
        }
    }

    program_ = std::make_unique<Program>(clock_, port_, *ui_, stores_);
    bus_ = std::make_unique<bus::BusWatch>(*program_);
    if (!cl_.trace.isEmpty()) {
        if (const QString error = bus_->traceTo(cl_.trace, [this](const QString& l) { say(l); });
            !error.isEmpty()) {
            say(error);
            finish(kExitFile);
            return;
        }
    }
    linkWatch_ = std::make_unique<LinkWatch>();
    program_->linkEvents.add(linkWatch_.get());
    Main(*program_);
    editor::frm_config& f = program_->frm_config();
    f.fastReads = cl_.fast;
    language_ = languageOf(program_->g.languageId);
    if (file_) {
        // Every value of the file is checked before the port opens: nothing goes to the unit
        // unless all of it can.
        const std::vector<params::WriteProblem> problems =
            params::checkWrite(file_->toWrite(), program_->g.decimalSeparator);
        if (!problems.empty()) {
            say(text(CliText::FileValuesRefused, {cl_.file}));
            for (const QString& line : params::problemLines(problems, program_->g.languageId,
                                                            program_->g.decimalSeparator))
                say(QStringLiteral("  ") + line);
            finish(kExitFile);
            return;
        }
    }
    connect(&f.lbl_desc(kNotice), &forms::Control::changed, this, [this, &f] {
        if (f.lbl_desc(kNotice).visible())
            noticeShown_ = true;
    });
    // Connected after the window's own handler: runs once a received reply has been decoded.
    connect(&f.Timer4, &forms::Timer::tick, this, [this] { afterReceive(); });
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

void CommandRunner::startMonitor() {
    editor::frm_config& f = program_->frm_config();
    recorder_ = std::make_unique<monitor::MonitorRecorder>(*program_);
    recorder_->unitsKnown = false;
    recorder_->report = [this](const QString& line) { say(line); };
    // Told from inside the reply path: the command ends at its next look, not in the middle.
    connect(recorder_.get(), &monitor::MonitorRecorder::failed, this,
            [this] { recordFailed_ = true; });
    connect(recorder_.get(), &monitor::MonitorRecorder::cycle, this, [this](const QString& line) {
        if (finished_ || recordFailed_ || phase_ != Phase::Monitoring ||
            (cl_.cycles > 0 && cycles_ >= cl_.cycles))
            return;
        ++cycles_;
        deadlineMs_ = clock_.nowMs() + kCycleLimitMs;
        result(line);
        // The file holds the lines printed and no more, even if the next cycle comes quickly.
        if (cl_.cycles > 0 && cycles_ >= cl_.cycles)
            recorder_->stop();
    });
    if (!cl_.log.isEmpty() && !recorder_->start(cl_.log)) {
        finish(kExitFile);
        return;
    }
    if (cl_.cycles > 0)
        step(text(CliText::Monitoring, {QString::number(cl_.cycles)}));
    else
        step(text(CliText::MonitoringUntilInterrupted));
    result(recorder_->header());
    f.chk_read_out->userClick();
    if (f.chk_read_out->value() != 1) {
        say(text(CliText::MonitorNotStarted));
        finish(kExitLink);
        return;
    }
    phase_ = Phase::Monitoring;
    deadlineMs_ = clock_.nowMs() + kCycleLimitMs;
}

void CommandRunner::interrupt() {
    if (finished_)
        return;
    // Asked to stop, also during the read-out it starts with: nothing has failed.
    step(QStringLiteral("interrupted after %1 cycles").arg(cycles_));
    finish(kExitOk);
}

bool CommandRunner::openPort() {
    editor::frm_config& f = program_->frm_config();
    const LinkOptions& o = cl_.link;
    bool offered = true;
    if (o.port > 0)
        offered = choose(f.Combo_Port(kPortSelector), QStringLiteral("COM%1").arg(o.port));
    offered = offered && choose(f.Combo_Port(kBaudSelector), o.baud) &&
              choose(f.Combo_Port(kParitySelector), parityEntry(o.parity)) &&
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
               o.baud, parityEntry(o.parity), o.mode, QString::number(o.address)}));
    choose(f.Combo_Port(kStateSelector), QStringLiteral("open"));
    if (!program_->g.portOpen || !port_.portOpen()) {
        say(text(CliText::PortNotOpened));
        return false;
    }
    return true;
}

void CommandRunner::startReadOut() {
    editor::frm_config& f = program_->frm_config();
    step(text(CliText::ReadingOut));
    f.cmd_read_device->userClick();
    if (program_->g.commState != 6) {
        say(text(CliText::ReadOutNotStarted));
        finish(kExitLink);
        return;
    }
    phase_ = Phase::ReadingOut;
    startWaiting(kReadOutRequests);
}

void CommandRunner::readOutDone() {
    if (cl_.command == CommandLine::Command::Monitor)
        startMonitor();
    else if (cl_.command == CommandLine::Command::ReadOut)
        saveFile();
    else
        writeFile();
}

void CommandRunner::saveFile() {
    step(text(CliText::Saving, {cl_.file}));
    const int messages = ui_->messageCount();
    ui_->answerSave(cl_.file);
    program_->frm_config().ParMenüMain_Click(kMenuSave);
    if (ui_->messageCount() != messages) {
        finish(kExitFile);
        return;
    }
    result(text(CliText::Saved, {QString::number(cl_.link.address), cl_.file}));
    finish(kExitOk);
}

void CommandRunner::writeFile() {
    editor::frm_config& f = program_->frm_config();
    step(text(CliText::Loading, {cl_.file}));
    const int messages = ui_->messageCount();
    ui_->answerOpen(cl_.file);
    f.ParMenüMain_Click(kMenuLoad);
    if (ui_->messageCount() != messages) {
        finish(kExitFile);
        return;
    }
    // The file carries the station it was saved from; the unit written is the one the command
    // line names, so that one file can commission any number of units.
    const QString station = QString::number(cl_.link.address);
    if (f.txt_Modbus_adress->text() != station) {
        step(text(CliText::OtherStation, {shownValue(f.txt_Modbus_adress->text()), station}));
        f.txt_Modbus_adress->setText(station);
    }

    step(text(CliText::Writing));
    f.set_parameter->userClick();
    if (nothingToWrite_) {
        // The editor found nothing changed; that is only said when the unit holds the file.
        const QStringList differences = differencesFromFile();
        if (differences.isEmpty()) {
            result(text(CliText::NothingToWrite, {cl_.file}));
            finish(kExitOk);
            return;
        }
        for (const QString& d : differences)
            result(d);
        say(text(CliText::FieldsDifferUnwritten, {QString::number(differences.size()), cl_.file}));
        finish(kExitMismatch);
        return;
    }
    if (program_->g.commState != 2) {
        say(text(CliText::WriteNotStarted));
        finish(kExitLink);
        return;
    }
    phase_ = Phase::WritingBack;
    startWaiting(kWriteBackRequests);
}

QStringList CommandRunner::differencesFromFile() const {
    // What the unit holds is what the last read-out gave the editor: its reference values.
    const Global& g = program_->g;
    using params::WriteKind;
    QStringList differences;
    for (int i = kFirstWrittenRegister; i < kRegisters; ++i) {
        const QString& wanted = file_->registers[std::size_t(i)];
        const double held = g.refDataCfg[std::size_t(i)];
        const std::optional<double> value = params::writeNumber(wanted, g.decimalSeparator);
        if (!value || *value != held)
            differences << text(CliText::Difference,
                                {params::fileFieldName(WriteKind::ConfigRegister, i, g.languageId),
                                 shownValue(wanted),
                                 params::formatNumber(held, g.decimalSeparator)});
    }
    for (int i = 0; i < kCoils; ++i) {
        const int wanted = file_->coils[std::size_t(i)];
        const int held = g.refCfgBits[std::size_t(i)];
        if (wanted != held)
            differences << text(CliText::CoilDifference,
                                {params::fileFieldName(WriteKind::ConfigCoil, i, g.languageId),
                                 QString::number(wanted), QString::number(held)});
    }
    return differences;
}

void CommandRunner::verify() {
    const QStringList differences = differencesFromFile();
    if (differences.isEmpty()) {
        result(text(CliText::Verified,
                    {cl_.file, QString::number(kFirstWrittenRegister + 1),
                     QString::number(kRegisters), program_->g.langTexts[kLangTextConfigBit],
                     QString::number(1), QString::number(kCoils)}));
        finish(kExitOk);
        return;
    }
    for (const QString& d : std::as_const(differences))
        result(d);
    say(text(CliText::FieldsDiffer, {QString::number(differences.size()), cl_.file}));
    finish(kExitMismatch);
}

void CommandRunner::watchStatusWindow() {
    if (!program_ || !program_->frmStateLoaded())
        return;
    windows::frmState& window = program_->frmState();
    if (watchedStatusWindow_ == &window)
        return;
    watchedStatusWindow_ = &window;
    // The close button appears when the window closes, while commState still tells the step.
    connect(&window.cmdOK, &forms::Control::changed, this, [this, &window, seen = false]() mutable {
        if (seen || !window.cmdOK.visible())
            return;
        seen = true;
        closings_.push_back({program_->g.commState, program_->g.linkReady});
    });
}

void CommandRunner::afterReceive() {
    watchStatusWindow();
}

void CommandRunner::poll() {
    if (finished_)
        return;
    watchStatusWindow();
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
    if (phase_ == Phase::ReadingOut || phase_ == Phase::WritingBack) {
        deadlineMs_ = phaseStartMs_ + waitLimitMs();
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
    if (bus_ && (cl_.stats || code != kExitOk))
        say(QStringLiteral("link: ") + bus_->stats.summary());
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
        return bus::runScan(commandLine, clock, port, output);
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

} // namespace qtx52::app
