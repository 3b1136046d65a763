#include "commission/line_worker.h"

#include "app/program.h"
#include "bus/link_stats.h"
#include "cli/command_ui.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "link/commport.h"
#include "link/transaction.h"
#include "report/sheet_data.h"
#include "report/sheet_pdf.h"
#include "windows/dlg_download.h"
#include "windows/frmState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

namespace qtx52::commission {

namespace {

constexpr qint64 kPollMs = 10;
constexpr qint64 kOpenLimitMs = 5000; // a TCP connect gives up after 3 s
constexpr qint64 kLimitSlackMs = 5000;
// Requests of a read-out (register 6 and nine steps), and of a write with its read-back.
constexpr int kReadOutRequests = 10;
constexpr int kWriteRequests = 8 + kReadOutRequests;
constexpr int kPortSelector = 0;
constexpr int kBaudSelector = 1;
constexpr int kParitySelector = 2;
constexpr int kModeSelector = 5;
constexpr int kStateSelector = 6;
constexpr int kMenuLoad = 1;
constexpr int kMenuSave = 2;
constexpr int kReadOutLastState = 9;
constexpr int kConfigWriteLastState = 4;

bool choose(forms::ListBox& list, const QString& entry) {
    const int position = int(list.items().indexOf(entry));
    return position >= 0 && list.setListIndex(position);
}

} // namespace

struct LineWorker::LinkWatch final : link::LinkObserver {
    int sent = 0, taken = 0, failures = 0;
    bool refused = false, lost = false, silent = false;
    void frameSent(const link::SentFrame&) override { ++sent; }
    void frameReceived(const link::ReceivedFrame&) override { ++taken; }
    void transactionFailed(link::Failure why) override {
        ++failures;
        if (why == link::Failure::Exception)
            refused = true;
        else if (why == link::Failure::DeviceLost || why == link::Failure::WriteFailed)
            lost = true;
        else
            silent = true;
    }
    void reset() { *this = LinkWatch(); }
};

LineWorker::LineWorker(forms::Clock& clock, link::CommPort& port, settings::StorePaths stores,
                       std::vector<PlanUnit> units, RunOptions options, ResultStore* store)
    : clock_(clock), port_(port), units_(std::move(units)), options_(options), store_(store),
      ui_(std::make_unique<cli::CommandUi>([this](const QString& line) {
          lastMessage_ = line;
          if (say)
              say(line);
      })),
      program_(std::make_unique<app::Program>(clock, port, *ui_, std::move(stores))),
      watch_(std::make_unique<LinkWatch>()), stats_(std::make_unique<bus::LinkStats>(clock)) {
    program_->linkEvents.add(watch_.get());
    program_->linkEvents.add(stats_.get());
    ui_->modal = [this](forms::Form& form) {
        // The identical-parameters question: the set was found to differ, so it is answered no.
        windows::dlg_download& dialog = program_->dlg_download();
        if (&form == &dialog.form)
            dialog.CancelButton.userClick();
    };
}

LineWorker::~LineWorker() {
    if (program_) {
        program_->linkEvents.remove(watch_.get());
        program_->linkEvents.remove(stats_.get());
    }
    program_.reset();
}

void LineWorker::start() {
    app::Main(*program_);
    editor::frm_config& f = program_->frm_config();
    connect(&f.Timer4, &forms::Timer::tick, this, [this] { watchStatusWindow(); });
    poll_ = clock_.createTimer([this] { poll(); });
    poll_->start(kPollMs);
    nextUnit();
}

qint64 LineWorker::limitMs(int requests) const {
    const editor::frm_config& f = program_->frm_config();
    const qint64 pacing = std::max(f.Timer1.interval(), f.Timer6.interval());
    return requests * (pacing + link::giveUpMs(f.linkTiming())) + kLimitSlackMs;
}

void LineWorker::watchStatusWindow() {
    if (!program_->frmStateLoaded())
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
        closings_.emplace_back(program_->g.commState, program_->g.linkReady);
    });
}

bool LineWorker::openPort(const PlanUnit& unit) {
    editor::frm_config& f = program_->frm_config();
    program_->unloadFrmState();
    // The line stays open from a unit that ended well to the next at the same settings: only
    // the station changes, as a technician goes from unit to unit. A device server that takes
    // one connection at a time is not asked to take a new one for every unit.
    const QString settings = QStringLiteral("%1 %2 %3 %4")
                                 .arg(portNumber_)
                                 .arg(unit.baud, QString(unit.parity), unit.mode);
    if (keepOpen_ && settings == openSettings_ && program_->g.portOpen && port_.portOpen()) {
        f.txt_Modbus_adress->setText(QString::number(unit.station));
        return true;
    }
    openSettings_ = settings;
    choose(f.Combo_Port(kStateSelector), QStringLiteral("close"));
    if (portNumber_ > 0 && !f.Combo_Port(kPortSelector).setListIndex(portNumber_ - 1))
        return false;
    const bool offered =
        choose(f.Combo_Port(kBaudSelector), unit.baud) &&
        choose(f.Combo_Port(kParitySelector), link::parityName(unit.parity.toLatin1())) &&
        choose(f.Combo_Port(kModeSelector), unit.mode);
    f.txt_Modbus_adress->setText(QString::number(unit.station));
    f.fastReads = unit.fast;
    if (!offered)
        return false;
    choose(f.Combo_Port(kStateSelector), QStringLiteral("open"));
    return true;
}

