#include "forms/clock.h"
#include "sim/modbusserver.h"
#include "sim/roomunit.h"

#include <QTest>

using namespace qtx52;
using sim::RoomUnit;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

void appendWord(QByteArray& out, int v) {
    out.append(char(v >> 8));
    out.append(char(v & 0xFF));
}

QByteArray readPdu(int function, int start, int count) {
    QByteArray pdu(1, char(function));
    appendWord(pdu, start);
    appendWord(pdu, count);
    return pdu;
}

// Write-registers request; count and byteCount default to what the values need.
QByteArray writeRegsPdu(int start, const QList<int>& values, int count = -1, int byteCount = -1) {
    QByteArray pdu = readPdu(0x10, start, count < 0 ? int(values.size()) : count);
    pdu.append(char(byteCount < 0 ? 2 * values.size() : byteCount));
    for (int v : values)
        appendWord(pdu, v);
    return pdu;
}

QByteArray writeCoilsPdu(int start, int count, const QByteArray& data, int byteCount = -1) {
    QByteArray pdu = readPdu(0x0F, start, count);
    pdu.append(char(byteCount < 0 ? data.size() : byteCount));
    return pdu + data;
}

const QList<int> AllCoils = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 256, 257, 258, 259, 260};

// Everything the Modbus side can see, to show that a refused request changed nothing.
QList<int> snapshot(RoomUnit& unit) {
    QList<int> all;
    for (auto [start, count] : {std::pair{0, 38}, {256, 18}, {512, 8}})
        for (quint16 v : unit.readRegisters(start, count))
            all.append(v);
    for (int c : AllCoils)
        all.append(unit.coil(c));
    return all;
}

// Whether a live value moves away from `from` within ten minutes while staying within a few
// degrees (or percent) of it.
bool drifts(forms::ManualClock& clock, RoomUnit& unit, int address, quint16 from) {
    bool moved = false;
    for (int minute = 1; minute <= 10; ++minute) {
        clock.advance(60'000);
        const int delta = qint16(unit.reg(address)) - qint16(from);
        if (qAbs(delta) > 100)
            return false;
        moved = moved || delta != 0;
    }
    return moved;
}

} // namespace

class TstRoomUnit : public QObject {
    Q_OBJECT
private slots:
    void exceptions_data();
    void exceptions();
    void writeThenRead_data();
    void writeThenRead();
    void readCoilBitOrder_data();
    void readCoilBitOrder();
    void writeCoilBitOrder_data();
    void writeCoilBitOrder();
    void givenValuesTakeEffect_data();
    void givenValuesTakeEffect();
    void liveValuesMove_data();
    void liveValuesMove();
    void settingLiveValues();
    void factoryScaleIsCelsius();

private:
    forms::ManualClock clock_;
};

