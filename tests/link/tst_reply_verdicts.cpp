// What the traffic log and the link counters learn of every received byte: a read-out of the
// simulated unit with one line or unit fault at its first request, in both framings, must show
// that fault as the verdict it is and count it; frames handed over by hand show each verdict and
// where the sorting waits for more bytes; the response time is measured from the request's last
// byte to the reply's first; and the log stays bounded under a flood.

#include "app/global.h"
#include "app/program.h"
#include "bus/bus_watch.h"
#include "editor/frm_config.h"
#include "params/register_map.h"
#include "link/framing.h"
#include "link/link_events.h"
#include "sim/faults.h"
#include "sim/simcommport.h"
#include "sim/station.h"
#include "support/test_program.h"

#include <QRandomGenerator>
#include <QTest>

#include <functional>

using namespace qtx52;
using editor::frm_config;
using link::Framing;
using link::Verdict;

namespace {

constexpr int kReadOutRequests = 10; // read device and the nine steps

// The verdict as the log words it, shortened: "checksum", "another station", "taken" ...
QString verdictName(Verdict v) {
    return bus::verdictWords(v).remove(QStringLiteral("dropped: "));
}

// The unit at 9600 baud even parity on the simulated line, the program set to match, and the
// bus watch on it.
struct Rig {
    testing::TestProgram tp;
    sim::Station station{tp.clock};
    sim::SimCommPort port{tp.clock, station};
    app::Program p{
        tp.clock, port, tp.ui,
        settings::StorePaths{tp.dir.filePath("machine.ini"), tp.dir.filePath("user.ini")}};
    app::Global& g = p.g;
    frm_config* f = nullptr;
    bus::BusWatch watch{p};

    Rig(Framing m, int baudIndex = 0, quint16 responseMs = 10) {
        static const int bauds[] = {9600, 19200, 38400, 57600};
        station.unit().setLiveMotion(false);
        station.unit().setReg(params::kResponseTimeRegister, responseMs);
        station.setFraming(m == Framing::Rtu ? sim::Framing::Rtu : sim::Framing::Ascii);
        station.setLineSettings({bauds[baudIndex], 'E', m == Framing::Rtu ? 8 : 7, 1});
        app::Main(p);
        f = &p.frm_config();
        f->Combo_Port(1).setListIndex(baudIndex);
        f->Combo_Port(5).setListIndex(m == Framing::Rtu ? 1 : 0);
        f->Combo_Port(6).setListIndex(1);
    }
    bool settle() {
        return tp.clock.advanceUntil(
            [&] {
                return (g.commState == 0 || g.commState == 1) && !p.frmStateLoaded() &&
                       g.linkReady && !f->Timer6.enabled() && !f->Timer1.enabled();
            },
            600000);
    }
    // The received frames of the log that were not taken, as "verdict@try".
    QStringList drops() const {
        QStringList out;
        for (const bus::TrafficEntry& e : watch.log.entries())
            if (e.direction == bus::Direction::In && e.verdict != Verdict::Taken)
                out << QStringLiteral("%1@%2").arg(verdictName(e.verdict)).arg(e.attempt);
        return out;
    }
};

struct Counts {
    qint64 requests = kReadOutRequests;
    qint64 repeats = 0;
    qint64 taken = kReadOutRequests;
    qint64 badChecksum = 0;
    qint64 otherStation = 0;
    qint64 unexpected = 0;
    qint64 incomplete = 0;
    int exceptionCode = 0; // the one code counted once; 0 for none
    qint64 failures = 0;
};

using Arm = std::function<void(sim::FaultPlan&, Framing)>;

// The window loaded and the port opened in the framing, with the receive polling stopped: the
// test hands the reply path its bytes itself.
frm_config& openedByHand(app::Program& p, Framing framing) {
    app::Main(p);
    frm_config& f = p.frm_config();
    f.Combo_Port(5).setListIndex(framing == Framing::Rtu ? 1 : 0);
    f.Combo_Port(6).setListIndex(1);
    f.Timer4.setEnabled(false);
    return f;
}

} // namespace

