// Units at every response time, every baud rate and both framings, with the faults a line and a
// unit show (a lost device among them), in virtual time, for every workflow: read-out after a read
// device, "Abbrechen" (read again) without one, configuration write, input write, both groups
// changed, and the monitor. Each transfer either completes with editor, references and unit
// agreeing, or ends with a notice or message that says what happened, and no field is shown as
// the unit's while it differs. Also the link's timing rules and the exception texts on their own.

#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "link/link_events.h"
#include "link/transaction.h"
#include "sim/faults.h"
#include "support/unit_rig.h"
#include "windows/frmState.h"

#include <QTest>

#include <algorithm>

using namespace qtx52;
using editor::frm_config;
using forms::ColorButtonText;
using link::Framing;

namespace {

using testing::kBauds;
const QList<int> kResponseTimes = {0, 5, 10, 100, 500, 800, 990, 1000, 1500, 3000};
constexpr int kReadOutRequests = 10; // read device and the nine steps

enum class Fault {
    None,
    LostOnce,
    Chunked,
    Late,
    Garbage,
    Busy,
    Exception02,
    Exception03,
    Exception04,
    DeviceLost
};
const QList<Fault> kFaults = {
    Fault::None, Fault::LostOnce,    Fault::Chunked,     Fault::Late,        Fault::Garbage,
    Fault::Busy, Fault::Exception02, Fault::Exception03, Fault::Exception04, Fault::DeviceLost};

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

// The fault hits the reply to the request just sent (a lost device: the adapter goes while the
// unit is still to answer).
void arm(testing::UnitRig& r, Fault f, int responseMs) {
    sim::FaultPlan& p = r.station.faults();
    switch (f) {
    case Fault::None:
        break;
    case Fault::LostOnce:
        p.setNoReplyToFirstAttempt();
        break;
    case Fault::Chunked:
        p.setSplitReply({1, 3, 4, 6, 9});
        break;
    case Fault::Late:
        p.setLateReply(std::min(500, responseMs + 500));
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
        p.setExceptionReply(*refusalCode(f));
        break;
    case Fault::DeviceLost:
        r.port.loseDevice();
        break;
    }
}

struct Counter : link::LinkObserver {
    QList<link::ReceivedFrame> received;
    QList<link::Failure> failures;
    int sent = 0;
    int sentAtException = -1; // frames sent when the first refusal arrived
    void frameSent(const link::SentFrame&) override { ++sent; }
    void frameReceived(const link::ReceivedFrame& f) override {
        received << f;
        if (f.verdict == link::Verdict::Exception && !link::isBusyCode(f.exceptionCode) &&
            sentAtException < 0)
            sentAtException = sent;
    }
    void transactionFailed(link::Failure why) override { failures << why; }
};

struct Rig : testing::UnitRig {
    Counter events;

    Rig(Framing m, const QString& baud, quint16 responseTimeMs) : UnitRig(m, baud, responseTimeMs) {
        p.linkEvents.add(&events);
    }
    ~Rig() { p.linkEvents.remove(&events); }

