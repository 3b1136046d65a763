// The gateway port: what a request becomes on the TCP stream, and for every kind of reply a
// gateway sends what reaches the link and what is reported as dropped.

#include "link/link_events.h"
#include "link/mbap_port.h"
#include "support/fake_port.h"

#include <QTest>

using namespace qtx52;
using link::Verdict;

namespace {

// The read of holding register 6 of station 3, as the link frames it and as the gateway gets it
// with transaction ids 1 and 2.
const QByteArray kRequest = QByteArray::fromHex("03030006000165e9");
const QByteArray kMbap1 = QByteArray::fromHex("00010000000603030006 0001");
const QByteArray kMbap2 = QByteArray::fromHex("00020000000603030006 0001");

QByteArray reply(quint16 id, const char* unitAndPdu) {
    const QByteArray rest = QByteArray::fromHex(unitAndPdu);
    QByteArray out;
    out.append(char(id >> 8)).append(char(id & 0xFF)).append('\0').append('\0');
    out.append(char(0)).append(char(rest.size()));
    return out + rest;
}

struct Watch : link::LinkObserver {
    QList<int> verdicts;
    QList<int> ids;
    void frameReceived(const link::ReceivedFrame& f) override {
        verdicts.append(int(f.verdict));
        ids.append(f.transactionId);
    }
};

// A stream whose connection the test can drop.
struct Stream : testing::FakePort {
    void drop(const link::CommError& why) {
        setPortOpen(false);
        reportLost(why);
    }
};

} // namespace

class TestMbapPort : public QObject {
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
    void requestsRefused_data();
    void requestsRefused();
    void droppedConnection();
};

void TestMbapPort::replies_data() {
    QTest::addColumn<bool>("anyId");
    QTest::addColumn<QList<QByteArray>>("arrivals"); // one piece per poll
    QTest::addColumn<QByteArray>("up");              // what the link reads
    QTest::addColumn<QList<int>>("verdicts");        // what is reported dropped
    QTest::addColumn<QList<int>>("ids");

    const QByteArray right = reply(2, "0303020064");
    const QByteArray rightRtu = QByteArray::fromHex("0303020064c06f");
    const int stale = int(Verdict::Stale);
    QTest::newRow("answer") << false << QList<QByteArray>{right} << rightRtu << QList<int>{}
                            << QList<int>{};
    QTest::newRow("answer in two pieces") << false << QList<QByteArray>{right.left(5), right.mid(5)}
                                          << rightRtu << QList<int>{} << QList<int>{};
    QTest::newRow("late answer to the first try, then the answer")
        << false << QList<QByteArray>{reply(1, "0303020064") + right} << rightRtu
        << QList<int>{stale} << QList<int>{1};
    QTest::newRow("only the late answer") << false << QList<QByteArray>{reply(1, "0303020064")}
                                          << QByteArray() << QList<int>{stale} << QList<int>{1};
    QTest::newRow("other unit") << false << QList<QByteArray>{reply(2, "0403020064")}
                                << QByteArray() << QList<int>{int(Verdict::OtherStation)}
                                << QList<int>{2};
    QTest::newRow("other function")
        << false << QList<QByteArray>{reply(2, "03010100")} << QByteArray()
        << QList<int>{int(Verdict::NotTheAnswer)} << QList<int>{2};
    QTest::newRow("answered twice") << false << QList<QByteArray>{right, right} << rightRtu
                                    << QList<int>{stale} << QList<int>{2};
    QTest::newRow("id not echoed, strict") << false << QList<QByteArray>{reply(0, "0303020064")}
                                           << QByteArray() << QList<int>{stale} << QList<int>{0};
    QTest::newRow("id not echoed, any id") << true << QList<QByteArray>{reply(0, "0303020064")}
                                           << rightRtu << QList<int>{} << QList<int>{};
    QTest::newRow("any id, other unit")
        << true << QList<QByteArray>{reply(0, "0403020064")} << QByteArray()
        << QList<int>{int(Verdict::OtherStation)} << QList<int>{0};
    QTest::newRow("any id, answered twice")
        << true << QList<QByteArray>{reply(1, "0303020064"), right} << rightRtu << QList<int>{stale}
        << QList<int>{2};
    // The gateway's own exceptions reach the link as exception frames of the station.
    QTest::newRow("unit behind did not answer 0x0B")
        << false << QList<QByteArray>{reply(2, "03830B")} << QByteArray::fromHex("03830Ba137")
        << QList<int>{} << QList<int>{};
    QTest::newRow("gateway busy 0x06")
        << false << QList<QByteArray>{reply(2, "038306")} << QByteArray::fromHex("03830660f2")
        << QList<int>{} << QList<int>{};
    QByteArray badProtocol = right;
    badProtocol[3] = 1;
    QTest::newRow("stream out of step") << false << QList<QByteArray>{badProtocol} << QByteArray()
                                        << QList<int>{int(Verdict::Noise)} << QList<int>{-1};
}