Q_DECLARE_METATYPE(Framing)
Q_DECLARE_METATYPE(Arm)
Q_DECLARE_METATYPE(Counts)

class TestReplyVerdicts : public QObject {
    Q_OBJECT
private slots:
    void faultAtFirstRequest_data();
    void faultAtFirstRequest();
    void framesHandedOver_data();
    void framesHandedOver();
    void everyByteToldOnce_data();
    void everyByteToldOnce();
    void responseTime_data();
    void responseTime();
    void logStaysBoundedUnderFlood();
};

void TestReplyVerdicts::faultAtFirstRequest_data() {
    QTest::addColumn<Framing>("framing");
    QTest::addColumn<Arm>("arm");
    QTest::addColumn<QStringList>("drops"); // in order, with the try each came for
    QTest::addColumn<Counts>("counts");

    for (const auto& [m, name] :
         {std::pair{Framing::Rtu, "RTU"}, std::pair{Framing::Ascii, "ASCII"}}) {
        const auto row = [&, name = name](const char* fault) {
            return &QTest::addRow("%s %s", name, fault);
        };
        *row("clean") << m << Arm([](sim::FaultPlan&, Framing) {}) << QStringList() << Counts{};

        Counts repeated;
        repeated.repeats = 1;

        Counts bad = repeated;
        bad.badChecksum = 1;
        *row("bad checksum") << m << Arm([](sim::FaultPlan& p, Framing) { p.setBadChecksum(); })
                             << QStringList{"checksum@1"} << bad;

        Counts other = repeated;
        other.otherStation = 1;
        *row("another station's reply")
            << m << Arm([](sim::FaultPlan& p, Framing) { p.setReplyFromStation(7); })
            << QStringList{"another station@0"} << other;

        // The answer to the first try comes after the repeat's answer has been taken and the
        // read-out has moved on: a reply to an earlier request.
        Counts late = repeated;
        late.unexpected = 1;
        *row("late reply to an earlier request")
            << m << Arm([](sim::FaultPlan& p, Framing) { p.setLateReply(1500); })
            << QStringList{"stale@0"} << late;

        // The unit stops in the middle of its answer; the repeat gets the whole one, and the
        // broken-off start is told when that begins.
        Counts cut = repeated;
        cut.incomplete = 1;
        *row("truncated reply") << m << Arm([](sim::FaultPlan& p, Framing f) {
            p.setTruncatedReply(f == Framing::Rtu ? 4 : 7);
        }) << QStringList{"incomplete@1"}
                                << cut;

        Counts noise;
        noise.incomplete = 1;
        *row("garbage before the reply") << m << Arm([](sim::FaultPlan& p, Framing) {
            p.setGarbageBefore(QByteArray::fromHex("00FF3A0A"));
        }) << QStringList{"noise@0"} << noise;

        Counts busy = repeated;
        busy.exceptionCode = 0x06;
        *row("busy once") << m << Arm([](sim::FaultPlan& p, Framing) { p.setExceptionReply(0x06); })
                          << QStringList{"exception@1"} << busy;

        Counts refused;
        refused.requests = 1;
        refused.taken = 0;
        refused.exceptionCode = 0x02;
        refused.failures = 1;
        *row("refused") << m << Arm([](sim::FaultPlan& p, Framing) { p.setExceptionReply(0x02); })
                        << QStringList{"exception@1"} << refused;
    }
}