    bool atRest() const { return (g.commState == 0 || g.commState == 1) && !p.frmStateLoaded(); }
    // Runs until the chain has stopped: no window, nothing outstanding, and quiet for a while.
    bool settle(qint64 maxMs = 900000) {
        return tp.clock.advanceUntil(
            [&] { return atRest() && g.linkReady && !f->Timer6.enabled() && !f->Timer1.enabled(); },
            maxMs);
    }
    // Runs until `count` requests have gone out since the last clearSent().
    bool untilSent(qsizetype count) {
        return tp.clock.advanceUntil([&] { return port.sent().size() >= count; }, 900000);
    }
    bool readDevice() {
        f->cmd_read_device->userClick();
        return settle() && tp.ui.messages().isEmpty();
    }
};

// No field is shown as the unit's value while it differs: each either equals the unit, is marked
// as changed, still holds an older read-out's value, or is empty (never read).
void verifyNothingShownWrongly(Rig& r) {
    for (int i = params::kConfigFirst; i < params::kConfigFirst + params::kConfigCount; ++i) {
        if (r.f->txt_data_cfg(i).foreColor() == ColorButtonText &&
            !r.f->txt_data_cfg(i).text().isEmpty())
            QVERIFY2(r.shown(r.f->txt_data_cfg(i)) == r.unitValue(i) ||
                         r.g.refDataCfg[std::size_t(i)] != r.unitValue(i),
                     qPrintable(QStringLiteral("txt_data_cfg(%1): '%2', reference %3, unit %4")
                                    .arg(i)
                                    .arg(r.f->txt_data_cfg(i).text())
                                    .arg(r.g.refDataCfg[std::size_t(i)])
                                    .arg(r.unitValue(i))));
    }
    for (int k = 0; k < params::kInputCount; ++k) {
        if (r.f->txt_data_in(k).foreColor() == ColorButtonText &&
            !r.f->txt_data_in(k).text().isEmpty())
            QVERIFY2(r.shown(r.f->txt_data_in(k)) == r.unitInput(k) ||
                         r.g.refDataIn[std::size_t(k)] != r.unitInput(k),
                     qPrintable(QStringLiteral("txt_data_in(%1): '%2', reference %3, unit %4")
                                    .arg(k)
                                    .arg(r.f->txt_data_in(k).text())
                                    .arg(r.g.refDataIn[std::size_t(k)])
                                    .arg(r.unitInput(k))));
    }
}

// The classic timing (response times up to 800 ms) cannot wait for an RTU unit slower than 400 ms
// to answer a repeat: such a cell may end with the notice, which must then be up and reported.
bool endedByClassicTiming(Rig& r, Fault fault, int responseMs) {
    if ((fault != Fault::LostOnce && fault != Fault::Busy) || r.framing != Framing::Rtu ||
        responseMs <= 400 || responseMs > 800 || !r.f->lbl_desc(16).visible())
        return false;
    return !r.events.failures.isEmpty();
}

// How a cell ended, once its fault has struck.
enum class End { Completed, Stopped };

// Runs the cell to its end and checks what every cell must show. A cell that could not complete
// (the device lost, a refusal, a repeat the classic timing cannot wait for) is Stopped: it ended
// with the notice and, for a refusal, one message naming the code, sent nothing afterwards, and
// shows no field as the unit's that is not. A Completed cell said nothing; the caller checks
// that the transfer went through.
End runToEnd(Rig& r, Fault fault, int responseMs, QString* message) {
    if (fault == Fault::DeviceLost) {
        const qsizetype sentAtLoss = r.port.sent().size();
        r.tp.clock.advance(10000);
        [&] {
            QVERIFY(!r.port.portOpen());
            QCOMPARE(r.f->Combo_Port(6).listIndex(), 0);
            QVERIFY(r.f->lbl_desc(16).visible());
            QVERIFY2(r.f->lbl_desc(16).caption().contains(QStringLiteral("verloren")),
                     qPrintable(r.f->lbl_desc(16).caption()));
            QVERIFY(!r.p.frmStateLoaded());
            QCOMPARE(r.port.sent().size(), sentAtLoss);
            QCOMPARE(r.events.failures, QList<link::Failure>{link::Failure::DeviceLost});
            verifyNothingShownWrongly(r);
        }();
        return End::Stopped;
    }
    [&] { QVERIFY(r.settle()); }();
    if (QTest::currentTestFailed())
        return End::Stopped;
    if (const std::optional<quint8> code = refusalCode(fault)) {
        // Refused: no repeat of the refused request, a message naming the code in words.
        // Nothing goes out after the refusal.
        [&] {
            QCOMPARE(r.events.sent, r.events.sentAtException);
            QCOMPARE(r.tp.ui.messages().size(), 1);
            *message = r.tp.ui.messages().first().text;
            QVERIFY2(message->contains(link::exceptionMeaning(*code, "1031")),
                     qPrintable(*message));
            QVERIFY(r.f->lbl_desc(16).visible());
            QCOMPARE(r.events.failures, QList<link::Failure>{link::Failure::Exception});
            verifyNothingShownWrongly(r);
        }();
        return End::Stopped;
    }
    if (endedByClassicTiming(r, fault, responseMs)) {
        verifyNothingShownWrongly(r);
        return End::Stopped;
    }
    [&] {
        QVERIFY2(r.tp.ui.messages().isEmpty(),
                 qPrintable(r.tp.ui.messageTexts().join(QLatin1Char('\n'))));
        QVERIFY(!r.f->lbl_desc(16).visible());
        QVERIFY(r.events.failures.isEmpty());
    }();
    return End::Completed;
}

// The monitor boxes hold the unit's live registers 256..273 as the decoder shows them.
void verifyMonitorMatchesUnit(Rig& r) {
    for (int k = 0; k < 18; ++k) {
        const int reg = params::kMonitorFirst + k;
        const quint16 raw = r.station.unit().reg(reg);
        const params::Encoding e =
            k < 10 ? params::monitorEncoding(reg) : params::Encoding::Unsigned;
        const double v = e == params::Encoding::SignedTenths ? qint16(raw) / 10.0
                         : e == params::Encoding::Signed     ? double(qint16(raw))
                                                             : double(raw);
        QVERIFY2(r.shown(r.f->txt_data_out(k)) == v,
                 qPrintable(QStringLiteral("txt_data_out(%1): %2, unit %3")
                                .arg(k)
                                .arg(r.f->txt_data_out(k).text())
                                .arg(v)));
    }
}

enum class Workflow { ReadAgain, InputWrite, BothGroups, Monitor };

const char* workflowName(Workflow w) {
    switch (w) {
    case Workflow::ReadAgain:
        return "Abbrechen without read device";
    case Workflow::InputWrite:
        return "input write";
    case Workflow::BothGroups:
        return "both groups changed";
    case Workflow::Monitor:
        return "monitor";
    }
    return "";
}

// Requests of each workflow in which a fault can strike: a read-out; two input writes and the
// read-out; six configuration writes and the read-out; three monitor cycles of two reads.
int workflowSteps(Workflow w) {
    switch (w) {
    case Workflow::ReadAgain:
        return 9;
    case Workflow::InputWrite:
        return 2 + 9;
    case Workflow::BothGroups:
        return 6 + 9;
    case Workflow::Monitor:
        return 6;
    }
    return 1;
}

// One cell per framing, baud and response time, each with one fault at one step; over the
// table every fault meets every step position and both framings at every baud.
void addMatrixRows() {
    QTest::addColumn<Framing>("framing");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("responseMs");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("step");
    int cell = 0;
    for (Framing m : {Framing::Rtu, Framing::Ascii})
        for (const QString& baud : kBauds)
            for (int rt : kResponseTimes)
                for (int k = 0; k < 2; ++k, ++cell) {
                    const Fault fx = kFaults[(cell * 3 + k) % kFaults.size()];
                    const int step = (cell * 7) % 9;
                    QTest::addRow("%s %s baud %d ms %s at %d", m == Framing::Rtu ? "RTU" : "ASCII",
                                  qPrintable(baud), rt, faultName(fx), step)
                        << m << baud << rt << fx << step;
                }
}

} // namespace

