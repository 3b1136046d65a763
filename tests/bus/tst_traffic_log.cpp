// The traffic log and the link counters, fed the link's reports directly: what each frame is said
// to mean, that the ring stays bounded, and that the counters follow the verdicts.

#include "bus/frame_meaning.h"
#include "bus/link_stats.h"
#include "bus/status_line.h"
#include "bus/traffic_log.h"
#include "forms/clock.h"
#include "link/framing.h"
#include "link/transaction.h"

#include <QTest>

using namespace qtx52;
using bus::Direction;
using link::Verdict;

namespace {

QByteArray rtu(const char* hex) {
    return link::frameRtu(QString::fromLatin1(hex));
}

QByteArray ascii(const char* hex) {
    return link::frameAscii(QString::fromLatin1(hex));
}

} // namespace

class TestTrafficLog : public QObject {
    Q_OBJECT
private slots:
    void meaning_data();
    void meaning();
    void exceptionWordsAgree_data();
    void exceptionWordsAgree();
    void ringStaysBounded();
    void timesAndGaps();
    void countersFollowVerdicts();
    void csvQuotesItsSeparator();
};

void TestTrafficLog::meaning_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("direction");
    QTest::addColumn<bool>("checksumOk");
    QTest::addColumn<int>("station");
    QTest::addColumn<int>("exception");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("asciiLine"); // the line's framing is ASCII
    const int out = int(Direction::Out), in = int(Direction::In);
    QTest::newRow("read request") << rtu("01030000000A") << out << true << 1 << 0
                                  << "read holding registers 0..9" << false;
    QTest::newRow("read request ASCII")
        << ascii("250300060001") << out << true << 37 << 0 << "read holding registers 6" << true;
    QTest::newRow("read reply") << rtu("010304000A0014") << in << true << 1 << 0
                                << "read holding registers, 4 bytes: 10, 20" << false;
    QTest::newRow("coil reply") << rtu("01010105") << in << true << 1 << 0
                                << "read coils, 1 bytes: 00000101" << false;
    QTest::newRow("register write") << rtu("0110000200020400010002") << out << true << 1 << 0
                                    << "write registers 2..3: 1, 2" << false;
    QTest::newRow("write echo") << rtu("011000020002") << in << true << 1 << 0
                                << "write registers 2..3 done" << false;
    QTest::newRow("exception 03") << rtu("019003") << in << true << 1 << 3
                                  << "write registers: exception 03 (value refused)" << false;
    QByteArray bad = rtu("010304000A0014");
    bad[bad.size() - 1] = char(bad[bad.size() - 1] ^ 0x55);
    QTest::newRow("wrong CRC") << bad << in << false << 1 << 0
                               << "read holding registers, 4 bytes: 10, 20" << false;
    QByteArray badLrc = ascii("010304000A0014");
    badLrc[badLrc.size() - 3] = badLrc[badLrc.size() - 3] == '0' ? '1' : '0';
    QTest::newRow("wrong LRC") << badLrc << in << false << 1 << 0
                               << "read holding registers, 4 bytes: 10, 20" << true;
    QTest::newRow("one byte") << QByteArray("\x01", 1) << in << false << -1 << 0 << "no frame"
                              << false;
    QTest::newRow("empty") << QByteArray() << in << false << -1 << 0 << "no frame" << false;
    QTest::newRow("colon alone") << QByteArray(":") << in << false << -1 << 0 << "no frame" << true;
    QTest::newRow("odd ASCII") << QByteArray(":0103\r\n") << in << false << -1 << 0 << "no frame"
                               << true;
    QTest::newRow("read reply cut short")
        << rtu("0103040A") << in << true << 1 << 0 << "read holding registers, 4 bytes: " << false;
    // Station 58 is ':' in its first byte: the line's framing decides, not the byte.
    QTest::newRow("station 58 RTU")
        << rtu("3A0300060001") << out << true << 58 << 0 << "read holding registers 6" << false;
    QTest::newRow("RTU bytes on an ASCII line")
        << rtu("010300060001") << out << false << -1 << 0 << "no frame" << true;
}

void TestTrafficLog::meaning() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, direction);
    QFETCH(bool, asciiLine);
    const bus::FrameMeaning m = bus::describeFrame(
        bytes, Direction(direction), asciiLine ? link::Framing::Ascii : link::Framing::Rtu);
    QTEST(m.checksumOk, "checksumOk");
    QTEST(m.station, "station");
    QTEST(m.exceptionCode, "exception");
    QTEST(m.text, "text");
}

// An exception code reads the same in the traffic log and the bus monitor as in the window's
// notice and message box: every code the link knows and one it does not, in both languages.
void TestTrafficLog::exceptionWordsAgree_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("english");
    for (const int code : {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x0A, 0x0B, 0x0C})
        for (const bool english : {false, true})
            QTest::addRow("%02X %s", code, english ? "en" : "de") << code << english;
}