// One fault at the read device's first try: the log shows it with its verdict and try, every
// counter matches it, and the read-out itself runs as it always does.
void TestReplyVerdicts::faultAtFirstRequest() {
    QFETCH(Framing, framing);
    QFETCH(Arm, arm);
    QFETCH(QStringList, drops);
    QFETCH(Counts, counts);
    Rig r(framing);
    arm(r.station.faults(), framing);
    r.f->cmd_read_device->userClick();
    QVERIFY(r.settle());
    // Whatever was still waiting to be told is told when the port closes.
    r.f->Combo_Port(6).setListIndex(0);

    QCOMPARE(r.drops(), drops);
    const bus::LinkStats& s = r.watch.stats;
    QCOMPARE(s.requests, counts.requests);
    QCOMPARE(s.repeats, counts.repeats);
    QCOMPARE(s.taken, counts.taken);
    QCOMPARE(s.badChecksum, counts.badChecksum);
    QCOMPARE(s.otherStation, counts.otherStation);
    QCOMPARE(s.unexpected, counts.unexpected);
    QCOMPARE(s.incomplete, counts.incomplete);
    QCOMPARE(s.exceptionTotal(), counts.exceptionCode ? 1 : 0);
    if (counts.exceptionCode)
        QCOMPARE(s.exceptions[std::size_t(counts.exceptionCode)], 1);
    QCOMPARE(s.failures, counts.failures);
}

void TestReplyVerdicts::framesHandedOver_data() {
    QTest::addColumn<Framing>("framing");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QList<QByteArray>>("pieces"); // handed over one poll each
    QTest::addColumn<QStringList>("told");         // "verdict hex" after the last piece
    QTest::addColumn<QStringList>("atClose");      // what only the end of the exchange tells

    const Framing R = Framing::Rtu;
    const Framing A = Framing::Ascii;
    const auto rtu = [](const char* hex) { return link::frameRtu(QString::fromLatin1(hex)); };
    const auto asc = [](const char* hex) { return link::frameAscii(QString::fromLatin1(hex)); };
    const auto hex = [](const QByteArray& b) { return QString::fromLatin1(b.toHex()); };
    const QString read = "010300070002";
    const QByteArray reply = rtu("01030400D7FFCE");
    QByteArray badCrc = reply;
    badCrc[badCrc.size() - 1] = char(badCrc[badCrc.size() - 1] ^ 0x01);

    QTest::newRow("RTU bad CRC, then the reply")
        << R << read << QList<QByteArray>{badCrc + reply}
        << QStringList{"checksum " + hex(badCrc), "taken " + hex(reply)} << QStringList();
    QTest::newRow("RTU wrong byte count of our station")
        << R << read << QList<QByteArray>{rtu("01030200D7")}
        << QStringList{"not the answer to the request " + hex(rtu("01030200D7"))} << QStringList();
    QTest::newRow("RTU exception to another function")
        << R << read << QList<QByteArray>{rtu("018101")}
        << QStringList{"not the answer to the request " + hex(rtu("018101"))} << QStringList();
    // Another station's frame in three polls: told once it is whole, not byte by byte.
    const QByteArray other = rtu("07030400D7FFCE");
    QTest::newRow("RTU another station in pieces")
        << R << read << QList<QByteArray>{other.left(1), other.mid(1, 3), other.mid(4)}
        << QStringList{"another station " + hex(other)} << QStringList();
    // Our station's start with nothing after it waits for the end of the exchange.
    QTest::newRow("RTU start of our reply, never completed")
        << R << read << QList<QByteArray>{reply.left(5)} << QStringList()
        << QStringList{"incomplete " + hex(reply.left(5))};
    QTest::newRow("RTU noise, a cut start, then the reply")
        << R << read << QList<QByteArray>{QByteArray::fromHex("FF00") + reply.left(3) + reply}
        << QStringList{"noise ff00", "incomplete " + hex(reply.left(3)), "taken " + hex(reply)}
        << QStringList();
    QTest::newRow("RTU the same answer twice in one poll")
        << R << read << QList<QByteArray>{reply + reply}
        << QStringList{"taken " + hex(reply), "stale " + hex(reply)} << QStringList();
    QTest::newRow("RTU nothing asked") << R << QString() << QList<QByteArray>{reply}
                                       << QStringList{"stale " + hex(reply)} << QStringList();

    const QByteArray line = asc("01030400D7FFCE");
    QTest::newRow("ASCII broken-off line, then the reply")
        << A << read << QList<QByteArray>{":0103", line}
        << QStringList{"incomplete " + hex(":0103"), "taken " + hex(line)} << QStringList();
    QTest::newRow("ASCII line under way at the end")
        << A << read << QList<QByteArray>{"xy:010304"} << QStringList{"noise " + hex("xy")}
        << QStringList{"incomplete " + hex(":010304")};
    QTest::newRow("ASCII malformed line is noise")
        << A << read << QList<QByteArray>{":0103G4\r\n", line}
        << QStringList{"noise " + hex(":0103G4\r\n"), "taken " + hex(line)} << QStringList();
}

