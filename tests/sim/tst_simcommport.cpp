#include "forms/clock.h"
#include "sim/asciiframing.h"
#include "sim/rtuframing.h"
#include "sim/simcommport.h"
#include "sim/station.h"

#include <QTest>

#include <functional>

using namespace qtx52;
using sim::Framing;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// One piece of a reply as the master's port sees it: when it became readable (ms after the
// request was handed over) and what it held.
struct Piece {
    qint64 atMs;
    QByteArray bytes;
    bool operator==(const Piece&) const = default;
};
using Pieces = QList<Piece>;
using Setup = std::function<void(sim::Station&, sim::SimCommPort&)>;

} // namespace

Q_DECLARE_METATYPE(Piece)
Q_DECLARE_METATYPE(Setup)

namespace QTest {
template <> char* toString(const Piece& p) {
    return qstrdup(qPrintable(QStringLiteral("%1 ms: %2").arg(p.atMs).arg(p.bytes.toHex(' '))));
}
} // namespace QTest

namespace {

struct Rig {
    forms::ManualClock clock;
    sim::Station station{clock};
    sim::SimCommPort port{clock, station};

    // Puts the unit and the port on the same framing and settings and opens the port.
    void open(Framing framing, const QString& settings) {
        link::LineSettings line;
        QVERIFY(link::LineSettings::parse(settings, &line));
        station.setFraming(framing);
        station.setLineSettings(line);
        QVERIFY(!port.setSettings(settings));
        QVERIFY(!port.setPortOpen(true));
    }

    // Sends a frame and polls the port every millisecond for windowMs.
    Pieces exchange(const QByteArray& frame, qint64 windowMs = 300) {
        const qint64 start = clock.nowMs();
        Pieces got;
        if (port.output(frame))
            return got;
        for (qint64 t = 1; t <= windowMs; ++t) {
            clock.advanceTo(start + t);
            if (port.inBufferCount() > 0)
                got.append({t, port.input()});
        }
        return got;
    }
};

QByteArray frameOf(Framing framing, quint8 address, const QByteArray& pdu) {
    return framing == Framing::Rtu ? sim::rtu::encode(address, pdu)
                                   : sim::ascii::encode(address, pdu);
}

// When the last of `replyBytes` is readable: both frames' characters plus the response time,
// rounded up to the next whole millisecond of the clock.
qint64 landsAt(const QString& settings, qint64 requestBytes, qint64 replyBytes, qint64 responseMs) {
    link::LineSettings line;
    link::LineSettings::parse(settings, &line);
    const qint64 bits = (requestBytes + replyBytes) * line.bitsPerCharacter();
    const qint64 exact = bits * 1000 + responseMs * line.baud; // in 1/baud ms
    return (exact + line.baud - 1) / line.baud;
}

const QByteArray ReadReg6 = hex("0300060001");
const QByteArray Reg6Is10 = hex("0302000A");

} // namespace

class TstSimCommPort : public QObject {
    Q_OBJECT
private slots:
    void replyTiming_data();
    void replyTiming();
    void writeLandsWhenRequestIsIn();
    void silenceAfterReply_data();
    void silenceAfterReply();
    void noReply_data();
    void noReply();
    void portNumbers_data();
    void portNumbers();
    void closedPort();
    void settingsWhileOpenWaitForReopen();
    void faults_data();
    void faults();
    void firstAttemptIsPerRequest();
    void refusedRegister_data();
    void refusedRegister();
    void portGone();
};

void TstSimCommPort::replyTiming_data() {
    QTest::addColumn<int>("framing");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("responseReg");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("responseMs");
    QTest::newRow("rtu 9600 8E1") << int(Framing::Rtu) << "9600,E,8,1" << 10
                                  << hex("010300060001640B") << hex("010302000A3843") << 10;
    QTest::newRow("ascii 9600 7E1")
        << int(Framing::Ascii) << "9600,E,7,1" << 10 << QByteArray(":010300060001F5\r\n")
        << QByteArray(":010302000AF0\r\n") << 10;
    QTest::newRow("rtu whole ms, 1000 8N1")
        << int(Framing::Rtu) << "1000,N,8,1" << 10 << hex("010300060001640B")
        << hex("010302000A3843") << 10;
    QTest::newRow("negative response time counts as 0")
        << int(Framing::Rtu) << "19200,O,8,2" << -5 << sim::rtu::encode(1, ReadReg6)
        << sim::rtu::encode(1, hex("0302FFFB")) << 0;
    QTest::newRow("ascii 4800 7O1, 50 ms")
        << int(Framing::Ascii) << "4800,O,7,1" << 50 << sim::ascii::encode(1, ReadReg6)
        << sim::ascii::encode(1, hex("03020032")) << 50;
}