void LineWorker::nextUnit() {
    phase_ = Phase::Idle;
    while (next_ < units_.size()) {
        const PlanUnit& unit = units_[next_];
        if (lineLost_ || cancelled_) {
            ++next_;
            record_ = UnitRecord{};
            record_.room = unit.room;
            unitStartMs_ = clock_.nowMs();
            end(lineLost_ ? Result::LineLost : Result::Cancelled);
            continue;
        }
        if (!options_.again && store_ && store_->done(unit.room, unit.set.sha256)) {
            ++next_;
            if (onSkipped)
                onSkipped(unit);
            continue;
        }
        break;
    }
    if (next_ >= units_.size()) {
        finished_ = true;
        if (poll_)
            poll_->stop();
        program_->unloadFrmState();
        choose(program_->frm_config().Combo_Port(kStateSelector), QStringLiteral("close"));
        if (onFinished)
            onFinished();
        return;
    }
    const PlanUnit& unit = units_[next_];
    record_ = UnitRecord{};
    record_.room = unit.room;
    unitStartMs_ = clock_.nowMs();
    watch_->reset();
    closings_.clear();
    lastMessage_.clear();
    if (!openPort(unit)) {
        end(Result::NoAnswer,
            words("Leitungseinstellungen nicht angeboten", "line settings not offered"));
        return;
    }
    phase_ = Phase::Opening;
    deadlineMs_ = clock_.nowMs() + kOpenLimitMs;
}

QString LineWorker::words(const char* de, const char* en) const {
    return QString::fromUtf8(program_->g.languageId == app::kLanguageEnglish ? en : de);
}

UnitValues LineWorker::held() const {
    UnitValues v;
    for (int i = 0; i < kConfigRegisters; ++i)
        v.registers[std::size_t(i)] = program_->g.refDataCfg[std::size_t(i)];
    for (int i = 0; i < kConfigCoils; ++i)
        v.coils[std::size_t(i)] = program_->g.refCfgBits[std::size_t(i)];
    return v;
}

void LineWorker::poll() {
    if (finished_ || phase_ == Phase::Idle)
        return;
    watchStatusWindow();
    if (watch_->lost || (phase_ != Phase::Opening && !port_.portOpen())) {
        lineLost_ = true;
        end(Result::LineLost, lastMessage_);
        return;
    }
    if (watch_->refused) {
        end(Result::Refused, lastMessage_);
        return;
    }
    if (watch_->silent) {
        end(Result::NoAnswer);
        return;
    }
    if (clock_.nowMs() > deadlineMs_) {
        if (phase_ == Phase::Opening) {
            lineLost_ = true;
            end(Result::LineLost, lastMessage_);
        } else {
            end(Result::NoAnswer);
        }
        return;
    }
    editor::frm_config& f = program_->frm_config();
    if (phase_ == Phase::Opening) {
        if (!program_->g.portOpen || !port_.portOpen())
            return;
        f.cmd_read_device->userClick();
        if (program_->g.commState != 6) {
            end(Result::NoAnswer, lastMessage_);
            return;
        }
        phase_ = Phase::Identifying;
        deadlineMs_ = clock_.nowMs() + limitMs(kReadOutRequests);
        return;
    }
    while (!closings_.empty()) {
        const auto [state, answered] = closings_.front();
        closings_.pop_front();
        if (phase_ == Phase::Writing && state == kConfigWriteLastState)
            continue;
        if (state == kReadOutLastState && answered) {
            if (phase_ == Phase::Identifying)
                identified();
            else
                verify();
            return;
        }
        end(Result::NoAnswer, lastMessage_);
        return;
    }
}

