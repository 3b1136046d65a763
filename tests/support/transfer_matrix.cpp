#include "support/transfer_matrix.h"

#include "link/transaction.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "sim/faults.h"
#include "support/unit_rig.h"
#include "windows/frmState.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <optional>

namespace qtx52::testing::matrix {

namespace {

using forms::ColorButtonText;
using link::Framing;

constexpr int kReadOutSteps = 9;
constexpr int kConfigWrites = 6; // four register blocks, two coil groups
constexpr int kInputWrites = 2;  // the register block, the coils
constexpr int kMonitorCycles = 3;
// A configuration-only write ends at the status window's time limit: over seven minutes at the
// slowest response time, before the read-out's own.
constexpr qint64 kLongRunMs = 3600000;
// How far a reply that cannot make it before the failure may be off the estimate below.
constexpr qint64 kToleranceMs = 20;

quint64 mix(quint64 x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::optional<quint8> refusalCode(Fault f) {
    switch (f) {
    case Fault::Exception02:
        return 0x02;
    case Fault::Exception03:
        return 0x03;
    case Fault::Exception04:
        return 0x04;
    default:
        return std::nullopt;
    }
}

const char* workflowName(Workflow w) {
    switch (w) {
    case Workflow::ReadDevice:
        return "read device";
    case Workflow::ReadAgain:
        return "Abbrechen without read device";
    case Workflow::ConfigWrite:
        return "configuration write";
    case Workflow::InputWrite:
        return "input write";
    case Workflow::BothGroups:
        return "both groups changed";
    case Workflow::Monitor:
        return "monitor";
    }
    return "";
}

const char* faultName(Fault f) {
    switch (f) {
    case Fault::None:
        return "clean";
    case Fault::LostOnce:
        return "one reply lost";
    case Fault::Chunked:
        return "chunked";
    case Fault::Late:
        return "late";
    case Fault::Garbage:
        return "garbage before";
    case Fault::Busy:
        return "busy 06";
    case Fault::Exception02:
        return "exception 02";
    case Fault::Exception03:
        return "exception 03";
    case Fault::Exception04:
        return "exception 04";
    case Fault::DeviceLost:
        return "device lost";
    }
    return "";
}

struct Counter : link::LinkObserver {
    QList<link::Failure> failures;
    int sent = 0;
    int requests = 0;       // first tries
    int sentAtRefusal = -1; // frames sent when the first refusal arrived
    void frameSent(const link::SentFrame& f) override {
        ++sent;
        if (f.attempt == 1)
            ++requests;
    }
    void frameReceived(const link::ReceivedFrame& f) override {
        if (f.verdict == link::Verdict::Exception && !link::isBusyCode(f.exceptionCode) &&
            sentAtRefusal < 0)
            sentAtRefusal = sent;
    }
    void transactionFailed(link::Failure why) override { failures << why; }
};

struct Rig : UnitRig {
    Counter events;

    explicit Rig(const Cell& c)
        : UnitRig(c.framing, QString::number(c.baud), quint16(c.responseMs)) {
        f->fastReads = c.fast;
        p.linkEvents.add(&events);
        for (int i = 0; i < params::kConfigCount; ++i)
            startCfg << f->txt_data_cfg(i).text();
        for (int k = 0; k < params::kInputCount; ++k)
            startIn << f->txt_data_in(k).text();
    }
    // Never read: the box as the window was loaded, its reference never set.
    bool neverRead(const forms::TextBox& box, const QString& start, double reference) const {
        return box.text() == start && reference == 0;
    }
    QStringList startCfg;
    QStringList startIn;
    ~Rig() { p.linkEvents.remove(&events); }

    bool atRest() const { return (g.commState == 0 || g.commState == 1) && !p.frmStateLoaded(); }
    // Runs until the chain has stopped: no window, nothing outstanding, no pacing.
    bool settle() {
        return tp.clock.advanceUntil(
            [&] { return atRest() && g.linkReady && !f->Timer6.enabled() && !f->Timer1.enabled(); },
            kLongRunMs);
    }
    // Runs until the workflow's request `step` has gone out, its first try.
    bool untilRequest(int step) {
        return tp.clock.advanceUntil([&] { return events.requests > step; }, kLongRunMs);
    }
    bool noticeShown() const { return f->lbl_desc(16).visible(); }
};

QString fieldText(const char* array, int i, const QString& shown, double reference, double unit) {
    return QStringLiteral("%1(%2) shows '%3', reference %4, unit %5")
        .arg(QLatin1String(array))
        .arg(i)
        .arg(shown)
        .arg(reference)
        .arg(unit);
}

// Every value box not marked as changed, not empty and not left as the window was loaded (never
// read) shows the unit's value; with `all`, every box and reference holds it and nothing is
// marked. An older read-out's reference excuses nothing. The response time field forces values
// below its least to it.
QString editorDiffers(Rig& r, bool all) {
    for (int i = params::kConfigFirst; i < params::kConfigFirst + params::kConfigCount; ++i) {
        const forms::TextBox& box = r.f->txt_data_cfg(i);
        const double unit = r.unitValue(i);
        if (i == params::kResponseTimeRegister && unit < 5)
            continue;
        const bool shownAsUnit = box.foreColor() == ColorButtonText && !box.text().isEmpty();
        const bool wrong =
            all ? r.shown(box) != unit || r.g.refDataCfg[std::size_t(i)] != unit ||
                      box.foreColor() != ColorButtonText
                : shownAsUnit && r.shown(box) != unit &&
                      !r.neverRead(box, r.startCfg[i], r.g.refDataCfg[std::size_t(i)]);
        if (wrong)
            return fieldText("txt_data_cfg", i, box.text(), r.g.refDataCfg[std::size_t(i)], unit);
    }
    for (int k = 0; k < params::kInputCount; ++k) {
        const forms::TextBox& box = r.f->txt_data_in(k);
        const double unit = r.unitInput(k);
        const bool shownAsUnit = box.foreColor() == ColorButtonText && !box.text().isEmpty();
        const bool wrong = all ? r.shown(box) != unit || r.g.refDataIn[std::size_t(k)] != unit ||
                                     box.foreColor() != ColorButtonText
                               : shownAsUnit && r.shown(box) != unit &&
                                     !r.neverRead(box, r.startIn[k], r.g.refDataIn[std::size_t(k)]);
        if (wrong)
            return fieldText("txt_data_in", k, box.text(), r.g.refDataIn[std::size_t(k)], unit);
    }
    if (!all)
        return {};
    for (int i = 0; i < params::kConfigCoilCount; ++i) {
        const int unit = r.station.unit().coil(i) ? 1 : 0;
        if (r.f->chk_cfg(i).value() != unit || r.g.refCfgBits[std::size_t(i)] != unit ||
            r.f->chk_cfg(i).foreColor() != ColorButtonText)
            return QStringLiteral("chk_cfg(%1) is %2, unit %3")
                .arg(i)
                .arg(r.f->chk_cfg(i).value())
                .arg(unit);
    }
    for (int i = 0; i < params::kInputCoilCount; ++i) {
        const int unit = r.station.unit().coil(params::kInputCoilFirst + i) ? 1 : 0;
        if (r.f->chk_inp_bit(i).value() != unit ||
            r.f->chk_inp_bit(i).foreColor() != ColorButtonText)
            return QStringLiteral("chk_inp_bit(%1) is %2, unit %3")
                .arg(i)
                .arg(r.f->chk_inp_bit(i).value())
                .arg(unit);
    }
    return {};
}

// The monitor boxes hold the unit's live registers 256..273 as the decoder shows them.
QString monitorDiffers(Rig& r) {
    for (int k = 0; k < params::kMonitorCount; ++k) {
        const int reg = params::kMonitorFirst + k;
        const quint16 raw = r.station.unit().reg(reg);
        const params::Encoding e =
            k < 10 ? params::monitorEncoding(reg) : params::Encoding::Unsigned;
        const double v = e == params::Encoding::SignedTenths ? qint16(raw) / 10.0
                         : e == params::Encoding::Signed     ? double(qint16(raw))
                                                             : double(raw);
        if (r.shown(r.f->txt_data_out(k)) != v)
            return QStringLiteral("txt_data_out(%1) shows '%2', unit %3")
                .arg(k)
                .arg(r.f->txt_data_out(k).text())
                .arg(v);
    }
    return {};
}

// Whether the link, as its timers stand when the fault strikes, cannot wait for the answer the
// fault leaves: the answer to the repeat (a lost reply, busy) or, for a late reply, that one too.
bool replyCannotMakeIt(Rig& r, const Cell& c) {
    if (c.fault != Fault::LostOnce && c.fault != Fault::Busy && c.fault != Fault::Late)
        return false;
    const link::LinkTiming t = r.f->linkTiming();
    const qint64 repeat = r.f->Timer5.interval();
    const qint64 giveUp = repeat + r.f->Timer3.interval();
    const qint64 poll = r.f->Timer4.interval();
    const qint64 request =
        qint64(std::ceil(r.f->characterMs() * double(r.port.sent().last().frame.size())));
    const qint64 reply = link::wireTimeMs(t, link::longestReplyChars(c.framing));
    const qint64 answer = request + c.responseMs + reply + poll + kToleranceMs;
    if (repeat + answer <= giveUp)
        return false;
    return c.fault != Fault::Late || lateDelayMs(c) + answer > giveUp;
}

void arm(Rig& r, const Cell& c) {
    sim::FaultPlan& p = r.station.faults();
    switch (c.fault) {
    case Fault::None:
        break;
    case Fault::LostOnce:
        p.setNoReplyToFirstAttempt();
        break;
    case Fault::Chunked:
        p.setSplitReply({1, 3, 4, 6, 9});
        break;
    case Fault::Late:
        p.setLateReply(lateDelayMs(c));
        break;
    case Fault::Garbage:
        p.setGarbageBefore(QByteArray::fromHex("00FF3A0A"));
        break;
    case Fault::Busy:
        p.setExceptionReply(0x06);
        break;
    case Fault::Exception02:
    case Fault::Exception03:
    case Fault::Exception04:
        // Both tries, if a slow answer lets the request go out twice.
        p.setExceptionReply(*refusalCode(c.fault), 2);
        break;
    case Fault::DeviceLost:
        r.port.loseDevice();
        break;
    }
}

// What the workflow set out to do, for the check after it completed.
struct Goal {
    double setpoint = 0;
    double input = 0;
    bool inputCoil = false;
    int writes = 0; // requests before the read-out that follows
};

// Starts the workflow; an error text when even its start failed.
QString start(Rig& r, const Cell& c, Goal& goal) {
    sim::RoomUnit& unit = r.station.unit();
    // The unit's values change behind the editor's back, so a field that was not read again
    // cannot pass as the unit's.
    if (c.workflow == Workflow::ReadDevice || c.workflow == Workflow::ReadAgain) {
        unit.setReg(11, quint16(unit.reg(11) + 5));
        if (c.workflow == Workflow::ReadDevice)
            r.f->cmd_read_device->userClick();
        else
            r.f->read_out_parameter->userClick();
        return {};
    }
    r.f->cmd_read_device->userClick();
    if (!r.settle() || !r.tp.ui.messages().isEmpty() || r.noticeShown())
        return QStringLiteral("the read device before the workflow did not complete");
    goal.setpoint = r.unitValue(11);
    goal.input = r.unitInput(0);
    goal.inputCoil = unit.coil(params::kInputCoilFirst + 2);
    const QString sep = r.g.decimalSeparator;
    if (c.workflow == Workflow::ConfigWrite || c.workflow == Workflow::BothGroups) {
        goal.setpoint += 1.5;
        r.f->txt_data_cfg(11).setText(params::formatNumber(goal.setpoint, sep));
        goal.writes = kConfigWrites;
    }
    if (c.workflow == Workflow::BothGroups) {
        // Only the configuration goes out; the read-out after it shows the inputs as the unit
        // holds them.
        r.f->txt_data_in(0).setText(params::formatNumber(goal.input == 21.5 ? 22.5 : 21.5, sep));
    }
    if (c.workflow == Workflow::InputWrite) {
        goal.input = goal.input == 21.5 ? 22.5 : 21.5; // a value the editor takes, not the unit's
        goal.inputCoil = !goal.inputCoil;
        r.f->txt_data_in(0).setText(params::formatNumber(goal.input, sep));
        r.f->chk_inp_bit(2).setValue(goal.inputCoil ? 1 : 0);
        goal.writes = kInputWrites;
    }
    // Live values the monitor must bring in.
    unit.setReg(params::kMonitorFirst + 2, quint16(qint16(-35)));
    unit.setReg(params::kMonitorFirst + 12, 4321);
    r.port.clearSent();
    r.events.sent = 0;
    r.events.requests = 0;
    if (c.workflow == Workflow::Monitor)
        r.f->chk_read_out->setValue(1);
    else
        r.f->set_parameter->userClick();
    return {};
}

// A cell that stopped: the notice is up and stays, one failure was reported, nothing more went
// out after a refusal or a lost device, and no field is shown as the unit's that is not.
QString checkStopped(Rig& r, const Cell& c, link::Failure expected, const Goal& goal) {
    r.tp.clock.advance(10000); // anything still to come for the ended transaction
    if (!r.noticeShown())
        return QStringLiteral("the notice did not stay");
    if (r.events.failures != QList<link::Failure>{expected})
        return QStringLiteral("%1 failures reported").arg(r.events.failures.size());
    if (r.p.frmStateLoaded())
        return QStringLiteral("the status window stayed open");
    if (const std::optional<quint8> code = refusalCode(c.fault)) {
        const QString words = link::exceptionMeaning(*code, QStringLiteral("1031"));
        if (r.events.sent != r.events.sentAtRefusal)
            return QStringLiteral("requests went out after the refusal");
        if (r.tp.ui.messages().size() != 1)
            return QStringLiteral("%1 messages for one refusal").arg(r.tp.ui.messages().size());
        const QString message = r.tp.ui.messages().first().text;
        if (!message.contains(words))
            return QStringLiteral("the refusal's message does not name it: ") + message;
        if (c.step < goal.writes && !message.contains(QStringLiteral("bestätigt")))
            return QStringLiteral("the refusal's message does not say what was taken: ") + message;
        if (!r.f->lbl_desc(16).caption().contains(words))
            return QStringLiteral("the notice does not name the refusal: ") +
                   r.f->lbl_desc(16).caption();
    } else if (r.tp.ui.messages().size() > 1) {
        return r.tp.ui.messageTexts().join(QLatin1Char('\n'));
    }
    return editorDiffers(r, false);
}

QString runCell(Rig& r, const Cell& c) {
    Goal goal;
    if (QString e = start(r, c, goal); !e.isEmpty())
        return e;
    if (!r.untilRequest(c.step))
        return QStringLiteral("the step was never sent");
    const bool mayStop = replyCannotMakeIt(r, c);
    arm(r, c);

    if (c.fault == Fault::DeviceLost) {
        const qsizetype sentAtLoss = r.port.sent().size();
        r.tp.clock.advance(10000);
        if (r.port.portOpen() || r.f->Combo_Port(6).listIndex() != 0)
            return QStringLiteral("the port stayed open");
        if (!r.f->lbl_desc(16).caption().contains(QStringLiteral("verloren")))
            return QStringLiteral("the notice does not say the device was lost: ") +
                   r.f->lbl_desc(16).caption();
        if (r.port.sent().size() != sentAtLoss)
            return QStringLiteral("requests went out after the loss");
        return checkStopped(r, c, link::Failure::DeviceLost, goal);
    }
    if (c.workflow == Workflow::Monitor && !refusalCode(c.fault)) {
        // The monitor goes on until it is unticked: more cycles (or the notice that it could
        // not), then it is stopped.
        r.tp.clock.advanceUntil(
            [&] { return r.events.requests > c.step + 2 * kMonitorCycles || r.noticeShown(); },
            kLongRunMs);
        r.f->chk_read_out->setValue(0);
    }
    if (!r.settle())
        return QStringLiteral("the transfer never came to rest");
    if (refusalCode(c.fault))
        return checkStopped(r, c, link::Failure::Exception, goal);
    if (r.noticeShown() && mayStop)
        return checkStopped(
            r, c, c.fault == Fault::Busy ? link::Failure::Busy : link::Failure::NoReply, goal);

    if (!r.tp.ui.messages().isEmpty())
        return r.tp.ui.messageTexts().join(QLatin1Char('\n'));
    if (r.noticeShown())
        return QStringLiteral("the notice is shown: ") + r.f->lbl_desc(16).caption();
    if (!r.events.failures.isEmpty())
        return QStringLiteral("a failure was reported, yet the transfer went on");

    sim::RoomUnit& unit = r.station.unit();
    switch (c.workflow) {
    case Workflow::ReadDevice:
    case Workflow::ReadAgain: {
        // Each step once; a request may go out twice while the response time is unknown.
        QStringList sent = r.requests();
        sent.erase(std::unique(sent.begin(), sent.end()), sent.end());
        const int expected = kReadOutSteps + (c.workflow == Workflow::ReadDevice ? 1 : 0);
        if (sent.size() != expected)
            return QStringLiteral("%1 steps sent, not %2").arg(sent.size()).arg(expected);
        break;
    }
    case Workflow::ConfigWrite:
    case Workflow::BothGroups:
        if (r.unitValue(11) != goal.setpoint)
            return QStringLiteral("the unit holds %1, not %2")
                .arg(r.unitValue(11))
                .arg(goal.setpoint);
        break;
    case Workflow::InputWrite:
        if (r.unitInput(0) != goal.input ||
            unit.coil(params::kInputCoilFirst + 2) != goal.inputCoil)
            return QStringLiteral("the unit does not hold the written inputs");
        break;
    case Workflow::Monitor:
        if (!r.f->cmd_read_device->enabled())
            return QStringLiteral("the commands stayed disabled after the monitor");
        if (QString e = monitorDiffers(r); !e.isEmpty())
            return e;
        return editorDiffers(r, false);
    }
    // Every read-out that completed read the monitor range too.
    if (QString e = monitorDiffers(r); !e.isEmpty())
        return e;
    return editorDiffers(r, true);
}

QStringList leftBehind(Rig& r, const Cell& c) {
    QStringList out;
    if (c.workflow != Workflow::Monitor) {
        QStringList sent = r.requests();
        sent.erase(std::unique(sent.begin(), sent.end()), sent.end());
        out << sent.join(QLatin1Char(' '));
    }
    const auto box = [&](const char* name, int i, const forms::TextBox& b, double reference) {
        out << QStringLiteral("%1(%2) '%3' %4 %5")
                   .arg(QLatin1String(name))
                   .arg(i)
                   .arg(b.text())
                   .arg(b.foreColor())
                   .arg(reference);
    };
    for (int i = 0; i < params::kConfigCount; ++i)
        box("txt_data_cfg", i, r.f->txt_data_cfg(i), r.g.refDataCfg[std::size_t(i)]);
    for (int k = 0; k < params::kInputCount; ++k)
        box("txt_data_in", k, r.f->txt_data_in(k), r.g.refDataIn[std::size_t(k)]);
    for (int k = 0; k < params::kMonitorCount; ++k)
        box("txt_data_out", k, r.f->txt_data_out(k), 0);
    for (int i = 0; i < params::kConfigCoilCount; ++i)
        out << QStringLiteral("chk_cfg(%1) %2 %3 %4")
                   .arg(i)
                   .arg(r.f->chk_cfg(i).value())
                   .arg(r.f->chk_cfg(i).foreColor())
                   .arg(r.g.refCfgBits[std::size_t(i)]);
    for (int i = 0; i < params::kInputCoilCount; ++i)
        out << QStringLiteral("chk_inp_bit(%1) %2 %3 %4")
                   .arg(i)
                   .arg(r.f->chk_inp_bit(i).value())
                   .arg(r.f->chk_inp_bit(i).foreColor())
                   .arg(r.g.refInpBits[std::size_t(i)]);
    out << QStringLiteral("notice %1 '%2'").arg(r.noticeShown()).arg(r.f->lbl_desc(16).caption());
    out << r.tp.ui.messageTexts();
    return out;
}

} // namespace

const QList<Workflow>& workflows() {
    static const QList<Workflow> all = {Workflow::ReadDevice,  Workflow::ReadAgain,
                                        Workflow::ConfigWrite, Workflow::InputWrite,
                                        Workflow::BothGroups,  Workflow::Monitor};
    return all;
}

const QList<Fault>& faults() {
    static const QList<Fault> all = {
        Fault::None, Fault::LostOnce,    Fault::Chunked,     Fault::Late,        Fault::Garbage,
        Fault::Busy, Fault::Exception02, Fault::Exception03, Fault::Exception04, Fault::DeviceLost};
    return all;
}

const QList<int>& bauds() {
    static const QList<int> all = {9600, 19200, 38400, 57600};
    return all;
}

const QList<int>& responseTimes() {
    static const QList<int> all = {0, 5, 10, 100, 500, 800, 990, 1000, 1500, 3000};
    return all;
}

int steps(Workflow w) {
    switch (w) {
    case Workflow::ReadDevice:
        return 1 + kReadOutSteps;
    case Workflow::ReadAgain:
        return kReadOutSteps;
    case Workflow::ConfigWrite:
    case Workflow::BothGroups:
        return kConfigWrites + kReadOutSteps;
    case Workflow::InputWrite:
        return kInputWrites + kReadOutSteps;
    case Workflow::Monitor:
        return 2 * kMonitorCycles;
    }
    return 1;
}

QString name(const Cell& c) {
    QString s =
        QStringLiteral("%1, %2 at %3, %4 %5 baud, %6 ms")
            .arg(QLatin1String(workflowName(c.workflow)), QLatin1String(faultName(c.fault)))
            .arg(c.step)
            .arg(c.framing == Framing::Rtu ? QStringLiteral("RTU") : QStringLiteral("ASCII"))
            .arg(c.baud)
            .arg(c.responseMs) +
        (c.fast ? QStringLiteral(", fast reads") : QString());
    if (c.fault == Fault::Late)
        s += QStringLiteral(", %1 ms late").arg(lateDelayMs(c));
    return s;
}

qint64 lateDelayMs(const Cell& c) {
    // Late, not lost: the reply still comes before the link gives up on the request. The
    // response time is known after the first step of a read-out, and from the start otherwise.
    const bool readOut = c.workflow == Workflow::ReadDevice || c.workflow == Workflow::ReadAgain;
    const link::LinkTiming t{c.framing, c.baud, c.responseMs, !readOut || c.step > 0};
    const qint64 poll = c.framing == Framing::Rtu ? link::kRtuPollMs : link::kAsciiPollMs;
    const qint64 wait = link::repeatIntervalMs(t) + link::failureIntervalMs(t) - c.responseMs -
                        link::wireTimeMs(t, link::longestRequestChars(c.framing) +
                                                link::longestReplyChars(c.framing)) -
                        2 * poll - kToleranceMs;
    const quint64 key = quint64(c.workflow) << 40 | quint64(c.step) << 32 |
                        quint64(c.framing) << 28 | quint64(c.baud) << 12 | quint64(c.responseMs);
    return 50 + qint64(mix(key) % quint64(std::max<qint64>(1, wait - 50)));
}

std::vector<Cell> product() {
    std::vector<Cell> cells;
    for (Workflow w : workflows())
        for (Fault f : faults())
            for (int step = 0; step < steps(w); ++step)
                for (Framing m : {Framing::Rtu, Framing::Ascii})
                    for (int baud : bauds())
                        for (int rt : responseTimes())
                            cells.push_back({w, f, step, m, baud, rt});
    return cells;
}

std::vector<Cell> sample(std::size_t count) {
    const std::vector<Cell> all = product();
    std::vector<Cell> picked;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (mix(i ^ 0x5EED2026ull) % all.size() < count)
            picked.push_back(all[i]);
    return picked;
}

QString run(const Cell& c, QStringList* left) {
    Rig r(c);
    QString failure = runCell(r, c);
    if (failure.isEmpty() && r.station.requestsTooEarly() > 0)
        failure = QStringLiteral("%1 requests within the silent interval after a reply")
                      .arg(r.station.requestsTooEarly());
    if (left)
        *left = leftBehind(r, c);
    return failure;
}

} // namespace qtx52::testing::matrix