void TstSimCommPort::replyTiming() {
    QFETCH(int, framing);
    QFETCH(QString, settings);
    QFETCH(int, responseReg);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(int, responseMs);
    Rig rig;
    rig.station.unit().setReg(sim::reg::MinResponseTime, quint16(responseReg));
    rig.open(Framing(framing), settings);
    rig.clock.advance(1234);
    const qint64 start = rig.clock.nowMs();
    const qint64 due = start + landsAt(settings, request.size(), reply.size(), responseMs);

    QVERIFY(!rig.port.output(request));
    rig.clock.advanceTo(due - 1);
    QCOMPARE(rig.port.inBufferCount(), 0);
    rig.clock.advanceTo(due);
    QCOMPARE(rig.port.input().toHex(' '), reply.toHex(' '));
    QCOMPARE(rig.port.inBufferCount(), 0);
}

void TstSimCommPort::silenceAfterReply_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<qint64>("sendAt"); // ms after the first request, whose reply is in at 18 / 3
    QTest::addColumn<bool>("heard");
    // 15 characters of 11 bits end at 17.19 ms; 3.5 characters later is 21.20 ms.
    QTest::newRow("9600 within") << "9600,E,8,1" << qint64(21) << false;
    QTest::newRow("9600 after") << "9600,E,8,1" << qint64(22) << true;
    // They end at 2.86 ms; 3.5 characters are less than 1.75 ms, which ends at 4.61 ms.
    QTest::newRow("57600 within") << "57600,E,8,1" << qint64(4) << false;
    QTest::newRow("57600 after") << "57600,E,8,1" << qint64(5) << true;
}

// A request that starts before the line has been silent after the unit's reply goes unheard and
// is counted.
void TstSimCommPort::silenceAfterReply() {
    QFETCH(QString, settings);
    QFETCH(qint64, sendAt);
    QFETCH(bool, heard);
    Rig rig;
    rig.station.unit().setReg(sim::reg::MinResponseTime, 0);
    rig.open(Framing::Rtu, settings);
    const QByteArray request = sim::rtu::encode(1, ReadReg6);
    const qint64 start = rig.clock.nowMs();
    QVERIFY(!rig.port.output(request));
    rig.clock.advanceTo(start + sendAt);
    QCOMPARE(rig.port.input(), sim::rtu::encode(1, hex("03020000")));
    QVERIFY(!rig.port.output(request));
    rig.clock.advance(100);
    QCOMPARE(rig.port.inBufferCount() > 0, heard);
    QCOMPARE(rig.station.requestsTooEarly(), heard ? 0 : 1);
}

void TstSimCommPort::writeLandsWhenRequestIsIn() {
    Rig rig;
    rig.open(Framing::Rtu, "9600,E,8,1");
    const QByteArray request = sim::rtu::encode(1, hex("1002040001020000"));
    const qint64 in = landsAt("9600,E,8,1", request.size(), 0, 0);
    QVERIFY(!rig.port.output(request));
    rig.clock.advanceTo(in - 1);
    QVERIFY(rig.station.unit().writes().isEmpty());
    rig.clock.advanceTo(in);
    QCOMPARE(rig.station.unit().writes().size(), 1);
    QCOMPARE(rig.station.unit().reg(sim::reg::GivenOccupancy), 0);
}