Q_DECLARE_METATYPE(Framing)
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Workflow)

class TestSlowUnits : public QObject {
    Q_OBJECT
private slots:
    void timing_data();
    void timing();
    void readOut_data() { addMatrixRows(); }
    void readOut();
    void configurationWrite_data() { addMatrixRows(); }
    void configurationWrite();
    void workflows_data();
    void workflows();
    void exceptionTexts_data();
    void exceptionTexts();
};

void TestSlowUnits::timing_data() {
    QTest::addColumn<Framing>("framing");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("responseMs");
    for (Framing m : {Framing::Rtu, Framing::Ascii})
        for (const QString& b : kBauds)
            for (int rt : kResponseTimes)
                QTest::addRow("%s %s %d ms", m == Framing::Rtu ? "RTU" : "ASCII", qPrintable(b), rt)
                    << m << b.toInt() << rt;
}

// The rules the repeat and failure timing keeps at every setting.
void TestSlowUnits::timing() {
    QFETCH(Framing, framing);
    QFETCH(int, baud);
    QFETCH(int, responseMs);
    const link::LinkTiming t{framing, baud, responseMs};
    const qint32 repeat = link::repeatIntervalMs(t);
    const qint32 failure = link::failureIntervalMs(t);
    if (responseMs <= 800) {
        QCOMPARE(repeat, 1000);
        QCOMPARE(failure, framing == Framing::Rtu ? 500 : 1000);
    } else {
        QVERIFY(repeat >= 1000);
        QVERIFY(repeat >= link::replyTimeMs(t));
    }
    // RTU: one repeat (the failure comes before a second); ASCII: the failure meets the second.
    if (framing == Framing::Rtu)
        QVERIFY(failure < repeat);
    else
        QCOMPARE(failure, repeat);
    // The reply to a repeat of a slow unit still has its time before the failure.
    if (responseMs > 800)
        QVERIFY(failure >= link::replyTimeMs(t) - link::kRtuPollMs);
    QVERIFY(link::giveUpMs(t) > repeat + failure + responseMs);
}

