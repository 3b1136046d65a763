// Units at every response time, every baud rate and both framings, with the faults a line and a
// unit show, in virtual time: each transfer either completes with editor, references and unit
// agreeing, or ends with a notice or message that says what happened. Also the link's timing
// rules and the exception texts on their own.

#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "editor/numbers.h"
#include "editor/register_map.h"
#include "link/link_events.h"
#include "link/transaction.h"
#include "sim/faults.h"
#include "sim/simcommport.h"
#include "sim/station.h"
#include "support/test_program.h"
#include "windows/frmState.h"

#include <QTest>

#include <algorithm>

using namespace qtx52;
using editor::frm_config;
using forms::ColorButtonText;
using link::Framing;

namespace {

const QStringList kBauds = {"9600", "19200", "38400", "57600"};
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
    Exception04
};
const QList<Fault> kFaults = {Fault::None,        Fault::LostOnce,    Fault::Chunked,
                              Fault::Late,        Fault::Garbage,     Fault::Busy,
                              Fault::Exception02, Fault::Exception03, Fault::Exception04};

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

void arm(sim::FaultPlan& p, Fault f, int responseMs) {
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

struct Rig {
    testing::TestProgram tp;
    sim::Station station{tp.clock};
    sim::SimCommPort port{tp.clock, station};
    app::Program p{
        tp.clock, port, tp.ui,
        settings::StorePaths{tp.dir.filePath("machine.ini"), tp.dir.filePath("user.ini")}};
    app::Global& g = p.g;
    frm_config* f = nullptr;
    Framing framing;
    Counter events;

    Rig(Framing m, const QString& baud, quint16 responseTimeMs) : framing(m) {
        station.unit().setLiveMotion(false);
        station.unit().setReg(editor::kResponseTimeRegister, responseTimeMs);
        station.setFraming(m == Framing::Rtu ? sim::Framing::Rtu : sim::Framing::Ascii);
        station.setLineSettings({baud.toInt(), 'E', m == Framing::Rtu ? 8 : 7, 1});
        app::Main(p);
        f = &p.frm_config();
        f->Combo_Port(1).setListIndex(int(kBauds.indexOf(baud)));
        f->Combo_Port(5).setListIndex(m == Framing::Rtu ? 1 : 0);
        f->Combo_Port(6).setListIndex(1);
        p.linkEvents.add(&events);
    }
    ~Rig() { p.linkEvents.remove(&events); }

    QStringList requests() const {
        QStringList out;
        for (const auto& s : port.sent()) {
            const QByteArray& fr = s.frame;
            out << (framing == Framing::Rtu ? QString::fromLatin1(fr.chopped(2).toHex().toUpper())
                                            : QString::fromLatin1(fr.mid(1, fr.size() - 5)));
        }
        return out;
    }
    bool idle() const { return (g.commState == 0 || g.commState == 1) && !p.frmStateLoaded(); }
    // Runs until the chain has stopped: no window, nothing outstanding, and quiet for a while.
    bool settle(qint64 maxMs = 900000) {
        return tp.clock.advanceUntil(
            [&] { return idle() && g.linkReady && !f->Timer6.enabled() && !f->Timer1.enabled(); },
            maxMs);
    }
    double unitValue(int reg) {
        const qint16 raw = qint16(station.unit().reg(reg));
        return editor::configEncoding(reg) == editor::Encoding::SignedTenths ? raw / 10.0 : raw;
    }
    std::optional<double> shown(const forms::TextBox& box) const {
        return editor::parseNumber(box.text(), g.decimalSeparator);
    }
};

void verifyConfigMatchesUnit(Rig& r) {
    for (int i = editor::kConfigFirst; i < editor::kConfigFirst + editor::kConfigCount; ++i) {
        // The response time field forces values below its least to it.
        if (i == editor::kResponseTimeRegister && r.unitValue(i) < 5)
            continue;
        const QString where = QStringLiteral("txt_data_cfg(%1)").arg(i);
        QVERIFY2(r.shown(r.f->txt_data_cfg(i)) == r.unitValue(i), qPrintable(where));
        QVERIFY2(r.g.refDataCfg[std::size_t(i)] == r.unitValue(i), qPrintable(where));
        QVERIFY2(r.f->txt_data_cfg(i).foreColor() == ColorButtonText, qPrintable(where));
    }
    for (int i = 0; i < 14; ++i)
        QCOMPARE(r.f->chk_cfg(i).value(), r.station.unit().coil(i) ? 1 : 0);
}

// No field is shown as the unit's value while it differs: each either equals the unit or is
// marked as changed.
void verifyNothingShownWrongly(Rig& r) {
    for (int i = editor::kConfigFirst; i < editor::kConfigFirst + editor::kConfigCount; ++i) {
        if (r.f->txt_data_cfg(i).foreColor() == ColorButtonText)
            QVERIFY2(r.shown(r.f->txt_data_cfg(i)) == r.unitValue(i) ||
                         r.g.refDataCfg[std::size_t(i)] != r.unitValue(i),
                     qPrintable(QStringLiteral("txt_data_cfg(%1)").arg(i)));
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
                    const Fault fx = kFaults[(cell * 5 + k) % kFaults.size()];
                    const int step = (cell * 7) % 9;
                    QTest::addRow("%s %s baud %d ms %s at %d", m == Framing::Rtu ? "RTU" : "ASCII",
                                  qPrintable(baud), rt, faultName(fx), step)
                        << m << baud << rt << fx << step;
                }
}

} // namespace