void TstSimCommPort::noReply_data() {
    QTest::addColumn<QString>("portSettings");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("answered");
    const QByteArray good = sim::rtu::encode(1, ReadReg6);
    QTest::newRow("same settings") << "9600,E,8,1" << good << true;
    QTest::newRow("stop bits differ") << "9600,E,8,2" << good << true;
    QTest::newRow("baud differs") << "19200,E,8,1" << good << false;
    QTest::newRow("parity differs") << "9600,N,8,1" << good << false;
    QTest::newRow("data bits differ") << "9600,E,7,1" << good << false;
    QTest::newRow("other station") << "9600,E,8,1" << sim::rtu::encode(2, ReadReg6) << false;
    QTest::newRow("ascii to rtu unit") << "9600,E,8,1" << sim::ascii::encode(1, ReadReg6) << false;
    QTest::newRow("bad crc") << "9600,E,8,1" << good.chopped(1) + char(good.back() ^ 1) << false;
    QTest::newRow("broadcast write")
        << "9600,E,8,1" << sim::rtu::encode(0, hex("1002040001020000")) << false;
}

void TstSimCommPort::noReply() {
    QFETCH(QString, portSettings);
    QFETCH(QByteArray, request);
    QFETCH(bool, answered);
    Rig rig;
    rig.open(Framing::Rtu, "9600,E,8,1");
    QVERIFY(!rig.port.setPortOpen(false));
    QVERIFY(!rig.port.setSettings(portSettings));
    QVERIFY(!rig.port.setPortOpen(true));
    QCOMPARE(!rig.exchange(request, 2000).isEmpty(), answered);
}

void TstSimCommPort::portNumbers_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("error");
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("8") << 8 << 0;
    QTest::newRow("0") << 0 << link::commerr::InvalidPortNumber;
    QTest::newRow("9") << 9 << link::commerr::InvalidPortNumber;
}

void TstSimCommPort::portNumbers() {
    QFETCH(int, number);
    QFETCH(int, error);
    Rig rig;
    QVERIFY(!rig.port.setCommPort(number));
    const link::CommError result = rig.port.setPortOpen(true);
    QCOMPARE(result.number, error);
    QCOMPARE(rig.port.portOpen(), error == 0);
    if (error == 0)
        QCOMPARE(rig.exchange(sim::rtu::encode(1, ReadReg6)).size(), 1);
    else
        QVERIFY(!result.reason.isEmpty());
}

void TstSimCommPort::closedPort() {
    Rig rig;
    const QByteArray request = sim::rtu::encode(1, ReadReg6);
    QCOMPARE(rig.port.output(request).number, link::commerr::PortNotOpen);
    QCOMPARE(rig.port.setSettings("9600,X,8,1").number, link::commerr::SettingsRejected);
    QCOMPARE(rig.port.settings(), QStringLiteral("9600,E,8,1"));
    // Closing drops a reply under way; reopening does not bring it back.
    rig.open(Framing::Rtu, "9600,E,8,1");
    QVERIFY(!rig.port.output(request));
    rig.clock.advance(20);
    QVERIFY(!rig.port.setPortOpen(false));
    QVERIFY(!rig.port.setPortOpen(true));
    rig.clock.advance(1000);
    QCOMPARE(rig.port.inBufferCount(), 0);
}

void TstSimCommPort::settingsWhileOpenWaitForReopen() {
    Rig rig;
    rig.open(Framing::Rtu, "9600,E,8,1");
    QVERIFY(!rig.port.setSettings("19200,E,8,1"));
    QCOMPARE(rig.port.settings(), QStringLiteral("19200,E,8,1"));
    QCOMPARE(rig.port.activeSettings().baud, 9600);
    QCOMPARE(rig.exchange(sim::rtu::encode(1, ReadReg6)).size(), 1);
    QVERIFY(!rig.port.setPortOpen(false));
    QVERIFY(!rig.port.setPortOpen(true));
    QCOMPARE(rig.port.activeSettings().baud, 19200);
    QVERIFY(rig.exchange(sim::rtu::encode(1, ReadReg6)).isEmpty());
}

