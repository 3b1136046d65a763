// Units at every response time, every baud rate and both framings, with the faults a line and a
// unit show (a lost device among them), in virtual time, for every workflow: a sample of the
// transfer matrix (support/transfer_matrix), whose whole product qtx52-bench-matrix runs, paced and
// once more with fast reads, which must leave the same requests, values and marks. Also the link's
// timing rules, the response time of the unit on the line, and the exception texts.

#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "link/transaction.h"
#include "params/register_map.h"
#include "support/transfer_matrix.h"
#include "support/unit_rig.h"

#include <QTest>

#include <map>
#include <vector>

using namespace qtx52;
using link::Framing;

namespace {

using testing::kBauds;
namespace matrix = testing::matrix;
const QList<int>& kResponseTimes = matrix::responseTimes();

// Cells of the transfer matrix run in the suite: those a technician met, then a fixed sample.
constexpr std::size_t kSampleCells = 8000;

const std::vector<matrix::Cell>& suiteCells() {
    using W = matrix::Workflow;
    using F = matrix::Fault;
    static const std::vector<matrix::Cell> cells = [] {
        std::vector<matrix::Cell> out = {
            // A late reply after the failure revived the monitor's transaction.
            {W::Monitor, F::LostOnce, 1, Framing::Rtu, 9600, 800},
            // A slow unit refusing both tries: one message, one count.
            {W::ReadAgain, F::Exception03, 0, Framing::Rtu, 9600, 1500},
            {W::ReadAgain, F::Exception02, 0, Framing::Ascii, 19200, 3000},
            // One lost reply at the fast baud rates and a short response time.
            {W::ReadDevice, F::LostOnce, 3, Framing::Rtu, 38400, 5},
            {W::ConfigWrite, F::LostOnce, 2, Framing::Ascii, 57600, 5},
            // The first block's three tries before the response time is known, the first one's
            // answer last, after the chain went on: with fast reads it is not a later block's.
            {W::ReadAgain, F::Late, 0, Framing::Rtu, 9600, 500},
        };
        for (const matrix::Cell& c : matrix::sample(kSampleCells))
            out.push_back(c);
        return out;
    }();
    return cells;
}

// What changes between reading one unit and the next transfer.
enum class Change { Station, Reopened, Written };

} // namespace

Q_DECLARE_METATYPE(Framing)
Q_DECLARE_METATYPE(Change)

