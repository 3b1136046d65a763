// Whole transfers in virtual time: the program, driven through its window's controls, against the
// simulated unit on its simulated line. Read-out, the three kinds of apply, the failure timing,
// the pacing, and every fault the unit can show in every step of a read-out and a write-back.

#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "sim/faults.h"
#include "support/unit_rig.h"
#include "windows/dlg_download.h"
#include "windows/frmState.h"

#include <QRegularExpression>
#include <QTest>

#include <functional>

using namespace qtx52;
using editor::frm_config;
using forms::ColorButtonText;

namespace {

using Mode = link::Framing;
using testing::kBauds;

const QStringList kReadOut = {"01030000000A", "0103000A000A", "01030014000A",
                              "0103001E0008", "01030100000A", "0103010A0008",
                              "01010000000E", "010302000008", "010101000005"};

struct Rig : testing::UnitRig {
    using UnitRig::UnitRig;

    // Runs until the chain is over and the window closed, after at least `requests` requests.
    bool runToEnd(int requestCount, qint64 maxMs = 60000) {
        return tp.clock.advanceUntil([&] { return idle() && port.sent().size() >= requestCount; },
                                     maxMs);
    }
    bool readDevice() {
        port.clearSent();
        f->cmd_read_device->userClick();
        return runToEnd(1 + kReadOut.size());
    }
    bool apply(int requestCount) {
        port.clearSent();
        f->set_parameter->userClick();
        return runToEnd(requestCount);
    }
};

using testing::verifyEditorMatchesUnit;

struct Fault {
    const char* name;
    bool repeats; // the step's request goes out a second time
    std::function<void(sim::FaultPlan&)> arm;
};

QList<Fault> faults() {
    return {
        {"no reply", true, [](sim::FaultPlan& p) { p.setNoReply(); }},
        {"first attempt lost", true, [](sim::FaultPlan& p) { p.setNoReplyToFirstAttempt(); }},
        {"bad checksum", true, [](sim::FaultPlan& p) { p.setBadChecksum(); }},
        {"busy", true, [](sim::FaultPlan& p) { p.setExceptionReply(0x06); }},
        {"other station", true, [](sim::FaultPlan& p) { p.setReplyFromStation(2); }},
        {"split", false,
         [](sim::FaultPlan& p) {
             p.setSplitReply({1, 3, 4});
         }},
        {"garbage before", false,
         [](sim::FaultPlan& p) { p.setGarbageBefore(QByteArray::fromHex("00FF0A")); }},
        {"late", false, [](sim::FaultPlan& p) { p.setLateReply(300); }},
    };
}

} // namespace

Q_DECLARE_METATYPE(Mode)

namespace {

// Every fault at each of `steps` steps, in both framings.
void addFaultRows(int steps) {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("step");
    const QList<Fault> all = faults();
    for (const auto& [mode, name] : {std::pair{Mode::Rtu, "RTU"}, std::pair{Mode::Ascii, "ASCII"}})
        for (int fi = 0; fi < all.size(); ++fi)
            for (int step = 0; step < steps; ++step)
                QTest::addRow("%s %s step %d", name, all[fi].name, step) << mode << fi << step;
}

} // namespace

class TestTransfers : public QObject {
    Q_OBJECT
private slots:
    void readOut_data();
    void readOut();
    void readAgain_data();
    void readAgain();
    void applyConfiguration_data();
    void applyConfiguration();
    void applyInputs_data();
    void applyInputs();
    void failureTiming_data();
    void failureTiming();
    void faultInReadOut_data();
    void faultInReadOut();
    void faultInWriteBack_data();
    void faultInWriteBack();
    void unitFallsSilentDuringWrite_data();
    void unitFallsSilentDuringWrite();
};

void TestTransfers::readOut_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("baud");
    for (const QString& b : kBauds) {
        QTest::addRow("RTU %s", qPrintable(b)) << Mode::Rtu << b;
        QTest::addRow("ASCII %s", qPrintable(b)) << Mode::Ascii << b;
    }
}