void TestTrafficLog::exceptionWordsAgree() {
    QFETCH(int, code);
    QFETCH(bool, english);
    const QByteArray hex = "0183" + QByteArray::number(code, 16).rightJustified(2, '0').toUpper();
    const bus::FrameMeaning m =
        bus::describeFrame(rtu(hex.constData()), Direction::In, link::Framing::Rtu, !english);
    const qsizetype open = m.text.indexOf(QLatin1Char('('));
    QVERIFY2(open > 0 && m.text.endsWith(QLatin1Char(')')), qPrintable(m.text));
    const QString words = m.text.mid(open + 1).chopped(1);
    const QString notice = link::refusedNotice(quint8(code), english ? QStringLiteral("1033")
                                                                     : QStringLiteral("1031"));
    QVERIFY2(notice.endsWith(QStringLiteral(", ") + words + QLatin1Char('.')),
             qPrintable(words + QStringLiteral(" | ") + notice));
}

void TestTrafficLog::ringStaysBounded() {
    forms::ManualClock clock;
    bus::TrafficLog log(clock, 100);
    int seen = 0;
    log.onEntry = [&](const bus::TrafficEntry&) { ++seen; };
    for (int i = 0; i < 1000; ++i)
        log.frameReceived({QByteArray(300, char(i)), Verdict::Noise, 0, 0});
    QCOMPARE(int(log.entries().size()), 100);
    QCOMPARE(log.droppedCount(), 900);
    QCOMPARE(seen, 1000);
    QCOMPARE(log.entries().back().bytes.at(0), char(999 % 256));
    log.clear();
    QCOMPARE(int(log.entries().size()), 0);
    QCOMPARE(log.droppedCount(), 0);
}

void TestTrafficLog::timesAndGaps() {
    forms::ManualClock clock;
    clock.advance(500);
    bus::TrafficLog log(clock);
    log.portOpened();
    clock.advance(20);
    log.frameSent({rtu("010300060001"), 1});
    clock.advance(35);
    // Reported at the poll, 7 ms after its first byte came.
    log.frameReceived({rtu("0103020014"), Verdict::Taken, 0, 1, 548});
    clock.advance(1000);
    log.frameSent({rtu("010300060001"), 2});
    const auto& e = log.entries();
    QCOMPARE(e[0].ms, 20);
    QCOMPARE(e[0].gapMs, 0);
    QCOMPARE(e[1].ms, 48);
    QCOMPARE(e[1].gapMs, 28);
    QCOMPARE(e[2].gapMs, 1007);
    QVERIFY2(bus::TrafficLog::line(e[1]).contains("taken, answered try first"),
             qPrintable(bus::TrafficLog::line(e[1])));
    QVERIFY(bus::TrafficLog::line(e[2]).contains("try repeat 1"));
    QVERIFY(bus::TrafficLog::line(e[0]).contains("01 03 00 06 00 01"));
}

void TestTrafficLog::countersFollowVerdicts() {
    forms::ManualClock clock;
    bus::LinkStats s(clock);
    const QByteArray any = rtu("0103020014");
    s.frameSent({any, 1});
    clock.advance(40);
    s.frameReceived({any, Verdict::BadChecksum, 0, 1});
    s.frameSent({any, 2});
    clock.advance(60);
    s.frameReceived({any, Verdict::OtherStation, 0, 0});
    s.frameReceived({any, Verdict::Taken, 0, 2});
    s.frameSent({any, 1});
    clock.advance(20);
    s.frameReceived({any, Verdict::Stale, 0, 0});
    s.frameReceived({any, Verdict::Exception, 3, 1});
    s.frameReceived({any, Verdict::Exception, 6, 1});
    s.frameReceived({any, Verdict::Exception, 6, 1});
    s.frameReceived({any, Verdict::Incomplete, 0, 0});
    s.transactionFailed(link::Failure::Busy);
    s.frameSent({any, 1});
    clock.advance(10);
    s.frameReceived({any, Verdict::Taken, 0, 1});
    QCOMPARE(s.requests, 3);
    QCOMPARE(s.repeats, 1);
    QCOMPARE(s.taken, 2);
    QCOMPARE(s.badChecksum, 1);
    QCOMPARE(s.otherStation, 1);
    QCOMPARE(s.unexpected, 1);
    QCOMPARE(s.incomplete, 1);
    QCOMPARE(s.exceptions[3], 1);
    QCOMPARE(s.exceptions[6], 2);
    QCOMPARE(s.exceptionTotal(), 3);
    QCOMPARE(s.failures, 1);
    // The reply after the repeat may answer either try, so only the last request is timed.
    QCOMPARE(*s.responseMin, 10);
    QCOMPARE(*s.responseMax, 10);
    const QString line = bus::countersText(s, true, true);
    QVERIFY2(line.contains("exceptions 3 (03: 1, 06: 2)"), qPrintable(line));
    QVERIFY2(line.contains("response time min/mean/max 10/10/10 ms"), qPrintable(line));
    s.portOpened();
    QCOMPARE(s.requests, 0);
    QCOMPARE(s.exceptionTotal(), 0);
    QVERIFY(!s.responseMin);
    QVERIFY(bus::countersText(s, true, true).contains("response time min/mean/max - |"));
}

void TestTrafficLog::csvQuotesItsSeparator() {
    forms::ManualClock clock;
    bus::TrafficLog log(clock);
    log.frameSent({rtu("0110000200020400010002"), 1});
    const QString csv = bus::TrafficLog::csvLine(log.entries().front());
    QCOMPARE(csv.count(QLatin1Char(';')), bus::TrafficLog::csvHeader().count(QLatin1Char(';')));
    QVERIFY(csv.contains(";out;01 10 00 02"));
}

QTEST_GUILESS_MAIN(TestTrafficLog)
#include "tst_traffic_log.moc"