// Frames handed over by hand, poll by poll: each is told once, with its verdict, in the order
// it came; what may still become a frame waits, and the end of the exchange tells it.
void TestReplyVerdicts::framesHandedOver() {
    QFETCH(Framing, framing);
    QFETCH(QString, request);
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QStringList, told);
    QFETCH(QStringList, atClose);

    testing::TestProgram tp;
    app::Program& p = tp.program();
    frm_config& f = openedByHand(p, framing);
    bus::BusWatch watch(p);
    const auto heard = [&] {
        QStringList out;
        for (const bus::TrafficEntry& e : watch.log.entries())
            if (e.direction == bus::Direction::In)
                out << verdictName(e.verdict) + ' ' + QString::fromLatin1(e.bytes.toHex());
        return out;
    };
    p.g.commState = 0;
    p.g.requestHex = request;
    f.send();
    p.g.linkReady = false;
    for (const QByteArray& piece : pieces) {
        tp.port.receive(piece);
        f.receive_reply();
    }
    QCOMPARE(heard(), told);
    f.Combo_Port(6).setListIndex(0); // the port closes
    QCOMPARE(heard(), told + atClose);
}

void TestReplyVerdicts::everyByteToldOnce_data() {
    QTest::addColumn<Framing>("framing");
    QTest::newRow("RTU") << Framing::Rtu;
    QTest::newRow("ASCII") << Framing::Ascii;
}

// Noise, damaged and whole replies, other stations' frames and new requests in random order and
// random pieces: every byte received is in the log once, in the order it came, whatever became
// of it.
void TestReplyVerdicts::everyByteToldOnce() {
    QFETCH(Framing, framing);
    testing::TestProgram tp;
    app::Program& p = tp.program();
    frm_config& f = openedByHand(p, framing);
    bus::BusWatch watch(p);
    const auto frameOf = [&](const QString& hex) {
        return framing == Framing::Rtu ? link::frameRtu(hex) : link::frameAscii(hex);
    };
    const QStringList requests = {"010300060001", "01030000000A", "01010000000E",
                                  "0110000200020400010002"};
    const QStringList replies = {"010302000A", "010314" + QString(40, QLatin1Char('0')),
                                 "0101020520", "011000020002",
                                 "070302000A", "018302",
                                 "01030200"};
    QRandomGenerator rng(framing == Framing::Rtu ? 11u : 12u);
    QByteArray fed;
    for (int round = 0; round < 600; ++round) {
        if (round % 7 == 0) {
            p.g.commState = 0;
            p.g.requestHex = requests[rng.bounded(int(requests.size()))];
            f.send();
            p.g.linkReady = false;
        }
        QByteArray bytes;
        switch (rng.bounded(4)) {
        case 0:
            bytes.resize(rng.bounded(1, 40));
            for (auto& b : bytes)
                b = char(rng.bounded(256));
            break;
        case 1:
            bytes = frameOf(replies[rng.bounded(int(replies.size()))]);
            bytes[rng.bounded(int(bytes.size()))] ^= char(1 << rng.bounded(8));
            break;
        default:
            bytes = frameOf(replies[rng.bounded(int(replies.size()))]);
            bytes.truncate(rng.bounded(1, int(bytes.size()) + 1));
            break;
        }
        while (!bytes.isEmpty()) {
            const int n = rng.bounded(1, int(bytes.size()) + 1);
            tp.port.receive(bytes.left(n));
            fed += bytes.left(n);
            f.receive_reply();
            bytes.remove(0, n);
        }
    }
    f.Combo_Port(6).setListIndex(0);
    QByteArray told;
    for (const bus::TrafficEntry& e : watch.log.entries())
        if (e.direction == bus::Direction::In)
            told += e.bytes;
    QCOMPARE(watch.log.droppedCount(), 0);
    QCOMPARE(told.size(), fed.size());
    QCOMPARE(told, fed);
}