void TestTransfers::readOut() {
    QFETCH(Mode, mode);
    QFETCH(QString, baud);
    Rig r(mode, baud);
    // Values away from the factory ones, negative tenths among them.
    r.station.unit().setReg(7, quint16(qint16(-15)));
    r.station.unit().setReg(11, 215);
    r.station.unit().setReg(params::kInputFirst + 1, quint16(qint16(-50)));
    r.station.unit().setCoil(2, true);
    r.station.unit().setCoil(13, true);
    r.station.unit().setCoil(params::kInputCoilFirst + 3, true);

    QVERIFY(r.readDevice());
    QCOMPARE(r.requests(), QStringList{"010300060001"} + kReadOut);
    verifyEditorMatchesUnit(r);
    QCOMPARE(r.g.commState, 0);
    QVERIFY(r.f->form.enabled());
    QVERIFY(r.f->read_out_parameter->enabled());
    QVERIFY(r.f->cmd_read_device->enabled());
    QVERIFY(!r.f->set_parameter->enabled());
    QVERIFY(!r.f->lbl_desc(16).visible());
    QVERIFY(r.tp.ui.messages().isEmpty());
}

void TestTransfers::readAgain_data() {
    readOut_data();
}

// "Read again" reads the unit as it is now and drops every pending edit.
void TestTransfers::readAgain() {
    QFETCH(Mode, mode);
    QFETCH(QString, baud);
    Rig r(mode, baud);
    QVERIFY(r.readDevice());
    r.f->txt_data_cfg(9).setText(QStringLiteral("3"));
    r.f->chk_inp_bit(0).setValue(r.f->chk_inp_bit(0).value() == 1 ? 0 : 1);
    r.station.unit().setReg(16, 25);
    r.station.unit().setCoil(5, !r.station.unit().coil(5));
    r.port.clearSent();
    r.f->read_out_parameter->userClick();
    QVERIFY(r.runToEnd(kReadOut.size()));
    QCOMPARE(r.requests(), kReadOut);
    verifyEditorMatchesUnit(r);
    QVERIFY(!r.f->set_parameter->enabled());
    QVERIFY(r.tp.ui.messages().isEmpty());
}

void TestTransfers::applyConfiguration_data() {
    readOut_data();
}

void TestTransfers::applyConfiguration() {
    QFETCH(Mode, mode);
    QFETCH(QString, baud);
    Rig r(mode, baud);
    QVERIFY(r.readDevice());
    const quint16 reg0 = r.station.unit().reg(0);
    const quint16 reg1 = r.station.unit().reg(1);
    const double setpoint = r.unitValue(11) + 1.5;
    r.f->txt_data_cfg(11).setText(params::formatNumber(setpoint, r.g.decimalSeparator));
    r.f->chk_cfg(3).setValue(r.f->chk_cfg(3).value() == 1 ? 0 : 1);
    const bool coil3 = r.f->chk_cfg(3).value() == 1;
    QCOMPARE(r.f->txt_data_cfg(11).foreColor(), forms::ColorChanged);
    QVERIFY(r.f->set_parameter->enabled());

    QVERIFY(r.apply(6 + kReadOut.size()));
    const QStringList sent = r.requests();
    QCOMPARE(sent.mid(0, 4).replaceInStrings(QRegularExpression("^(.{14}).*$"), "\\1"),
             (QStringList{"01100002000A14", "0110000C000A14", "01100016000A14", "0110002000060C"}));
    QVERIFY(sent[4].startsWith("010F0000000801"));
    QVERIFY(sent[5].startsWith("010F0008000601"));
    QCOMPARE(sent.mid(6), kReadOut);
    QCOMPARE(r.unitValue(11), setpoint);
    QCOMPARE(r.station.unit().coil(3), coil3);
    QCOMPARE(r.station.unit().reg(0), reg0);
    QCOMPARE(r.station.unit().reg(1), reg1);
    verifyEditorMatchesUnit(r);
    QVERIFY(!r.f->set_parameter->enabled());
    QVERIFY(r.tp.ui.messages().isEmpty());
}

void TestTransfers::applyInputs_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<bool>("edited"); // false: nothing marked, the dialog is confirmed
    for (const QString& b : kBauds)
        for (bool edited : {true, false})
            for (const auto& [mode, name] :
                 {std::pair{Mode::Rtu, "RTU"}, std::pair{Mode::Ascii, "ASCII"}})
                QTest::addRow("%s %s %s", name, qPrintable(b), edited ? "edited" : "identical")
                    << mode << b << edited;
}