void TestSlowUnits::readOut() {
    QFETCH(Framing, framing);
    QFETCH(QString, baud);
    QFETCH(int, responseMs);
    QFETCH(Fault, fault);
    QFETCH(int, step);
    Rig r(framing, baud, quint16(responseMs));
    // The unit's values change behind the editor's back, so a field that was not read again
    // cannot pass as the unit's.
    r.station.unit().setReg(11, quint16(r.station.unit().reg(11) + 5));
    r.f->cmd_read_device->userClick();
    QVERIFY(r.tp.clock.advanceUntil([&] { return r.port.sent().size() >= step + 1; }, 900000));
    arm(r, fault, responseMs);
    QString message;
    if (runToEnd(r, fault, responseMs, &message) == End::Stopped)
        return;
    // Each step once; the read device may be repeated while the response time is unknown.
    QStringList steps = r.requests();
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    QCOMPARE(steps.size(), kReadOutRequests);
    testing::verifyEditorMatchesUnit(r);
}

void TestSlowUnits::configurationWrite() {
    QFETCH(Framing, framing);
    QFETCH(QString, baud);
    QFETCH(int, responseMs);
    QFETCH(Fault, fault);
    QFETCH(int, step);
    Rig r(framing, baud, quint16(responseMs));
    r.f->cmd_read_device->userClick();
    QVERIFY(r.settle());
    QVERIFY(r.tp.ui.messages().isEmpty());
    const double setpoint = r.unitValue(11) + 1.5;
    r.f->txt_data_cfg(11).setText(params::formatNumber(setpoint, r.g.decimalSeparator));
    r.port.clearSent();
    r.f->set_parameter->userClick();
    // Steps 0..5 of a configuration write: four register blocks and two coil groups.
    const int at = step % 6;
    QVERIFY(r.tp.clock.advanceUntil([&] { return r.port.sent().size() >= at + 1; }, 900000));
    arm(r, fault, responseMs);
    QString message;
    if (runToEnd(r, fault, responseMs, &message) == End::Stopped) {
        if (refusalCode(fault)) {
            // What the unit took before the refusal is named.
            QVERIFY2(message.contains(at == 0 ? QStringLiteral("nichts bestätigt")
                                              : QStringLiteral("Register 2..11")),
                     qPrintable(message));
            // A refused register block keeps its marks, and the write can be tried again.
            if (at <= 1)
                QVERIFY(r.f->set_parameter->enabled());
        }
        // A register block the unit does not hold keeps its mark.
        if (r.unitValue(11) != setpoint)
            QCOMPARE(r.f->txt_data_cfg(11).foreColor(), forms::ColorChanged);
        return;
    }
    QCOMPARE(r.unitValue(11), setpoint);
    testing::verifyEditorMatchesUnit(r);
}

void TestSlowUnits::workflows_data() {
    QTest::addColumn<Framing>("framing");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("responseMs");
    QTest::addColumn<Workflow>("workflow");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("step");
    // Each workflow at every framing, baud and response time, with the faults and steps turning
    // over the table so that each workflow meets every fault.
    int cell = 0;
    for (Workflow w :
         {Workflow::ReadAgain, Workflow::InputWrite, Workflow::BothGroups, Workflow::Monitor})
        for (Framing m : {Framing::Rtu, Framing::Ascii})
            for (const QString& baud : kBauds)
                for (int rt : kResponseTimes) {
                    const Fault fx = kFaults[(cell * 3) % kFaults.size()];
                    const int step = (cell * 7) % workflowSteps(w);
                    ++cell;
                    QTest::addRow("%s %s %s baud %d ms %s at %d", workflowName(w),
                                  m == Framing::Rtu ? "RTU" : "ASCII", qPrintable(baud), rt,
                                  faultName(fx), step)
                        << m << baud << rt << w << fx << step;
                }
}

