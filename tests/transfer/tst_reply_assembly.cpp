// Reply reception on its own: how received bytes become a reply in both framings, and which
// replies are dropped as if they had never arrived. The port is a fake that the test fills; the
// decoder sits in state 0, where a taken reply only frees the link.

#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "link/framing.h"
#include "link/link_events.h"
#include "sim/station.h"
#include "support/test_program.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>

using namespace qtx52;
using editor::frm_config;

namespace {

enum class Mode { Rtu, Ascii };

QByteArray frame(Mode mode, const QString& hex) {
    return mode == Mode::Rtu ? link::frameRtu(hex) : link::frameAscii(hex);
}

// The reply text as it stands in replyHex: the content with its checksum, without the ASCII
// delimiters.
QString replyText(Mode mode, const QString& hex) {
    const QByteArray f = frame(mode, hex);
    return mode == Mode::Rtu ? QString::fromLatin1(f.toHex().toUpper())
                             : QString::fromLatin1(f.mid(1, f.size() - 3));
}

// Counts the verdicts the reply path reports.
struct VerdictLog : link::LinkObserver {
    QList<link::ReceivedFrame> frames;
    void frameReceived(const link::ReceivedFrame& fr) override { frames << fr; }
    int count(link::Verdict v) const {
        return int(std::count_if(frames.begin(), frames.end(),
                                 [v](const link::ReceivedFrame& fr) { return fr.verdict == v; }));
    }
};

struct Rig {
    testing::TestProgram tp;
    app::Global& g = tp.g();
    frm_config& f;
    VerdictLog log;

    explicit Rig(Mode mode) : f(start(tp.program(), mode)) {
        // The test hands the bytes over itself.
        f.Timer4.setEnabled(false);
        tp.program().linkEvents.add(&log);
    }
    ~Rig() { tp.program().linkEvents.remove(&log); }
    static frm_config& start(app::Program& p, Mode mode) {
        app::Main(p);
        frm_config& f = p.frm_config();
        f.Combo_Port(5).setListIndex(mode == Mode::Rtu ? 1 : 0);
        f.Combo_Port(6).setListIndex(1);
        return f;
    }
    // Puts a request in flight with nothing to do for its reply but free the link.
    void request(const QString& hex) {
        g.commState = 0;
        g.requestHex = hex;
        log.frames.clear();
        f.send();
        g.linkReady = false;
        g.replyHex.clear();
    }
    void feed(const QByteArray& bytes) {
        tp.port.receive(bytes);
        f.receive_reply();
    }
    bool taken() const { return log.count(link::Verdict::Taken) > 0; }
};

const QString kReadTwo = QStringLiteral("010300070002");
const QString kReplyTwo = QStringLiteral("01030400D7FFCE");
const QString kWriteBlock = QStringLiteral("01100002000A14") + QString(80, QLatin1Char('0'));
const QString kWriteAck = QStringLiteral("01100002000A");
const QString kReadCoils = QStringLiteral("01010000000E");
const QString kCoilReply = QStringLiteral("0101020520");

} // namespace

Q_DECLARE_METATYPE(Mode)

class TestReplyAssembly : public QObject {
    Q_OBJECT
private slots:
    void splitAtEveryOffset_data();
    void splitAtEveryOffset();
    void discardRules_data();
    void discardRules();
    void discardedReplyLeavesFailureTimingRunning_data();
    void discardedReplyLeavesFailureTimingRunning();
    void sendStartsTheAssemblyAfresh_data();
    void sendStartsTheAssemblyAfresh();
    void asciiReplyFollowedByPartialLineInOneChunk();
    void asciiLowerCaseDigitsAreTakenUpperCase();
    void fuzzInEveryState_data();
    void fuzzInEveryState();
};

void TestReplyAssembly::splitAtEveryOffset_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("reply");
    for (const auto& [mode, name] :
         {std::pair{Mode::Rtu, "RTU"}, std::pair{Mode::Ascii, "ASCII"}}) {
        QTest::addRow("%s register read", name) << mode << kReadTwo << kReplyTwo;
        QTest::addRow("%s write echo", name) << mode << kWriteBlock << kWriteAck;
        QTest::addRow("%s coil read", name) << mode << kReadCoils << kCoilReply;
    }
}