class TestSlowUnits : public QObject {
    Q_OBJECT
private slots:
    void timing_data();
    void timing();
    void matrix_data();
    void matrix();
    void fastReadsAtSlowUnits_data();
    void fastReadsAtSlowUnits();
    void responseTimeOfTheUnitOnTheLine_data();
    void responseTimeOfTheUnitOnTheLine();
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

void TestSlowUnits::matrix_data() {
    QTest::addColumn<int>("cell"); // index into suiteCells()
    QTest::addColumn<bool>("fast");
    for (std::size_t i = 0; i < suiteCells().size(); ++i)
        for (const bool fast : {false, true}) {
            matrix::Cell c = suiteCells()[i];
            c.fast = fast;
            QTest::addRow("%s", qPrintable(matrix::name(c))) << int(i) << fast;
        }
}

void TestSlowUnits::matrix() {
    QFETCH(int, cell);
    QFETCH(bool, fast);
    // What the paced run of each cell left, for its run with fast reads that follows it.
    static std::map<int, QStringList> paced;
    matrix::Cell c = suiteCells()[std::size_t(cell)];
    c.fast = fast;
    QStringList left;
    const QString failure = matrix::run(c, &left);
    if (!fast)
        paced[cell] = left;
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    if (!fast)
        return;
    if (!paced.count(cell)) {
        c.fast = false;
        matrix::run(c, &paced[cell]);
    }
    QCOMPARE(left, paced[cell]);
}

void TestSlowUnits::fastReadsAtSlowUnits_data() {
    QTest::addColumn<Framing>("framing");
    QTest::addColumn<int>("responseMs");
    QTest::addColumn<bool>("lost");
    for (Framing m : {Framing::Rtu, Framing::Ascii})
        for (int rt : {1000, 3000})
            for (bool lost : {false, true})
                QTest::addRow("%s %d ms%s", m == Framing::Rtu ? "RTU" : "ASCII", rt,
                              lost ? ", first try lost" : "")
                    << m << rt << lost;
}

// The first read of a slow unit goes out several times while its response time is not known.
// With fast reads the read-out goes on once the other tries' answers are in, or can no longer
// come, not at the pacing tick of over nine times the response time.
void TestSlowUnits::fastReadsAtSlowUnits() {
    QFETCH(Framing, framing);
    QFETCH(int, responseMs);
    QFETCH(bool, lost);
    testing::UnitRig r(framing, "9600", quint16(responseMs));
    r.f->fastReads = true;
    if (lost)
        r.station.faults().setNoReplyToFirstAttempt();
    const qint64 t0 = r.tp.clock.nowMs();
    r.f->cmd_read_device->userClick();
    QVERIFY(r.tp.clock.advanceUntil([&r] { return r.idle() && r.g.linkReady; }, 900000));
    QVERIFY2(r.tp.ui.messages().isEmpty(), qPrintable(r.tp.ui.messageTexts().join('\n')));
    // Ten requests at the response time and their frames, and the wait for the first one's tries.
    QVERIFY2(r.tp.clock.nowMs() - t0 < 12 * responseMs + 5000,
             qPrintable(QString::number(r.tp.clock.nowMs() - t0)));
    testing::verifyEditorMatchesUnit(r);
}

void TestSlowUnits::responseTimeOfTheUnitOnTheLine_data() {
    QTest::addColumn<Framing>("framing");
    QTest::addColumn<Change>("change");
    for (Framing m : {Framing::Rtu, Framing::Ascii}) {
        const char* mode = m == Framing::Rtu ? "RTU" : "ASCII";
        QTest::addRow("%s, another station", mode) << m << Change::Station;
        QTest::addRow("%s, port opened again", mode) << m << Change::Reopened;
        QTest::addRow("%s, response time written", mode) << m << Change::Written;
    }
}

// The unit read first answers in 10 ms. The next one, or the same after its response time was
// raised, is slower than the first one's timing allows: the link waits for it all the same.
void TestSlowUnits::responseTimeOfTheUnitOnTheLine() {
    QFETCH(Framing, framing);
    QFETCH(Change, change);
    testing::UnitRig r(framing, "9600", 10);
    const auto settle = [&r] {
        return r.tp.clock.advanceUntil([&r] { return r.idle() && r.g.linkReady; }, 900000);
    };
    r.f->cmd_read_device->userClick();
    QVERIFY(settle());
    QVERIFY(r.tp.ui.messages().isEmpty());
    sim::RoomUnit& unit = r.station.unit();
    switch (change) {
    case Change::Station:
        unit.setReg(params::kResponseTimeRegister, 2000);
        QVERIFY(r.station.setAddress(2));
        r.f->txt_Modbus_adress->setText(QStringLiteral("2"));
        break;
    case Change::Reopened:
        unit.setReg(params::kResponseTimeRegister, 2000);
        r.f->Combo_Port(6).setListIndex(0);
        r.f->Combo_Port(6).setListIndex(1);
        break;
    case Change::Written:
        r.f->txt_data_cfg(params::kResponseTimeRegister).setText(QStringLiteral("1500"));
        break;
    }
    if (change == Change::Written)
        r.f->set_parameter->userClick();
    else
        r.f->cmd_read_device->userClick();
    QVERIFY(settle());
    QVERIFY2(r.tp.ui.messages().isEmpty(), qPrintable(r.tp.ui.messageTexts().join('\n')));
    QVERIFY(!r.f->lbl_desc(16).visible());
    QCOMPARE(r.g.minResponseTime, qint16(change == Change::Written ? 1500 : 2000));
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
    // Registers count from 1, as the parameter file names them.
    QVERIFY2(text.contains(QStringLiteral("Register 13..22")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Register 3..12")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("%1").arg(code, 2, 10, QLatin1Char('0'))),
             qPrintable(text));
    const link::PendingRequest read{1, link::kReadCoils, 0, 14};
    QVERIFY(link::refusedMessage(quint8(code), read, {}, language).contains("bits 1..14"));
}

QTEST_GUILESS_MAIN(TestSlowUnits)
#include "tst_slow_units.moc"