// The input group goes out (registers 512..519, then coils 256..260) and is read back.
void TestTransfers::applyInputs() {
    QFETCH(Mode, mode);
    QFETCH(QString, baud);
    QFETCH(bool, edited);
    Rig r(mode, baud);
    QVERIFY(r.readDevice());
    double value = r.unitInput(0);
    bool coil = r.station.unit().coil(params::kInputCoilFirst + 2);
    if (edited) {
        // A value the editor takes, other than the unit's.
        value = value == 21.5 ? 22.5 : 21.5;
        coil = !coil;
        r.f->txt_data_in(0).setText(params::formatNumber(value, r.g.decimalSeparator));
        r.f->chk_inp_bit(2).setValue(coil ? 1 : 0);
    } else {
        r.f->set_parameter->setEnabled(true); // nothing marked: the dialog asks first
        r.tp.ui.queueModal([&](forms::Form&) { r.p.dlg_download().OKButton.userClick(); });
    }
    QVERIFY(r.apply(2 + kReadOut.size()));
    QCOMPARE(int(r.tp.ui.modalForms().size()), edited ? 0 : 1);
    const QStringList sent = r.requests();
    QVERIFY(sent[0].startsWith("01100200000810"));
    QVERIFY(sent[1].startsWith("010F0100000501"));
    QCOMPARE(sent.mid(2), kReadOut);
    QCOMPARE(r.unitInput(0), value);
    QCOMPARE(r.station.unit().coil(params::kInputCoilFirst + 2), coil);
    verifyEditorMatchesUnit(r);
    QVERIFY(r.tp.ui.messages().isEmpty());
}

void TestTransfers::failureTiming_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<bool>("known");
    QTest::addColumn<qint64>("noticeAt");
    // With the response time known (read again after a read device): the classic timing.
    QTest::newRow("RTU, known") << Mode::Rtu << true << qint64(1500);
    QTest::newRow("ASCII, known") << Mode::Ascii << true << qint64(2000);
    // Read device on a unit not yet read: the failure waits for a reply from the slowest unit
    // (3000 ms) to the first repeat.
    QTest::newRow("RTU, unknown") << Mode::Rtu << false << qint64(1000 + 3000 + 62 + 200);
    QTest::newRow("ASCII, unknown") << Mode::Ascii << false << qint64(1000 + 3000 + 115 + 300);
}

void TestTransfers::failureTiming() {
    QFETCH(Mode, mode);
    QFETCH(bool, known);
    QFETCH(qint64, noticeAt);
    Rig r(mode, "9600");
    if (known) {
        QVERIFY(r.readDevice());
        r.port.clearSent();
    }
    r.station.faults().setNoReply(sim::FaultPlan::Always);
    if (known)
        r.f->read_out_parameter->userClick();
    else
        r.f->cmd_read_device->userClick();
    // Counted from the first try (a read again waits for the first pacing tick).
    QVERIFY(r.tp.clock.advanceUntil([&] { return !r.port.sent().isEmpty(); }, 5000));
    const qint64 t0 = r.port.sent().first().timeMs;
    r.tp.clock.advanceTo(t0 + noticeAt - 1);
    QVERIFY(!r.f->lbl_desc(16).visible());
    r.tp.clock.advanceTo(t0 + noticeAt);
    QVERIFY(r.f->lbl_desc(16).visible());
    QList<qint64> times;
    for (const auto& s : r.port.sent())
        times << s.timeMs - t0;
    // The first try goes out at once (read device) or at the first pacing tick, then a repeat
    // every second until the failure.
    QVERIFY(!times.isEmpty());
    for (int i = 1; i < times.size(); ++i)
        QCOMPARE(times[i] - times[i - 1], qint64(1000));
    QVERIFY(times.size() <= noticeAt / 1000 + 1);
    if (known && mode == Mode::Rtu)
        QCOMPARE(times.size(), 2);
    QVERIFY(!r.f->chk_read_out->enabled());
    QVERIFY(!r.f->set_parameter->enabled());
    QCOMPARE(r.g.commState, 1);
    QVERIFY(r.g.linkReady);
    // Nothing more goes out.
    const auto count = r.port.sent().size();
    r.tp.clock.advance(5000);
    QCOMPARE(r.port.sent().size(), count);
}

void TestTransfers::faultInReadOut_data() {
    addFaultRows(1 + int(kReadOut.size())); // the read device and the read-out
}

// The fault hits the reply to the step's request only. A reply dropped by the program makes the
// step go out again; whatever the fault, what ends in the editor is the unit's, and the next
// read-out runs clean.
void TestTransfers::faultInReadOut() {
    QFETCH(Mode, mode);
    QFETCH(int, fault);
    QFETCH(int, step);
    const Fault fx = faults()[fault]; // a copy: the list is a temporary
    Rig r(mode, "9600");
    QVERIFY(r.readDevice());
    r.port.clearSent();
    r.f->cmd_read_device->userClick();
    QVERIFY(r.tp.clock.advanceUntil([&] { return r.port.sent().size() >= step + 1; }, 20000));
    fx.arm(r.station.faults());
    QVERIFY(r.runToEnd(1 + kReadOut.size() + (fx.repeats ? 1 : 0)));
    QStringList expected = QStringList{"010300060001"} + kReadOut;
    if (fx.repeats)
        expected.insert(step, expected[step]);
    QCOMPARE(r.requests(), expected);
    verifyEditorMatchesUnit(r);
    QVERIFY(r.tp.ui.messages().isEmpty());

    QVERIFY(r.readDevice());
    QCOMPARE(r.requests(), QStringList{"010300060001"} + kReadOut);
    verifyEditorMatchesUnit(r);
}