// Cut in two at every offset, the reply completes once, at its last byte, whatever the cut.
void TestReplyAssembly::splitAtEveryOffset() {
    QFETCH(Mode, mode);
    QFETCH(QString, request);
    QFETCH(QString, reply);
    const QByteArray bytes = frame(mode, reply);
    for (int cut = 1; cut < bytes.size(); ++cut) {
        Rig rig(mode);
        rig.request(request);
        rig.feed(bytes.left(cut));
        QVERIFY2(!rig.taken(), qPrintable(QStringLiteral("taken early at cut %1").arg(cut)));
        rig.feed(bytes.mid(cut));
        QVERIFY2(rig.taken(), qPrintable(QStringLiteral("not taken at cut %1").arg(cut)));
        QCOMPARE(rig.g.replyHex, replyText(mode, reply));
        QVERIFY(!rig.f.Timer5.enabled());
    }
}

void TestReplyAssembly::discardRules_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("expected"); // replyHex once taken; empty: dropped

    const auto withBadCrc = [](const QString& hex) {
        QByteArray f = link::frameRtu(hex);
        f[f.size() - 1] = char(f[f.size() - 1] ^ 0x01);
        return f;
    };
    const auto withBadLrc = [](const QString& hex) {
        QByteArray f = link::frameAscii(hex);
        f[f.size() - 3] = f[f.size() - 3] == '0' ? '1' : '0';
        return f;
    };
    const Mode R = Mode::Rtu;
    const Mode A = Mode::Ascii;

    QTest::newRow("RTU good") << R << kReadTwo << frame(R, kReplyTwo) << replyText(R, kReplyTwo);
    QTest::newRow("RTU bad CRC") << R << kReadTwo << withBadCrc(kReplyTwo) << QString();
    QTest::newRow("RTU other station") << R << kReadTwo << frame(R, "02030400D7FFCE") << QString();
    QTest::newRow("RTU exception") << R << kReadTwo << frame(R, "018302") << QString();
    QTest::newRow("RTU exception to a write")
        << R << kWriteBlock << frame(R, "019004") << QString();
    QTest::newRow("RTU other function") << R << kReadTwo << frame(R, "01010400D7FFCE") << QString();
    QTest::newRow("RTU byte count short") << R << kReadTwo << frame(R, "01030200D7") << QString();
    QTest::newRow("RTU byte count long")
        << R << kReadTwo << frame(R, "01030600D7FFCE0000") << QString();
    QTest::newRow("RTU byte count 0") << R << kReadTwo << frame(R, "010300") << QString();
    QTest::newRow("RTU coil bytes short") << R << kReadCoils << frame(R, "01010105") << QString();
    QTest::newRow("RTU write echo of another block")
        << R << kWriteBlock << frame(R, "0110000C000A") << QString();
    QTest::newRow("RTU noise, then the reply")
        << R << kReadTwo << QByteArray::fromHex("0001FF03") + frame(R, kReplyTwo)
        << replyText(R, kReplyTwo);
    QTest::newRow("RTU other station's reply, then ours")
        << R << kReadTwo << frame(R, "02030400D7FFCE") + frame(R, kReplyTwo)
        << replyText(R, kReplyTwo);
    QTest::newRow("RTU exception, then the reply")
        << R << kReadTwo << frame(R, "018302") + frame(R, kReplyTwo) << replyText(R, kReplyTwo);
    QTest::newRow("RTU bad CRC, then the reply")
        << R << kReadTwo << withBadCrc(kReplyTwo) + frame(R, kReplyTwo) << replyText(R, kReplyTwo);
    QTest::newRow("RTU nothing in flight") << R << QString() << frame(R, kReplyTwo) << QString();

    QTest::newRow("ASCII good") << A << kReadTwo << frame(A, kReplyTwo) << replyText(A, kReplyTwo);
    QTest::newRow("ASCII bad LRC") << A << kReadTwo << withBadLrc(kReplyTwo) << QString();
    QTest::newRow("ASCII other station")
        << A << kReadTwo << frame(A, "02030400D7FFCE") << QString();
    QTest::newRow("ASCII exception") << A << kReadTwo << frame(A, "018302") << QString();
    QTest::newRow("ASCII exception to a write")
        << A << kWriteBlock << frame(A, "019004") << QString();
    QTest::newRow("ASCII byte count short") << A << kReadTwo << frame(A, "01030200D7") << QString();
    QTest::newRow("ASCII coil bytes long")
        << A << kReadCoils << frame(A, "010103052000") << QString();
    QTest::newRow("ASCII non-hex digit")
        << A << kReadTwo << QByteArray(":01030400D7FFCG54\r\n") << QString();
    QTest::newRow("ASCII odd digit count")
        << A << kReadTwo << QByteArray(":01030400D7FFCE5\r\n") << QString();
    QTest::newRow("ASCII line feed without CR")
        << A << kReadTwo << frame(A, kReplyTwo).replace("\r\n", "\n") << QString();
    QTest::newRow("ASCII text before the colon only")
        << A << kReadTwo << QByteArray("0400D7FFCE54\r\n") << QString();
    QTest::newRow("ASCII overlong line")
        << A << kReadTwo << QByteArray(":") + QByteArray(600, 'A') + "\r\n"
        << QString();
    QTest::newRow("ASCII overlong line, then the reply")
        << A << kReadTwo << QByteArray(":") + QByteArray(600, 'A') + frame(A, kReplyTwo)
        << replyText(A, kReplyTwo);
    QTest::newRow("ASCII broken line, then a new colon")
        << A << kReadTwo << QByteArray(":0103") + frame(A, kReplyTwo) << replyText(A, kReplyTwo);
    QTest::newRow("ASCII NUL inside") << A << kReadTwo
                                      << QByteArray(":0103\0"
                                                    "0400D7FFCE54\r\n",
                                                    20)
                                      << QString();
}