void TstSimCommPort::faults_data() {
    QTest::addColumn<int>("framing");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QList<Pieces>>("attempts"); // three identical requests in a row

    const QString s = "9600,E,8,1";
    const QByteArray reply = sim::rtu::encode(1, Reg6Is10);
    const qint64 due = landsAt(s, 8, reply.size(), 10);
    const Pieces normal{{due, reply}};
    QByteArray badCrc = reply;
    badCrc[badCrc.size() - 1] = char(badCrc.back() ^ 0xFF);

    QTest::newRow("no reply twice")
        << int(Framing::Rtu) << Setup([](auto& st, auto&) { st.faults().setNoReply(2); })
        << QList<Pieces>{{}, {}, normal};
    QTest::newRow("first attempt, always") << int(Framing::Rtu) << Setup([](auto& st, auto&) {
        st.faults().setNoReplyToFirstAttempt(sim::FaultPlan::Always);
    }) << QList<Pieces>{{}, normal, {}};
    QTest::newRow("bad crc once") << int(Framing::Rtu)
                                  << Setup([](auto& st, auto&) { st.faults().setBadChecksum(); })
                                  << QList<Pieces>{{{due, badCrc}}, normal, normal};
    QTest::newRow("no reply then bad crc") << int(Framing::Rtu) << Setup([](auto& st, auto&) {
        st.faults().setNoReply(1);
        st.faults().setBadChecksum(1);
    }) << QList<Pieces>{{}, {{due, badCrc}}, normal};
    const QByteArray exception = sim::rtu::encode(1, hex("8304"));
    QTest::newRow("exception 04 always") << int(Framing::Rtu) << Setup([](auto& st, auto&) {
        st.faults().setExceptionReply(4, sim::FaultPlan::Always);
    }) << QList<Pieces>(3, {{landsAt(s, 8, exception.size(), 10), exception}});
    QTest::newRow("split at 2 and 5") << int(Framing::Rtu) << Setup([](auto& st, auto&) {
        st.faults().setSplitReply({2, 5});
    })
                                      << QList<Pieces>{{{landsAt(s, 8, 2, 10), reply.left(2)},
                                                        {landsAt(s, 8, 5, 10), reply.mid(2, 3)},
                                                        {due, reply.mid(5)}},
                                                       normal,
                                                       normal};
    QTest::newRow("port hands over 3 bytes at a time")
        << int(Framing::Rtu) << Setup([](auto&, auto& port) { port.line().setChunkSize(3); })
        << QList<Pieces>(3, {{landsAt(s, 8, 3, 10), reply.left(3)},
                             {landsAt(s, 8, 6, 10), reply.mid(3, 3)},
                             {due, reply.mid(6)}});
    QTest::newRow("garbage before")
        << int(Framing::Rtu)
        << Setup([](auto& st, auto&) { st.faults().setGarbageBefore(hex("FF00")); })
        << QList<Pieces>{
               {{landsAt(s, 8, 2 + reply.size(), 10), hex("FF00") + reply}}, normal, normal};
    QTest::newRow("from station 7")
        << int(Framing::Rtu) << Setup([](auto& st, auto&) { st.faults().setReplyFromStation(7); })
        << QList<Pieces>{{{due, sim::rtu::encode(7, Reg6Is10)}}, normal, normal};
    QTest::newRow("25 ms late twice")
        << int(Framing::Rtu) << Setup([](auto& st, auto&) { st.faults().setLateReply(25, 2); })
        << QList<Pieces>{{{due + 25, reply}}, {{due + 25, reply}}, normal};

    const QByteArray asciiReply(":010302000AF0\r\n");
    const qint64 asciiDue = landsAt("9600,E,7,1", 17, asciiReply.size(), 10);
    QTest::newRow("ascii bad lrc")
        << int(Framing::Ascii) << Setup([](auto& st, auto&) { st.faults().setBadChecksum(); })
        << QList<Pieces>{{{asciiDue, QByteArray(":010302000AF1\r\n")}},
                         {{asciiDue, asciiReply}},
                         {{asciiDue, asciiReply}}};
    QTest::newRow("ascii from station 2")
        << int(Framing::Ascii) << Setup([](auto& st, auto&) { st.faults().setReplyFromStation(2); })
        << QList<Pieces>{{{asciiDue, sim::ascii::encode(2, Reg6Is10)}},
                         {{asciiDue, asciiReply}},
                         {{asciiDue, asciiReply}}};
}