void TestReplyVerdicts::responseTime_data() {
    QTest::addColumn<Framing>("framing");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<int>("responseMs");
    for (const auto& [m, name] :
         {std::pair{Framing::Rtu, "RTU"}, std::pair{Framing::Ascii, "ASCII"}})
        for (int b = 0; b < 4; ++b)
            for (int rt : {0, 10, 500, 3000})
                QTest::addRow("%s baud %d %d ms", name, 9600 << b, rt) << m << b << rt;
}

// From the request's last byte to the reply's first: the unit's own response time, within one
// poll interval, at every baud rate and both framings, whatever the length of the frames, and
// for a unit slower than the repeat too.
void TestReplyVerdicts::responseTime() {
    QFETCH(Framing, framing);
    QFETCH(int, baudIndex);
    QFETCH(int, responseMs);
    Rig r(framing, baudIndex, quint16(responseMs));
    r.f->cmd_read_device->userClick();
    QVERIFY(r.settle());
    const bus::LinkStats& s = r.watch.stats;
    // Requests that went out more than once are not timed: the read device of a unit slower
    // than the first repeat, while its response time is not known yet.
    QCOMPARE(s.responseCount, s.requests - (s.repeats > 0 ? 1 : 0));
    QCOMPARE(s.requests, qint64(kReadOutRequests));
    const qint64 poll = framing == Framing::Rtu ? link::kRtuPollMs : link::kAsciiPollMs;
    // A millisecond either way for the clock's whole milliseconds.
    QVERIFY2(*s.responseMin >= responseMs - 1, qPrintable(s.summary()));
    QVERIFY2(*s.responseMax <= responseMs + poll, qPrintable(s.summary()));
    const qint64 mean = s.responseSum / s.responseCount;
    QVERIFY2(mean >= responseMs - 1 && mean <= responseMs + poll, qPrintable(s.summary()));
}

// 50,000 frames through the program's link events: the log keeps the last 10,000 and counts
// the rest, and the counters see every one.
void TestReplyVerdicts::logStaysBoundedUnderFlood() {
    testing::TestProgram tp;
    bus::BusWatch watch(tp.program());
    for (int i = 0; i < 50000; ++i) {
        link::ReceivedFrame fr;
        fr.bytes = QByteArray::number(i);
        fr.verdict = i % 2 ? Verdict::Noise : Verdict::OtherStation;
        tp.program().linkEvents.frameReceived(fr);
        tp.clock.advance(1);
    }
    QCOMPARE(int(watch.log.entries().size()), 10000);
    QCOMPARE(watch.log.droppedCount(), 40000);
    QCOMPARE(watch.log.entries().front().bytes, QByteArray("40000"));
    QCOMPARE(watch.log.entries().back().bytes, QByteArray("49999"));
    QCOMPARE(watch.stats.incomplete, 25000);
    QCOMPARE(watch.stats.otherStation, 25000);
}

QTEST_GUILESS_MAIN(TestReplyVerdicts)
#include "tst_reply_verdicts.moc"