void TestReplyAssembly::discardRules() {
    QFETCH(Mode, mode);
    QFETCH(QString, request);
    QFETCH(QByteArray, received);
    QFETCH(QString, expected);
    Rig rig(mode);
    rig.request(request);
    rig.feed(received);
    QCOMPARE(rig.taken(), !expected.isEmpty());
    QCOMPARE(rig.g.replyHex, expected);
}

void TestReplyAssembly::discardedReplyLeavesFailureTimingRunning_data() {
    QTest::addColumn<Mode>("mode");
    QTest::newRow("RTU") << Mode::Rtu;
    QTest::newRow("ASCII") << Mode::Ascii;
}

// A dropped reply changes nothing the failure timing looks at; the good one stops it all.
void TestReplyAssembly::discardedReplyLeavesFailureTimingRunning() {
    QFETCH(Mode, mode);
    Rig rig(mode);
    rig.request(kReadTwo);
    rig.f.Timer3.setEnabled(true);
    rig.f.lbl_desc(16).setVisible(true);
    rig.f.chk_read_out->setEnabled(false);

    rig.feed(frame(mode, "02030400D7FFCE")); // another station's reply
    QVERIFY(rig.f.Timer5.enabled());
    QVERIFY(rig.f.Timer3.enabled());
    QVERIFY(rig.f.lbl_desc(16).visible());
    QVERIFY(!rig.f.chk_read_out->enabled());

    rig.feed(frame(mode, kReplyTwo));
    QVERIFY(!rig.f.Timer5.enabled());
    QVERIFY(!rig.f.Timer3.enabled());
    QVERIFY(!rig.f.lbl_desc(16).visible());
    QVERIFY(rig.f.chk_read_out->enabled());
}

void TestReplyAssembly::sendStartsTheAssemblyAfresh_data() {
    discardedReplyLeavesFailureTimingRunning_data();
}

// A repeat keeps a reply that has begun to arrive (a slow unit answering the first try); only a
// new request starts the assembly afresh.
void TestReplyAssembly::sendStartsTheAssemblyAfresh() {
    QFETCH(Mode, mode);
    const QByteArray bytes = frame(mode, kReplyTwo);
    const int half = int(bytes.size()) / 2;
    {
        Rig rig(mode);
        rig.request(kReadTwo);
        rig.feed(bytes.left(half));
        rig.f.Timer5_Timer(); // the repeat goes out
        rig.feed(bytes.mid(half));
        QVERIFY(rig.taken());
        QCOMPARE(rig.g.replyHex, replyText(mode, kReplyTwo));
        QCOMPARE(rig.log.frames.last().attempt, 2);
    }
    Rig rig(mode);
    rig.request(kReadTwo);
    rig.feed(bytes.left(half));
    rig.request(kReadTwo); // a new request of the same text
    rig.feed(bytes.mid(half));
    QVERIFY(!rig.taken());
    rig.feed(bytes);
    QVERIFY(rig.taken());
    QCOMPARE(rig.g.replyHex, replyText(mode, kReplyTwo));
}

void TestReplyAssembly::asciiReplyFollowedByPartialLineInOneChunk() {
    Rig rig(Mode::Ascii);
    rig.request(kReadTwo);
    rig.feed(frame(Mode::Ascii, kReplyTwo) + ":0103");
    QVERIFY(rig.taken());
    QCOMPARE(rig.g.replyHex, replyText(Mode::Ascii, kReplyTwo));
}