void TstSimCommPort::faults() {
    QFETCH(int, framing);
    QFETCH(Setup, setup);
    QFETCH(QList<Pieces>, attempts);
    Rig rig;
    const bool ascii = Framing(framing) == Framing::Ascii;
    rig.open(Framing(framing), ascii ? "9600,E,7,1" : "9600,E,8,1");
    setup(rig.station, rig.port);
    for (int i = 0; i < attempts.size(); ++i) {
        QCOMPARE(rig.exchange(frameOf(Framing(framing), 1, ReadReg6)), attempts[i]);
        QVERIFY(!rig.port.line().busy());
    }
}

void TstSimCommPort::refusedRegister_data() {
    QTest::addColumn<QByteArray>("request"); // PDU to station 1
    QTest::addColumn<QByteArray>("reply");   // PDU back
    QTest::addColumn<quint16>("held");       // register 11 afterwards (factory: 210)
    // Register 11 refused: a write that includes it changes nothing; a write beside it and a read
    // of it are served.
    QTest::newRow("write of 11 alone") << hex("10000B00010200DC") << hex("9003") << quint16(210);
    QTest::newRow("block 2..11") << hex("100002000A14") + QByteArray(20, '\x01') << hex("9003")
                                 << quint16(210);
    QTest::newRow("bypass time beside it")
        << hex("100023000102005A") << hex("1000230001") << quint16(210);
    QTest::newRow("read of 11") << hex("03000B0001") << hex("030200D2") << quint16(210);
    QTest::newRow("coils") << hex("0F0000000E020000") << hex("0F0000000E") << quint16(210);
}

void TstSimCommPort::refusedRegister() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(quint16, held);
    forms::ManualClock clock;
    sim::Station station(clock);
    QCOMPARE(station.unit().reg(11), quint16(210));
    station.faults().setRefusedRegister(11);
    for (int i = 0; i < 2; ++i) { // it stays
        const std::optional<sim::Station::Reply> r = station.answer(sim::rtu::encode(1, request));
        QVERIFY(r);
        quint8 from = 0;
        QByteArray pdu;
        QVERIFY(sim::rtu::decode(r->bytes, &from, &pdu));
        QCOMPARE(pdu, reply);
        QCOMPARE(station.unit().reg(11), held);
    }
}

void TstSimCommPort::firstAttemptIsPerRequest() {
    Rig rig;
    rig.open(Framing::Rtu, "9600,E,8,1");
    rig.station.faults().setNoReplyToFirstAttempt(sim::FaultPlan::Always);
    const QByteArray a = sim::rtu::encode(1, ReadReg6);
    const QByteArray b = sim::rtu::encode(1, hex("0300070001"));
    QVERIFY(rig.exchange(a).isEmpty());
    QVERIFY(rig.exchange(b).isEmpty());
    QCOMPARE(rig.exchange(b).size(), 1);
    QVERIFY(rig.exchange(b).isEmpty());
}

void TstSimCommPort::portGone() {
    Rig rig;
    rig.open(Framing::Rtu, "9600,E,8,1");
    const QByteArray request = sim::rtu::encode(1, ReadReg6);
    QVERIFY(!rig.port.output(request));
    rig.clock.advance(5);
    rig.port.setPortGone(true, {link::commerr::HardwareUnavailable, "unplugged"});
    rig.clock.advance(1000);
    QCOMPARE(rig.port.inBufferCount(), 0);
    QVERIFY(rig.port.portOpen());
    QCOMPARE(rig.port.output(request).number, link::commerr::WriteFailed);

    QVERIFY(!rig.port.setPortOpen(false));
    const link::CommError opened = rig.port.setPortOpen(true);
    QCOMPARE(opened.number, link::commerr::HardwareUnavailable);
    QCOMPARE(opened.reason, QStringLiteral("unplugged"));
    QVERIFY(!rig.port.portOpen());

    rig.port.setPortGone(false);
    QVERIFY(!rig.port.setPortOpen(true));
    QCOMPARE(rig.exchange(request).size(), 1);
}

QTEST_GUILESS_MAIN(TstSimCommPort)
#include "tst_simcommport.moc"