void TestSlowUnits::workflows() {
    QFETCH(Framing, framing);
    QFETCH(QString, baud);
    QFETCH(int, responseMs);
    QFETCH(Workflow, workflow);
    QFETCH(Fault, fault);
    QFETCH(int, step);
    Rig r(framing, baud, quint16(responseMs));
    sim::RoomUnit& unit = r.station.unit();
    double setpoint = 0;
    double input = 0;
    bool inputCoil = false;
    if (workflow == Workflow::ReadAgain) {
        // Nothing read yet: the editor's fields hold no unit's values, and the link does not know
        // the response time, so a unit slower than the first repeat answers both tries of the
        // first block; neither answer may be taken for the next block.
        r.station.unit().setReg(11, quint16(unit.reg(11) + 5));
        r.f->read_out_parameter->userClick();
    } else {
        QVERIFY(r.readDevice());
        setpoint = r.unitValue(11);
        input = r.unitInput(0);
        inputCoil = unit.coil(params::kInputCoilFirst + 2);
        if (workflow == Workflow::BothGroups) {
            setpoint += 1.5;
            r.f->txt_data_cfg(11).setText(params::formatNumber(setpoint, r.g.decimalSeparator));
            // Only the configuration goes out; the read-out after it shows the inputs as the
            // unit holds them.
            r.f->txt_data_in(0).setText(
                params::formatNumber(input == 21.5 ? 22.5 : 21.5, r.g.decimalSeparator));
        }
        if (workflow == Workflow::InputWrite) {
            input = input == 21.5 ? 22.5 : 21.5; // a value the editor takes, other than the unit's
            inputCoil = !inputCoil;
            r.f->txt_data_in(0).setText(params::formatNumber(input, r.g.decimalSeparator));
            r.f->chk_inp_bit(2).setValue(inputCoil ? 1 : 0);
        }
        // Live values the monitor must bring in.
        r.station.unit().setReg(params::kMonitorFirst + 2, quint16(qint16(-35)));
        r.station.unit().setReg(params::kMonitorFirst + 12, 4321);
        r.port.clearSent();
        if (workflow == Workflow::Monitor)
            r.f->chk_read_out->setValue(1);
        else
            r.f->set_parameter->userClick();
    }
    QVERIFY(r.untilSent(step + 1));
    arm(r, fault, responseMs);
    QString message;
    if (workflow == Workflow::Monitor && fault != Fault::DeviceLost && !refusalCode(fault)) {
        // The monitor goes on until it is unticked: three more cycles (or the notice that it
        // could not), then stop it.
        QVERIFY(r.tp.clock.advanceUntil(
            [&] { return r.port.sent().size() >= step + 1 + 6 || r.f->lbl_desc(16).visible(); },
            900000));
        r.f->chk_read_out->setValue(0);
    }
    if (runToEnd(r, fault, responseMs, &message) == End::Stopped) {
        // A refused write names what the unit had taken before it.
        const int writes = workflow == Workflow::InputWrite   ? 2
                           : workflow == Workflow::BothGroups ? 6
                                                              : 0;
        if (refusalCode(fault) && step < writes)
            QVERIFY2(message.contains(QStringLiteral("bestätigt")), qPrintable(message));
        return;
    }
    switch (workflow) {
    case Workflow::ReadAgain: {
        QStringList steps = r.requests();
        steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
        QCOMPARE(steps.size(), kReadOutRequests - 1);
        break;
    }
    case Workflow::InputWrite:
        QCOMPARE(r.unitInput(0), input);
        QCOMPARE(unit.coil(params::kInputCoilFirst + 2), inputCoil);
        break;
    case Workflow::BothGroups:
        QCOMPARE(r.unitValue(11), setpoint);
        QCOMPARE(r.unitInput(0), input);
        break;
    case Workflow::Monitor:
        verifyMonitorMatchesUnit(r);
        QVERIFY(r.f->cmd_read_device->enabled());
        return;
    }
    testing::verifyEditorMatchesUnit(r);
}

void TestSlowUnits::exceptionTexts_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("words");
    QTest::newRow("01 de") << 1 << "1031"
                           << "Funktion nicht unterstützt";
    QTest::newRow("02 en") << 2 << "1033"
                           << "address not available";
    QTest::newRow("03 de") << 3 << "1031"
                           << "Wert abgelehnt";
    QTest::newRow("03 en") << 3 << "1033"
                           << "value refused";
    QTest::newRow("04 en") << 4 << "1033"
                           << "device failure";
}

// The refusal names the code, the refused registers or coils and, for a write, what was taken.
void TestSlowUnits::exceptionTexts() {
    QFETCH(int, code);
    QFETCH(QString, language);
    QFETCH(QString, words);
    const link::PendingRequest refused{1, link::kWriteMultipleRegisters, 12, 10};
    const link::PendingRequest taken{1, link::kWriteMultipleRegisters, 2, 10};
    const QString text = link::refusedMessage(quint8(code), refused, {taken}, language);
    QVERIFY2(text.contains(words), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("12..21")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("2..11")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("%1").arg(code, 2, 10, QLatin1Char('0'))),
             qPrintable(text));
    const link::PendingRequest read{1, link::kReadCoils, 0, 14};
    QVERIFY(link::refusedMessage(quint8(code), read, {}, language).contains("0..13"));
}

QTEST_GUILESS_MAIN(TestSlowUnits)
#include "tst_slow_units.moc"