void TestReplyAssembly::asciiLowerCaseDigitsAreTakenUpperCase() {
    Rig rig(Mode::Ascii);
    rig.request(kReadTwo);
    rig.feed(frame(Mode::Ascii, kReplyTwo).toLower());
    QVERIFY(rig.taken());
    QCOMPARE(rig.g.replyHex, replyText(Mode::Ascii, kReplyTwo));
}

void TestReplyAssembly::fuzzInEveryState_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("state");
    for (int state = 0; state <= 9; ++state) {
        QTest::addRow("RTU state %d", state) << Mode::Rtu << state;
        QTest::addRow("ASCII state %d", state) << Mode::Ascii << state;
    }
}

// Random bytes, damaged replies and whole replies in random pieces, in one transaction state:
// nothing reads outside its buffers (the sanitizer build runs this), and afterwards a request
// and its reply still get through.
void TestReplyAssembly::fuzzInEveryState() {
    QFETCH(Mode, mode);
    QFETCH(int, state);
    Rig rig(mode);
    sim::Station station(rig.tp.clock);
    station.setFraming(mode == Mode::Rtu ? sim::Framing::Rtu : sim::Framing::Ascii);
    QRandomGenerator rng(0x5eed0000u + quint32(state) * 2 + (mode == Mode::Rtu ? 0 : 1));

    // The request each state has in flight.
    const auto requestFor = [](int s) -> QString {
        switch (s) {
        case 1:
            return QStringLiteral("01030000000A");
        case 2:
            return kWriteBlock;
        case 3:
            return kReadCoils;
        case 4:
            return QStringLiteral("010F000000080181");
        case 5:
            return QStringLiteral("011002000008") + QStringLiteral("10") + QString(32, '0');
        case 6:
            return QStringLiteral("010300060001");
        case 7:
            return QStringLiteral("010302000008");
        case 8:
            return QStringLiteral("010F010000050115");
        case 9:
            return QStringLiteral("010101000005");
        default:
            return kReadTwo;
        }
    };
    const QByteArray asciiAlphabet = "0123456789ABCDEFabcdefGZ:\r\n";

    for (int round = 0; round < 400; ++round) {
        if (rig.g.commState != state || round % 25 == 0) {
            rig.g.commState = state;
            rig.g.startAddress = qint16(state == 5 ? 512 : state == 2 ? 2 : 0);
            rig.f.countReadRegister = 10;
            rig.f.countWriteRegister = qint16(state == 5 ? 8 : 10);
            rig.f.alreadyWriteCoils = 8;
            rig.g.requestHex = requestFor(state);
            rig.f.send();
            rig.g.linkReady = false;
        }
        QByteArray bytes;
        const int kind = rng.bounded(4);
        if (kind == 0) {
            bytes.resize(rng.bounded(1, 80));
            for (auto& b : bytes)
                b = char(rng.bounded(256));
        } else if (kind == 1) {
            bytes.resize(rng.bounded(1, 80));
            for (auto& b : bytes)
                b = asciiAlphabet[rng.bounded(int(asciiAlphabet.size()))];
        } else {
            const QByteArray request = frame(mode, rig.g.requestHex);
            if (const auto reply = station.answer(request))
                bytes = reply->bytes;
            if (kind == 2 && !bytes.isEmpty()) {
                // Damaged: a flipped bit, a lost byte or a doubled byte.
                const int at = rng.bounded(int(bytes.size()));
                switch (rng.bounded(3)) {
                case 0:
                    bytes[at] = char(bytes[at] ^ (1 << rng.bounded(8)));
                    break;
                case 1:
                    bytes.remove(at, 1);
                    break;
                default:
                    bytes.insert(at, bytes[at]);
                    break;
                }
            }
        }
        // Handed over in random pieces.
        while (!bytes.isEmpty()) {
            const int n = rng.bounded(1, int(bytes.size()) + 1);
            rig.feed(bytes.left(n));
            bytes.remove(0, n);
        }
    }

    // Whatever the state was left in, the link still works.
    rig.request(QStringLiteral("010300060001"));
    QVERIFY(!rig.taken());
    rig.feed(frame(mode, QStringLiteral("010302000A")));
    QVERIFY(rig.taken());
    QCOMPARE(rig.g.replyHex, replyText(mode, QStringLiteral("010302000A")));
}

QTEST_GUILESS_MAIN(TestReplyAssembly)
#include "tst_reply_assembly.moc"