void TstRoomUnit::exceptions_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("function 04") << hex("0400000001") << hex("8401");
    QTest::newRow("function 06") << hex("0600060014") << hex("8601");
    QTest::newRow("read regs count 0") << readPdu(3, 0, 0) << hex("8303");
    QTest::newRow("read regs count 126") << readPdu(3, 0, 126) << hex("8303");
    QTest::newRow("read regs quantity checked first") << readPdu(3, 600, 0) << hex("8303");
    QTest::newRow("read regs short request") << hex("03000600") << hex("8303");
    QTest::newRow("read regs past configuration") << readPdu(3, 30, 9) << hex("8302");
    QTest::newRow("read regs in gap") << readPdu(3, 38, 1) << hex("8302");
    QTest::newRow("read regs into live block") << readPdu(3, 255, 2) << hex("8302");
    QTest::newRow("read regs past live") << readPdu(3, 270, 5) << hex("8302");
    QTest::newRow("read coils count 0") << readPdu(1, 0, 0) << hex("8103");
    QTest::newRow("read coils count 2001") << readPdu(1, 0, 2001) << hex("8103");
    QTest::newRow("read coils past configuration") << readPdu(1, 0, 15) << hex("8102");
    QTest::newRow("read coils past switching") << readPdu(1, 258, 4) << hex("8102");
    QTest::newRow("read coils in gap") << readPdu(1, 100, 1) << hex("8102");
    QTest::newRow("write device coding") << writeRegsPdu(0, {0x52}) << hex("9002");
    QTest::newRow("write over firmware") << writeRegsPdu(1, {1, 1}) << hex("9002");
    QTest::newRow("write live value") << writeRegsPdu(258, {200}) << hex("9002");
    QTest::newRow("write past configuration") << writeRegsPdu(36, {1, 1, 1}) << hex("9002");
    QTest::newRow("write count 0") << writeRegsPdu(2, {}, 0, 0) << hex("9003");
    QTest::newRow("write count 124") << writeRegsPdu(2, QList<int>(124, 1)) << hex("9003");
    QTest::newRow("write byte count off") << writeRegsPdu(2, {1, 1}, 2, 2) << hex("9003");
    QTest::newRow("write data missing") << writeRegsPdu(2, {1}, 2, 4) << hex("9003");
    QTest::newRow("device type 06") << writeRegsPdu(2, {0x06}) << hex("9003");
    QTest::newRow("device type 12") << writeRegsPdu(2, {0x12}) << hex("9003");
    QTest::newRow("button function 24") << writeRegsPdu(4, {0x24}) << hex("9003");
    QTest::newRow("input function 16") << writeRegsPdu(31, {0x16}) << hex("9003");
    QTest::newRow("counter mode 3") << writeRegsPdu(33, {3}) << hex("9003");
    QTest::newRow("given mode 4") << writeRegsPdu(517, {4}) << hex("9003");
    QTest::newRow("manual value 1001") << writeRegsPdu(518, {1001}) << hex("9003");
    QTest::newRow("bad value last, nothing written")
        << writeRegsPdu(2, {0x01, 0x20, 300}) << hex("9003");
    QTest::newRow("write coils count 0") << writeCoilsPdu(0, 0, {}) << hex("8F03");
    QTest::newRow("write coils count 1969")
        << writeCoilsPdu(0, 1969, QByteArray(247, '\0')) << hex("8F03");
    QTest::newRow("write coils byte count off") << writeCoilsPdu(0, 9, hex("FF")) << hex("8F03");
    QTest::newRow("write coils past configuration")
        << writeCoilsPdu(12, 3, hex("07")) << hex("8F02");
    QTest::newRow("write coils past switching") << writeCoilsPdu(260, 2, hex("03")) << hex("8F02");
}

void TstRoomUnit::exceptions() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    RoomUnit unit(clock_);
    unit.setLiveMotion(false);
    const QList<int> before = snapshot(unit);
    QCOMPARE(sim::serveRequest(unit, request).toHex(), reply.toHex());
    QVERIFY(unit.writes().isEmpty());
    QCOMPARE(snapshot(unit), before);
}

void TstRoomUnit::writeThenRead_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("device type 11") << 2 << QList<int>{0x11};
    QTest::newRow("button, display, negative response time") << 4 << QList<int>{0x30, 255, 0xFFF6};
    QTest::newRow("signed offsets") << 7 << QList<int>{0xFFEC, 25};
    QTest::newRow("input functions") << 31 << QList<int>{0x15, 0x10};
    QTest::newRow("counters, bypass, LED, mode") << 33 << QList<int>{2, 0, 120, 4, 3};
    QTest::newRow("all given values") << 512 << QList<int>{250, 400, 0xFFF6, 220, 0, 3, 1000, 0};
}

void TstRoomUnit::writeThenRead() {
    QFETCH(int, start);
    QFETCH(QList<int>, values);
    RoomUnit unit(clock_);
    const QByteArray request = writeRegsPdu(start, values);
    QCOMPARE(sim::serveRequest(unit, request).toHex(), request.left(5).toHex());

    QByteArray expected = hex("03");
    expected.append(char(2 * values.size()));
    QList<quint16> words;
    for (int v : values) {
        appendWord(expected, v);
        words.append(quint16(v));
    }
    QCOMPARE(sim::serveRequest(unit, readPdu(3, start, int(values.size()))).toHex(),
             expected.toHex());
    QCOMPARE(unit.writes(), (QList<RoomUnit::Write>{{clock_.nowMs(), false, start, words}}));
}

void TstRoomUnit::readCoilBitOrder_data() {
    QTest::addColumn<QList<int>>("on");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("coils 0, 9, 13") << QList<int>{0, 9, 13} << 0 << 14 << hex("0122");
    QTest::newRow("from coil 3, unused bits 0") << QList<int>{3, 10, 12} << 3 << 10 << hex("8102");
    QTest::newRow("single coil") << QList<int>{5} << 5 << 1 << hex("01");
    QTest::newRow("all on") << AllCoils << 0 << 14 << hex("FF3F");
    QTest::newRow("switching") << QList<int>{256, 260} << 256 << 5 << hex("11");
}

void TstRoomUnit::readCoilBitOrder() {
    QFETCH(QList<int>, on);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(QByteArray, data);
    RoomUnit unit(clock_);
    for (int c : AllCoils)
        unit.setCoil(c, on.contains(c));
    QByteArray expected = hex("01");
    expected.append(char(data.size()));
    QCOMPARE(sim::serveRequest(unit, readPdu(1, start, count)).toHex(), (expected + data).toHex());
}

