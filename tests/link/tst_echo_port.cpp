// The echo check of adapters that echo: what reaches the reply path for every way the echo and
// the reply can arrive, what is reported, and which port numbers echo by the settings stores.

#include "link/echo_port.h"
#include "link/link_events.h"
#include "link/port_map.h"
#include "support/fake_port.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace qtx52;
using link::EchoPort;

namespace {

// The read of holding register 6 in RTU, and the unit's answer.
const QByteArray kFrame = QByteArray::fromHex("010300060001640B");
const QByteArray kReply = QByteArray::fromHex("0103020"
                                              "00AB843");

QString reported(link::Verdict verdict, const QByteArray& bytes) {
    return QStringLiteral("%1 %2").arg(int(verdict)).arg(QString::fromLatin1(bytes.toHex()));
}

struct EchoWatch : link::LinkObserver {
    QList<link::ReceivedFrame> frames;
    void frameReceived(const link::ReceivedFrame& f) override { frames.append(f); }
    QStringList reports() const {
        QStringList out;
        for (const link::ReceivedFrame& f : frames)
            out << reported(f.verdict, f.bytes);
        return out;
    }
};

QByteArray changed(QByteArray bytes, int at) {
    bytes[at] = char(bytes[at] ^ 0x10);
    return bytes;
}

// Hands each piece to the port as if it arrived between two polls, and gathers what the reply
// path reads.
QByteArray pollThrough(EchoPort& echo, testing::FakePort& inner, const QList<QByteArray>& pieces) {
    QByteArray delivered;
    for (const QByteArray& piece : pieces) {
        inner.receive(piece);
        const int count = echo.inBufferCount();
        const QByteArray got = echo.input();
        if (count != got.size())
            return "count " + QByteArray::number(count) + " for " + got.toHex();
        delivered += got;
    }
    return delivered;
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

class TestEchoPort : public QObject {
    Q_OBJECT
private slots:
    void arrivals_data();
    void arrivals();
    void echoCutShortIsReportedAtTheNextRequest();
    void echoingFollowsThePortNumberOpened();
    void closingForgetsTheAwaitedEcho();
    void failedWriteAwaitsNoEcho();
    void storeSetting_data();
    void storeSetting();
};

void TestEchoPort::arrivals_data() {
    QTest::addColumn<bool>("echoes");
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QByteArray>("delivered");
    QTest::addColumn<QStringList>("reported"); // what the watchers learn up to the next request

    using link::Verdict;
    const QByteArray none;
    QTest::newRow("echo and reply at once")
        << true << QList<QByteArray>{kFrame + kReply} << kReply << QStringList{};
    QTest::newRow("echo, then the reply")
        << true << QList<QByteArray>{kFrame, kReply} << kReply << QStringList{};
    QTest::newRow("echo in pieces, reply glued to its end")
        << true << QList<QByteArray>{kFrame.left(3), kFrame.mid(3) + kReply.left(2), kReply.mid(2)}
        << kReply << QStringList{};
    QList<QByteArray> bytes;
    for (char c : kFrame + kReply)
        bytes.append(QByteArray(1, c));
    QTest::newRow("byte by byte") << true << bytes << kReply << QStringList{};
    QTest::newRow("nothing comes back")
        << true << QList<QByteArray>{} << none << QStringList{reported(Verdict::NoEcho, none)};
    QTest::newRow("echo alone") << true << QList<QByteArray>{kFrame} << none << QStringList{};
    QTest::newRow("first byte of the echo wrong")
        << true << QList<QByteArray>{changed(kFrame, 0) + kReply} << none
        << QStringList{reported(Verdict::WrongEcho, changed(kFrame, 0)),
                       reported(Verdict::AfterEcho, kReply)};
    QTest::newRow("CRC of the echo wrong")
        << true << QList<QByteArray>{changed(kFrame, 7), kReply} << none
        << QStringList{reported(Verdict::WrongEcho, changed(kFrame, 7)),
                       reported(Verdict::AfterEcho, kReply)};
    QTest::newRow("wrong echo in pieces, reply after it dropped")
        << true << QList<QByteArray>{changed(kFrame, 4).left(5), changed(kFrame, 4).mid(5), kReply}
        << none
        << QStringList{reported(Verdict::WrongEcho, changed(kFrame, 4)),
                       reported(Verdict::AfterEcho, kReply)};
    QTest::newRow("an adapter that does not echo: the reply taken for the echo")
        << true << QList<QByteArray>{kReply + QByteArray::fromHex("00")} << none
        << QStringList{reported(Verdict::WrongEcho, kReply + QByteArray::fromHex("00"))};
    QTest::newRow("echo off: everything passes")
        << false << QList<QByteArray>{kFrame + kReply} << (kFrame + kReply) << QStringList{};
}

void TestEchoPort::arrivals() {
    QFETCH(bool, echoes);
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QByteArray, delivered);
    QFETCH(QStringList, reported);

    testing::FakePort inner;
    EchoPort echo(inner, [echoes](int) { return echoes; });
    EchoWatch watch;
    echo.setObserver(&watch);
    QVERIFY(!echo.setPortOpen(true));
    QCOMPARE(echo.echoing(), echoes);
    QVERIFY(!echo.output(kFrame));
    QCOMPARE(inner.lastOutput(), kFrame);

    QCOMPARE(pollThrough(echo, inner, pieces).toHex(), delivered.toHex());
    QCOMPARE(echo.inBufferCount(), 0);
    // The next request starts afresh: its echo is checked and its reply passes.
    QVERIFY(!echo.output(kFrame));
    QCOMPARE(watch.reports(), reported);
    watch.frames.clear();
    const QByteArray next = echoes ? kFrame + kReply : kReply;
    QCOMPARE(pollThrough(echo, inner, {next}).toHex(), kReply.toHex());
    QVERIFY(watch.frames.isEmpty());
}

void TestEchoPort::echoCutShortIsReportedAtTheNextRequest() {
    testing::FakePort inner;
    EchoPort echo(inner, [](int) { return true; });
    EchoWatch watch;
    echo.setObserver(&watch);
    QVERIFY(!echo.setPortOpen(true));
    QVERIFY(!echo.output(kFrame));
    QCOMPARE(pollThrough(echo, inner, {kFrame.left(4)}), QByteArray());
    QVERIFY(watch.frames.isEmpty()); // the rest may still come
    QVERIFY(!echo.output(kFrame));   // the repeat
    QCOMPARE(watch.frames.size(), 1);
    QCOMPARE(watch.frames[0].verdict, link::Verdict::WrongEcho);
    QCOMPARE(watch.frames[0].bytes, kFrame.left(4));
    QCOMPARE(pollThrough(echo, inner, {kFrame + kReply}).toHex(), kReply.toHex());
    QCOMPARE(watch.frames.size(), 1);
}

void TestEchoPort::echoingFollowsThePortNumberOpened() {
    testing::FakePort inner;
    QList<int> asked;
    EchoPort echo(inner, [&asked](int n) {
        asked.append(n);
        return n == 2;
    });
    QVERIFY(!echo.setCommPort(1));
    QVERIFY(!echo.setPortOpen(true));
    QVERIFY(!echo.echoing());
    QVERIFY(!echo.output(kFrame));
    QCOMPARE(pollThrough(echo, inner, {kFrame + kReply}), kFrame + kReply);
    QVERIFY(!echo.setPortOpen(false));
    QVERIFY(!echo.setCommPort(2));
    QCOMPARE(echo.commPort(), 2);
    QVERIFY(!echo.setPortOpen(true));
    QVERIFY(echo.echoing());
    QVERIFY(!echo.output(kFrame));
    QCOMPARE(pollThrough(echo, inner, {kFrame + kReply}), kReply);
    QCOMPARE(asked, (QList<int>{1, 2}));
}

void TestEchoPort::closingForgetsTheAwaitedEcho() {
    testing::FakePort inner;
    EchoPort echo(inner, [](int) { return true; });
    EchoWatch watch;
    echo.setObserver(&watch);
    QVERIFY(!echo.setPortOpen(true));
    QVERIFY(!echo.output(kFrame));
    QCOMPARE(pollThrough(echo, inner, {changed(kFrame, 1).left(3)}), QByteArray());
    QVERIFY(!echo.setPortOpen(false));
    QVERIFY(!echo.portOpen());
    QVERIFY(!echo.setPortOpen(true));
    // Nothing of the request before the close is awaited: these bytes are the unit's.
    QCOMPARE(pollThrough(echo, inner, {kReply}), kReply);
    QVERIFY(watch.frames.isEmpty());
}

void TestEchoPort::failedWriteAwaitsNoEcho() {
    testing::FakePort inner;
    EchoPort echo(inner, [](int) { return true; });
    QVERIFY(!echo.setPortOpen(true));
    inner.failOutputWith(link::commerr::WriteFailed, QStringLiteral("gone"));
    QCOMPARE(echo.output(kFrame).number, link::commerr::WriteFailed);
    inner.failOutputWith(0);
    QCOMPARE(pollThrough(echo, inner, {kReply}), kReply);
}

void TestEchoPort::storeSetting_data() {
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("machine");
    QTest::addColumn<QList<int>>("echoing");

    const QByteArray key = "[SOFTWARE\\Korvatek\\QTX52-RS485-MODBUS\\Ports\\COM2]\n";
    const QByteArray key5 = "[SOFTWARE\\Korvatek\\QTX52-RS485-MODBUS\\Ports\\COM5]\n";
    QTest::newRow("none") << QByteArray() << QByteArray() << QList<int>{};
    QTest::newRow("user store") << key + "\"Echo\"=\"1\"\n" << QByteArray() << QList<int>{2};
    QTest::newRow("machine store, any case") << QByteArray() << key + "\"echo\"=\"Yes\"\n"
                                             << QList<int>{2};
    QTest::newRow("user switches the machine's off") << key + "\"Echo\"=\"0\"\n"
                                                     << key + "\"Echo\"=\"1\"\n"
                                                     << QList<int>{};
    QTest::newRow("user's unreadable value leaves the machine's") << key + "\"Echo\"=\"maybe\"\n"
                                                                  << key + "\"Echo\"=\"on\"\n"
                                                                  << QList<int>{2};
    QTest::newRow("two numbers from two stores") << key + "\"Echo\"=\"true\"\n"
                                                 << key5 + "\"Echo\"=\" 1 \"\n"
                                                 << QList<int>{2, 5};
    QTest::newRow("not a text") << key + "\"Echo\"=dword:00000001\n"
                                << QByteArray() << QList<int>{};
    QTest::newRow("on the mapping's key, not the number's")
        << QByteArray("[SOFTWARE\\Korvatek\\QTX52-RS485-MODBUS\\Ports]\n\"Echo\"=\"1\"\n")
        << QByteArray() << QList<int>{};
}

void TestEchoPort::storeSetting() {
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, machine);
    QFETCH(QList<int>, echoing);
    QTemporaryDir dir;
    const settings::StorePaths stores{dir.filePath("machine.ini"), dir.filePath("user.ini")};
    writeFile(stores.userFile, user);
    writeFile(stores.machineFile, machine);
    const link::PortMap map = link::PortMap::build(stores, QString(), {"/dev/ttyUSB0"});
    QList<int> found;
    for (int n = 1; n <= 8; ++n)
        if (map.echoFor(n))
            found.append(n);
    QCOMPARE(found, echoing);
}

QTEST_GUILESS_MAIN(TestEchoPort)
#include "tst_echo_port.moc"