void TestMbapPort::replies() {
    QFETCH(bool, anyId);
    QFETCH(QList<QByteArray>, arrivals);
    QFETCH(QByteArray, up);
    QFETCH(QList<int>, verdicts);
    QFETCH(QList<int>, ids);

    Stream stream;
    link::MbapPort port(stream);
    Watch watch;
    port.setLinkObserver(&watch);
    port.setAnyId(anyId);
    QVERIFY(!port.setPortOpen(true));
    // A request and its repeat: each goes out with the next id.
    QVERIFY(!port.output(kRequest));
    QVERIFY(!port.output(kRequest));
    QCOMPARE(stream.outputs(), (QList<QByteArray>{kMbap1, kMbap2}));
    QCOMPARE(port.sentTransactionId(), 2);

    QByteArray got;
    for (const QByteArray& piece : arrivals) {
        stream.receive(piece);
        const int count = port.inBufferCount();
        const QByteArray bytes = port.input();
        QCOMPARE(bytes.size(), count);
        got += bytes;
    }
    QCOMPARE(got.toHex(), up.toHex());
    QCOMPARE(watch.verdicts, verdicts);
    QCOMPARE(watch.ids, ids);
}

void TestMbapPort::requestsRefused_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("an ASCII line") << QByteArray(":030300060001F3\r\n");
    QTest::newRow("wrong CRC") << QByteArray::fromHex("03030006000165e8");
    QTest::newRow("too short") << QByteArray::fromHex("0303");
}

// Nothing that is not a whole RTU frame reaches the gateway.
void TestMbapPort::requestsRefused() {
    QFETCH(QByteArray, frame);
    Stream stream;
    link::MbapPort port(stream);
    QVERIFY(!port.setPortOpen(true));
    QVERIFY(port.output(frame));
    QVERIFY(stream.outputs().isEmpty());
}

// The gateway closes the connection while a reply is half in: the loss is told once, and after
// the reopening nothing of the old connection is taken for the new request's answer.
void TestMbapPort::droppedConnection() {
    Stream stream;
    link::MbapPort port(stream);
    int lost = 0;
    port.setLostHandler([&](const link::CommError&) { ++lost; });
    QVERIFY(!port.setPortOpen(true));
    QVERIFY(!port.output(kRequest));
    stream.receive(reply(1, "0303020064").left(6));
    QCOMPARE(port.inBufferCount(), 0);
    stream.drop(link::CommError(link::commerr::WriteFailed, QStringLiteral("closed")));
    QCOMPARE(lost, 1);
    QVERIFY(!port.portOpen());
    QVERIFY(port.output(kRequest));

    QVERIFY(!port.setPortOpen(true));
    QVERIFY(!port.output(kRequest));
    stream.receive(reply(2, "0303020064"));
    QCOMPARE(port.input().toHex(), QByteArray("0303020064c06f"));
}

QTEST_GUILESS_MAIN(TestMbapPort)
#include "tst_mbap_port.moc"