void LineWorker::identified() {
    const PlanUnit& unit = units_[next_];
    const app::Global& g = program_->g;
    record_.coding = QString::number(g.refDataCfg[0]);
    record_.firmware = QString::number(g.refDataCfg[1]);
    if (cancelled_) {
        // A unit whose write has not begun is not begun once the run is stopped.
        end(Result::Cancelled, words("vor dem Schreiben angehalten", "stopped before the write"));
        return;
    }
    if ((unit.coding && double(*unit.coding) != g.refDataCfg[0]) ||
        (unit.firmware && double(*unit.firmware) != g.refDataCfg[1])) {
        end(Result::WrongUnit, words("Kodierung %1, Firmware %2; der Plan nennt %3, %4",
                                     "coding %1, firmware %2; the plan says %3, %4")
                                   .arg(record_.coding, record_.firmware,
                                        unit.coding ? QString::number(*unit.coding) : "-",
                                        unit.firmware ? QString::number(*unit.firmware) : "-"));
        return;
    }
    const QStringList before = differences(unit.set, held(), g.languageId, g.decimalSeparator);
    if (before.isEmpty()) {
        end(Result::Already);
        return;
    }
    if (options_.dryRun) {
        // Nothing is written: the fields a write would change are what the dry run tells.
        record_.differences = before;
        end(Result::Differs, words("nicht geschrieben (Probelauf)", "not written (dry run)"));
        return;
    }
    editor::frm_config& f = program_->frm_config();
    ui_->answerOpen(unit.setPath);
    f.ParMenüMain_Click(kMenuLoad);
    // The set carries the station it was saved from; the unit written is the plan's.
    f.txt_Modbus_adress->setText(QString::number(unit.station));
    closings_.clear();
    f.set_parameter->userClick();
    if (program_->g.commState != 2) {
        end(Result::NoAnswer, lastMessage_);
        return;
    }
    phase_ = Phase::Writing;
    deadlineMs_ = clock_.nowMs() + limitMs(kWriteRequests);
}

void LineWorker::verify() {
    const PlanUnit& unit = units_[next_];
    const app::Global& g = program_->g;
    record_.differences = differences(unit.set, held(), g.languageId, g.decimalSeparator);
    end(record_.differences.isEmpty() ? Result::Verified : Result::Differs);
}

void LineWorker::end(Result result, const QString& reason) {
    const bool planned = phase_ != Phase::Idle;
    const PlanUnit& unit = planned ? units_[next_] : units_[next_ - 1];
    record_.time = QDateTime::currentDateTime();
    record_.line = unit.line;
    record_.station = unit.station;
    record_.settings = QStringLiteral("%1,%2,%3").arg(unit.baud, QString(unit.parity), unit.mode);
    record_.set = unit.setFile;
    record_.setSha256 = unit.set.sha256;
    record_.result = result;
    record_.reason = reason;
    keepOpen_ = result == Result::Verified || result == Result::Already ||
                result == Result::Differs || result == Result::WrongUnit;
    record_.durationMs = clock_.nowMs() - unitStartMs_;
    record_.framesSent = watch_->sent;
    record_.framesTaken = watch_->taken;
    record_.failures = watch_->failures;
    // What the unit holds afterwards, as a parameter file, whenever it was read whole.
    if (store_ && !options_.dryRun &&
        (result == Result::Verified || result == Result::Already || result == Result::Differs ||
         result == Result::WrongUnit)) {
        ui_->answerSave(store_->unitFile(unit.room));
        program_->frm_config().ParMenüMain_Click(kMenuSave);
        if (options_.sheets)
            record_.sheet = writeSheet(unit, result);
    }
    if (store_ && !options_.dryRun)
        store_->record(record_);
    if (onUnit)
        onUnit(record_);
    if (!planned)
        return;
    ++next_;
    phase_ = Phase::Idle;
    // The next unit starts from its own tick, not inside the reply that ended this one.
    if (!later_)
        later_ = clock_.createTimer([this] { nextUnit(); }, true);
    later_->start(1);
}

QString LineWorker::writeSheet(const PlanUnit& unit, Result result) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    const QString unitFile = store_->unitFile(unit.room);
    report::SheetInputs in;
    // A unit that is not the plan's got nothing: its sheet shows what it holds, no intention.
    if (result != Result::WrongUnit) {
        in.intended = files::readParameterSet(unit.set.bytes);
        in.intendedFrom = QFileInfo(unit.setFile).fileName();
    }
    in.stats = stats_.get();
    in.line = unit.line;
    QFile file(unitFile);
    if (file.open(QIODevice::ReadOnly)) {
        in.attachment = file.readAll();
        in.attachmentName = QFileInfo(unitFile).fileName();
    }
    report::SheetData data = report::collectSheet(*program_, in);
    data.header.room = unit.room;
    const QString name =
        QStringLiteral("sheets/") + roomFileName(unit.room) + QStringLiteral(".pdf");
    QString error;
    if (!QDir(store_->dir()).mkpath(QStringLiteral("sheets")) ||
        !report::writeSheet(QDir(store_->dir()).filePath(name), data, &error)) {
        if (say)
            say(QStringLiteral("%1: %2").arg(name, error));
        return {};
    }
    return name;
}

} // namespace qtx52::commission