Q_DECLARE_METATYPE(Framing)
Q_DECLARE_METATYPE(Fault)

class TestSlowUnits : public QObject {
    Q_OBJECT
private slots:
    void timing_data();
    void timing();
    void readOut_data() { addMatrixRows(); }
    void readOut();
    void configurationWrite_data() { addMatrixRows(); }
    void configurationWrite();
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
    arm(r.station.faults(), fault, responseMs);
    QVERIFY(r.settle());

    if (const std::optional<quint8> code = refusalCode(fault)) {
        // Refused: no repeat of the refused request, a message naming the code in words.
        // Nothing goes out after the refusal.
        QCOMPARE(r.events.sent, r.events.sentAtException);
        QCOMPARE(r.tp.ui.messages().size(), 1);
        QVERIFY2(r.tp.ui.messages().first().text.contains(link::exceptionMeaning(*code, "1031")),
                 qPrintable(r.tp.ui.messages().first().text));
        QVERIFY(r.f->lbl_desc(16).visible());
        QCOMPARE(r.events.failures, QList<link::Failure>{link::Failure::Exception});
        return;
    }
    if (endedByClassicTiming(r, fault, responseMs))
        return;
    // Each step once; the read device may be repeated while the response time is unknown.
    QStringList steps = r.requests();
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    QCOMPARE(steps.size(), kReadOutRequests);
    QVERIFY2(r.tp.ui.messages().isEmpty(),
             qPrintable(r.tp.ui.messageTexts().join(QLatin1Char('\n'))));
    QVERIFY(!r.f->lbl_desc(16).visible());
    QVERIFY(r.events.failures.isEmpty());
    verifyConfigMatchesUnit(r);
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
    r.f->txt_data_cfg(11).setText(editor::formatNumber(setpoint, r.g.decimalSeparator));
    r.port.clearSent();
    r.f->set_parameter->userClick();
    // Steps 0..5 of a configuration write: four register blocks and two coil groups.
    const int at = step % 6;
    QVERIFY(r.tp.clock.advanceUntil([&] { return r.port.sent().size() >= at + 1; }, 900000));
    arm(r.station.faults(), fault, responseMs);
    QVERIFY(r.settle());

    if (const std::optional<quint8> code = refusalCode(fault)) {
        QCOMPARE(r.tp.ui.messages().size(), 1);
        const QString text = r.tp.ui.messages().first().text;
        QVERIFY2(text.contains(link::exceptionMeaning(*code, "1031")), qPrintable(text));
        // What the unit took before the refusal is named.
        QVERIFY2(text.contains(at == 0 ? QStringLiteral("nichts bestätigt")
                                       : QStringLiteral("Register 2..11")),
                 qPrintable(text));
        // A refused register block keeps its marks, and the write can be tried again.
        if (at <= 1) {
            QCOMPARE(r.f->txt_data_cfg(11).foreColor(), forms::ColorChanged);
            QVERIFY(r.f->set_parameter->enabled());
        }
        verifyNothingShownWrongly(r);
        return;
    }
    if (endedByClassicTiming(r, fault, responseMs)) {
        // The register block not acknowledged keeps its mark.
        if (r.unitValue(11) != setpoint)
            QCOMPARE(r.f->txt_data_cfg(11).foreColor(), forms::ColorChanged);
        return;
    }
    QVERIFY2(r.tp.ui.messages().isEmpty(),
             qPrintable(r.tp.ui.messageTexts().join(QLatin1Char('\n'))));
    QCOMPARE(r.unitValue(11), setpoint);
    verifyConfigMatchesUnit(r);
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