void TestTransfers::faultInWriteBack_data() {
    addFaultRows(6); // four register blocks and two coil groups
}

// A write is taken as done only on the unit's own acknowledgement: a dropped one makes the block
// go out again, and the unit ends up holding the edited values.
void TestTransfers::faultInWriteBack() {
    QFETCH(Mode, mode);
    QFETCH(int, fault);
    QFETCH(int, step);
    const Fault fx = faults()[fault]; // a copy: the list is a temporary
    Rig r(mode, "9600");
    QVERIFY(r.readDevice());
    const double offset = r.unitValue(7) + 0.5;
    r.f->txt_data_cfg(7).setText(params::formatNumber(offset, r.g.decimalSeparator));
    r.f->chk_cfg(10).setValue(r.f->chk_cfg(10).value() == 1 ? 0 : 1);
    const bool coil = r.f->chk_cfg(10).value() == 1;

    r.port.clearSent();
    r.f->set_parameter->userClick();
    QVERIFY(r.tp.clock.advanceUntil([&] { return r.port.sent().size() >= step + 1; }, 20000));
    fx.arm(r.station.faults());
    const int writes = 6 + (fx.repeats ? 1 : 0);
    QVERIFY(r.runToEnd(writes + kReadOut.size()));
    const QStringList sent = r.requests();
    QCOMPARE(sent.size(), writes + kReadOut.size());
    if (fx.repeats)
        QCOMPARE(sent[step + 1], sent[step]);
    QCOMPARE(sent.mid(writes), kReadOut);
    QCOMPARE(r.unitValue(7), offset);
    QCOMPARE(r.station.unit().coil(10), coil);
    verifyEditorMatchesUnit(r);
    QVERIFY(r.tp.ui.messages().isEmpty());
}

void TestTransfers::unitFallsSilentDuringWrite_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("step");
    for (Mode mode : {Mode::Rtu, Mode::Ascii})
        for (int step = 0; step < 6; ++step) // four register blocks and two coil groups
            QTest::addRow("%s, silent from block %d", mode == Mode::Rtu ? "RTU" : "ASCII", step)
                << mode << step;
}

// The unit stops answering in the middle of a write: once the failure is noticed and the status
// window has ended, the message is a write's, naming every block the unit acknowledged, and no
// read-out or verification is claimed.
void TestTransfers::unitFallsSilentDuringWrite() {
    QFETCH(Mode, mode);
    QFETCH(int, step);
    Rig r(mode, "9600");
    QVERIFY(r.readDevice());
    r.f->txt_data_cfg(7).setText(params::formatNumber(r.unitValue(7) + 0.5, r.g.decimalSeparator));
    r.f->chk_cfg(10).setValue(r.f->chk_cfg(10).value() == 1 ? 0 : 1);
    r.port.clearSent();
    r.f->set_parameter->userClick();
    // The reply to block `step` is the first lost.
    QVERIFY(r.tp.clock.advanceUntil([&] { return r.port.sent().size() >= step + 1; }, 20000));
    r.station.faults().setNoReply(sim::FaultPlan::Always);
    QVERIFY(r.tp.clock.advanceUntil(
        [&] { return !r.p.frmStateLoaded() && !r.tp.ui.messages().isEmpty(); }, 600000));
    QCOMPARE(r.tp.ui.messages().size(), 1);
    const QString text = r.tp.ui.messages()[0].text;
    QVERIFY2(text.contains(step == 0 ? QStringLiteral("nichts bestätigt")
                                     : QStringLiteral("Das Gerät hat bestätigt: ")),
             qPrintable(text));
    if (step > 0)
        QCOMPARE(text.section(QStringLiteral("bestätigt: "), 1).count(QStringLiteral(", ")),
                 step - 1);
    QVERIFY(!text.contains(QStringLiteral("ausgelesen")));
    QVERIFY(r.tp.ui.reports().isEmpty());
    QCOMPARE(r.g.commState, 0);
}

QTEST_GUILESS_MAIN(TestTransfers)
#include "tst_transfers.moc"