void TstRoomUnit::writeCoilBitOrder_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<int>>("on");
    QTest::newRow("CD 01 onto 0..9") << 0 << 10 << hex("CD01") << QList<int>{0, 2, 3, 6, 7, 8};
    QTest::newRow("bits past the count ignored") << 0 << 3 << hex("FF") << QList<int>{0, 1, 2};
    QTest::newRow("switching") << 256 << 5 << hex("1A") << QList<int>{257, 259, 260};
}

void TstRoomUnit::writeCoilBitOrder() {
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(QByteArray, data);
    QFETCH(QList<int>, on);
    RoomUnit unit(clock_);
    for (int c : AllCoils)
        unit.setCoil(c, false);
    const QByteArray request = writeCoilsPdu(start, count, data);
    QCOMPARE(sim::serveRequest(unit, request).toHex(), request.left(5).toHex());
    for (int c : AllCoils)
        QVERIFY2(unit.coil(c) == on.contains(c), qPrintable(QString::number(c)));
    QCOMPARE(unit.writes().size(), 1);
    QVERIFY(unit.writes().front().coils);
}

void TstRoomUnit::givenValuesTakeEffect_data() {
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("live");
    QTest::newRow("setpoint offset") << 514 << 15 << 259;
    QTest::newRow("occupancy") << 516 << 0 << 263;
    QTest::newRow("controller mode") << 517 << 3 << 273;
    QTest::newRow("external temperature") << 512 << 250 << 258;
    QTest::newRow("external humidity") << 513 << 555 << 261;
}

void TstRoomUnit::givenValuesTakeEffect() {
    QFETCH(int, given);
    QFETCH(int, value);
    QFETCH(int, live);
    RoomUnit unit(clock_);
    QVERIFY(unit.reg(live) != value);
    sim::serveRequest(unit, writeRegsPdu(given, {value}));
    QCOMPARE(int(unit.reg(live)), value);
    clock_.advance(60'000);
    QCOMPARE(int(unit.reg(live)), value);
}

void TstRoomUnit::liveValuesMove_data() {
    QTest::addColumn<int>("counterMode");
    QTest::newRow("counters on") << 1;
    QTest::newRow("counters off") << 0;
}

void TstRoomUnit::liveValuesMove() {
    QFETCH(int, counterMode);
    RoomUnit unit(clock_);
    unit.setReg(sim::reg::CounterMode1, quint16(counterMode));
    unit.setReg(sim::reg::CounterMode2, quint16(counterMode));
    const QList<quint16> before = unit.readRegisters(258, 15);
    for (int at : {sim::reg::Temperature, sim::reg::Humidity})
        QVERIFY(drifts(clock_, unit, at, before[at - 258]));
    const QList<quint16> after = unit.readRegisters(258, 15);
    for (int at : {sim::reg::Counter1, sim::reg::Counter2}) {
        if (counterMode)
            QVERIFY(after[at - 258] > before[at - 258]);
        else
            QCOMPARE(after[at - 258], before[at - 258]);
    }
}

void TstRoomUnit::settingLiveValues() {
    RoomUnit unit(clock_);
    unit.setReg(sim::reg::Temperature, 300);
    QCOMPARE(unit.reg(sim::reg::Temperature), 300);
    QVERIFY(drifts(clock_, unit, sim::reg::Temperature, 300));

    unit.setLiveMotion(false);
    unit.setReg(sim::reg::Temperature, 300);
    unit.setReg(sim::reg::EffectiveSetpoint, 190);
    unit.setReg(sim::reg::Counter1, 7);
    clock_.advance(3'600'000);
    QCOMPARE(unit.reg(sim::reg::Temperature), 300);
    QCOMPARE(unit.reg(sim::reg::EffectiveSetpoint), 190);
    QCOMPARE(unit.reg(sim::reg::Counter1), 7);
}

// The factory unit reports room temperatures around 21: a Celsius reading, so its unit coil must
// say Celsius, or every temperature is captioned in Fahrenheit.
void TstRoomUnit::factoryScaleIsCelsius() {
    RoomUnit unit(clock_);
    QVERIFY(unit.coil(6));
    const double temperature = qint16(unit.reg(sim::reg::Temperature)) / 10.0;
    QVERIFY2(temperature > 5 && temperature < 40, qPrintable(QString::number(temperature)));
}

QTEST_GUILESS_MAIN(TstRoomUnit)
#include "tst_roomunit.moc"
