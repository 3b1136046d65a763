#include "sim/asciiframing.h"
#include "sim/rtuframing.h"

#include <QTest>

using namespace qtx52::sim;

namespace {
QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}
} // namespace

class TstFraming : public QObject {
    Q_OBJECT
private slots:
    void checksums_data();
    void checksums();
    void encodeGolden_data();
    void encodeGolden();
    void decodeRejects_data();
    void decodeRejects();
    void rtuStream_data();
    void rtuStream();
    void asciiStream_data();
    void asciiStream();
};

void TstFraming::checksums_data() {
    QTest::addColumn<bool>("isCrc");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    QTest::newRow("crc read reg 6") << true << hex("010300060001") << 0x0B64;
    QTest::newRow("crc read 8 regs at 512") << true << hex("010302000008") << 0xB445;
    QTest::newRow("crc check string") << true << QByteArray("123456789") << 0x4B37;
    QTest::newRow("lrc read reg 6") << false << hex("010300060001") << 0xF5;
    QTest::newRow("lrc read 14 coils") << false << hex("01010000000E") << 0xF0;
    QTest::newRow("lrc of nothing") << false << QByteArray() << 0x00;
}

void TstFraming::checksums() {
    QFETCH(bool, isCrc);
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    QCOMPARE(isCrc ? int(rtu::crc16(bytes)) : int(ascii::lrc(bytes)), expected);
}

void TstFraming::encodeGolden_data() {
    QTest::addColumn<bool>("isAscii");
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("pdu");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("rtu read reg 6") << false << 1 << hex("0300060001") << hex("010300060001640B");
    QTest::newRow("rtu read at 512") << false << 1 << hex("0302000008") << hex("01030200000845B4");
    QTest::newRow("ascii read reg 6")
        << true << 1 << hex("0300060001") << QByteArray(":010300060001F5\r\n");
    QTest::newRow("ascii read coils")
        << true << 1 << hex("010000000E") << QByteArray(":01010000000EF0\r\n");
}

void TstFraming::encodeGolden() {
    QFETCH(bool, isAscii);
    QFETCH(int, address);
    QFETCH(QByteArray, pdu);
    QFETCH(QByteArray, frame);
    QCOMPARE(isAscii ? ascii::encode(quint8(address), pdu) : rtu::encode(quint8(address), pdu),
             frame);
    quint8 gotAddress = 0;
    QByteArray gotPdu;
    QVERIFY(isAscii ? ascii::decode(frame, &gotAddress, &gotPdu)
                    : rtu::decode(frame, &gotAddress, &gotPdu));
    QCOMPARE(int(gotAddress), address);
    QCOMPARE(gotPdu, pdu);
}

void TstFraming::decodeRejects_data() {
    QTest::addColumn<bool>("isAscii");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("rtu crc low byte wrong") << false << hex("010300060001650B");
    QTest::newRow("rtu data byte changed") << false << hex("010300070001640B");
    QTest::newRow("rtu crc bytes swapped") << false << hex("0103000600010B64");
    QTest::newRow("rtu too short") << false << hex("0103B4");
    QTest::newRow("ascii lrc wrong") << true << QByteArray(":010300060001F6\r\n");
    QTest::newRow("ascii lower case") << true << QByteArray(":010300060001f5\r\n");
    QTest::newRow("ascii no cr") << true << QByteArray(":010300060001F5\n");
    QTest::newRow("ascii odd digits") << true << QByteArray(":0103000600010F5\r\n");
    QTest::newRow("ascii no colon") << true << QByteArray("010300060001F5\r\n");
    QTest::newRow("ascii not hex") << true << QByteArray(":01030006000GF5\r\n");
    QTest::newRow("ascii only lrc") << true << QByteArray(":00\r\n");
}

void TstFraming::decodeRejects() {
    QFETCH(bool, isAscii);
    QFETCH(QByteArray, frame);
    quint8 address = 0;
    QByteArray pdu;
    QVERIFY(!(isAscii ? ascii::decode(frame, &address, &pdu) : rtu::decode(frame, &address, &pdu)));
}

void TstFraming::rtuStream_data() {
    const QByteArray read = rtu::encode(1, hex("0300060001"));
    const QByteArray write = rtu::encode(2, hex("1000020002 04 0001 0005"));
    const QByteArray coils = rtu::encode(1, hex("0F0000000A02CD01"));
    const QByteArray unknown = rtu::encode(1, hex("0400000001"));
    QByteArray corrupt = read;
    corrupt[3] = char(0x07);

    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::addColumn<int>("discarded");
    QTest::addColumn<int>("pending");
    QTest::newRow("whole") << QList<QByteArray>{read} << QList<QByteArray>{read} << 0 << 0;
    QList<QByteArray> bytes;
    for (char c : write)
        bytes.append(QByteArray(1, c));
    QTest::newRow("byte by byte, length from byte count")
        << bytes << QList<QByteArray>{write} << 0 << 0;
    QTest::newRow("two in one read")
        << QList<QByteArray>{read + coils} << QList<QByteArray>{read, coils} << 0 << 0;
    QTest::newRow("noise in front")
        << QList<QByteArray>{hex("FF00") + read} << QList<QByteArray>{read} << 2 << 0;
    QTest::newRow("bad crc skipped") << QList<QByteArray>{corrupt, write}
                                     << QList<QByteArray>{write} << int(corrupt.size()) << 0;
    QTest::newRow("unknown function still framed")
        << QList<QByteArray>{unknown} << QList<QByteArray>{unknown} << 0 << 0;
    QTest::newRow("unfinished waits")
        << QList<QByteArray>{write.left(9)} << QList<QByteArray>{} << 0 << 9;
}

void TstFraming::rtuStream() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, frames);
    QFETCH(int, discarded);
    QFETCH(int, pending);
    rtu::RequestFramer framer;
    QList<QByteArray> got;
    for (const QByteArray& chunk : chunks)
        got += framer.feed(chunk);
    QCOMPARE(got, frames);
    QCOMPARE(framer.discarded(), qint64(discarded));
    QCOMPARE(framer.pending(), pending);
}

void TstFraming::asciiStream_data() {
    const QByteArray a(":010300060001F5\r\n");
    const QByteArray b(":01010000000EF0\r\n");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::newRow("split across reads")
        << QList<QByteArray>{a.left(5), a.mid(5, 10), a.mid(15)} << QList<QByteArray>{a};
    QTest::newRow("noise dropped")
        << QList<QByteArray>{QByteArray("\x00\x13zz", 4) + a} << QList<QByteArray>{a};
    QTest::newRow("colon restarts") << QList<QByteArray>{":0103" + b} << QList<QByteArray>{b};
    QTest::newRow("two in one read") << QList<QByteArray>{a + b} << QList<QByteArray>{a, b};
    QTest::newRow("no line end yet") << QList<QByteArray>{a.chopped(1)} << QList<QByteArray>{};
}

void TstFraming::asciiStream() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, frames);
    ascii::LineFramer framer;
    QList<QByteArray> got;
    for (const QByteArray& chunk : chunks)
        got += framer.feed(chunk);
    QCOMPARE(got, frames);
}

QTEST_GUILESS_MAIN(TstFraming)
#include "tst_framing.moc"
