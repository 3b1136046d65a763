// One step at a time: the request a builder or pacing timer sends, and what the reply to it does
// to the editor. The port is a fake; each test sends through the program's own senders and hands
// the reply over by hand.

#include "app/global.h"
#include "editor/frm_config.h"
#include "params/numbers.h"
#include "link/checksum.h"
#include "link/framing.h"
#include "support/test_program.h"

#include <QTest>

#include <functional>

using namespace qtx52;
using editor::frm_config;
using forms::ColorButtonText;
using forms::ColorChanged;

namespace {

const QStringList kBauds = {"9600", "19200", "38400", "57600"};

struct Rig {
    testing::TestProgram tp;
    app::Global& g = tp.g();
    frm_config& f;

    explicit Rig(const QString& separator = QStringLiteral(","), const QString& baud = "9600")
        : tp(stores(separator)), f(open(tp.program(), baud)) {
        f.Timer4.setEnabled(false); // the test hands replies over itself
        // Every value box holds a number, as after a read-out of a unit at its zeros.
        for (const auto& [i, box] : f.txt_data_cfg)
            if (box->text().isEmpty())
                box->setText(QStringLiteral("0"));
        for (const auto& [i, box] : f.txt_data_in)
            if (box->text().isEmpty())
                box->setText(QStringLiteral("0"));
    }
    static testing::StoreValues stores(const QString& separator) {
        testing::StoreValues v;
        v.decimalSeparator = separator;
        return v;
    }
    static frm_config& open(app::Program& p, const QString& baud) {
        app::Main(p);
        frm_config& f = p.frm_config();
        f.Combo_Port(1).setListIndex(int(kBauds.indexOf(baud)));
        f.Combo_Port(5).setListIndex(1); // RTU
        f.Combo_Port(6).setListIndex(1); // open
        return f;
    }
    // The request last written, without its CRC; empty when nothing went out.
    QString sent() const {
        const QByteArray fr = tp.port.lastOutput();
        return fr.isEmpty() ? QString() : QString::fromLatin1(fr.chopped(2).toHex().toUpper());
    }
    void reply(const QString& hex) {
        tp.port.receive(link::frameRtu(hex));
        f.receive_reply();
    }
    std::optional<double> number(const forms::TextBox& box) const {
        return params::parseNumber(box.text(), g.decimalSeparator);
    }
    // Starts the configuration write at the block that holds register r.
    void startConfigWrite(int firstRegister) {
        g.commState = 2;
        g.startAddress = qint16(firstRegister);
        f.alreadyWrite = qint16(firstRegister);
        g.linkReady = true;
        f.Timer1_Timer();
    }
};

} // namespace

class TestDecode : public QObject {
    Q_OBJECT
private slots:
    void registerConversions_data();
    void registerConversions();
    void configCoils_data();
    void configCoils();
    void inputCoils_data();
    void inputCoils();
    void pacing_data();
    void pacing();
    void builders_data();
    void builders();
    void writeValues_data();
    void writeValues();
    void configMarksClearOnAcknowledgement();
    void inputMarksClearOnAcknowledgement();
    void responseTimeBeyond16BitsFailsTheDecoding();
};

void TestDecode::registerConversions_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("k");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("config");
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("text");
    QTest::newRow("tenths") << 0 << 7 << "00D7"
                            << "," << true << 7 << "21,5";
    QTest::newRow("tenths, point") << 0 << 7 << "00D7"
                                   << "." << true << 7 << "21.5";
    QTest::newRow("negative tenths") << 0 << 7 << "FFCE"
                                     << "," << true << 7 << "-5";
    QTest::newRow("signed") << 0 << 3 << "FFCE"
                            << "," << true << 3 << "-50";
    QTest::newRow("unit's response time kept") << 0 << 6 << "0003"
                                               << "," << true << 6 << "3";
    QTest::newRow("last block") << 30 << 5 << "8000"
                                << "," << true << 35 << "-32768";
    QTest::newRow("monitor unsigned") << 256 << 0 << "FFFF"
                                      << "," << false << 0 << "65535";
    QTest::newRow("monitor tenths") << 256 << 2 << "FFFF"
                                    << "," << false << 2 << "-0,1";
    QTest::newRow("monitor 2nd block") << 266 << 2 << "FFFF"
                                       << "," << false << 12 << "65535";
}

// A block read fills each field with its register's conversion, never changed by the editor's
// limits; a configuration field also gets the value as its reference, unmarked.
void TestDecode::registerConversions() {
    QFETCH(int, start);
    QFETCH(int, k);
    QFETCH(QString, word);
    QFETCH(QString, separator);
    QFETCH(bool, config);
    QFETCH(int, element);
    QFETCH(QString, text);
    Rig r(separator);
    forms::TextBox& box = config ? r.f.txt_data_cfg(element) : r.f.txt_data_out(element);
    if (config)
        box.setText(QStringLiteral("17")); // a pending edit that the read replaces
    r.g.commState = 1;
    r.g.startAddress = qint16(start);
    r.f.alreadyRead = qint16(start == 30 ? 30 : start == 266 ? 10 : 0);
    r.g.monitorBlock = quint8(start == 266 ? 1 : 0);
    r.g.linkReady = true;
    r.f.Timer6_Timer();
    const int count = r.f.countReadRegister;
    QString words;
    for (int i = 0; i < count; ++i)
        words += i == k ? word : QStringLiteral("0000");
    r.reply(QStringLiteral("0103") + link::LongToHexStr(2 * count, 1) + words);

    QCOMPARE(box.text(), text);
    if (config) {
        QCOMPARE(r.g.refDataCfg[std::size_t(element)], *r.number(box));
        QCOMPARE(box.foreColor(), ColorButtonText);
    }
    QCOMPARE(int(r.g.startAddress), start == 30 ? 256 : start == 266 ? 0 : start + count);
    QVERIFY(r.tp.ui.messages().isEmpty());
}

void TestDecode::configCoils_data() {
    QTest::addColumn<QString>("data");
    QTest::addColumn<QList<int>>("set");
    QTest::newRow("05 20") << "0520" << QList<int>{0, 2, 13};
    QTest::newRow("padding ignored") << "05E0" << QList<int>{0, 2, 13};
    QTest::newRow("all") << "FF3F" << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    QTest::newRow("none") << "00C0" << QList<int>{};
}

// Bit n of data byte j is coil 8j + n; coil 13 shows in element 99 as well. Every coil ends as the
// reference, unmarked, also one whose pending edit happened to equal the unit's state.
void TestDecode::configCoils() {
    QFETCH(QString, data);
    QFETCH(QList<int>, set);
    Rig r;
    for (int i : {1, 5, 13})
        r.f.chk_cfg(i).setValue(1); // edits pending against references of 0
    QCOMPARE(r.f.chk_cfg(5).foreColor(), ColorChanged);
    r.f.send_read_cfg_coils();
    QCOMPARE(r.sent(), QStringLiteral("01010000000E"));
    r.reply(QStringLiteral("010102") + data);

    for (int i = 0; i < 14; ++i) {
        const int expected = set.contains(i) ? 1 : 0;
        QCOMPARE(r.f.chk_cfg(i).value(), expected);
        QCOMPARE(r.g.refCfgBits[std::size_t(i)], qint16(expected));
        QCOMPARE(r.f.chk_cfg(i).foreColor(), ColorButtonText);
        if (i >= 4)
            QCOMPARE(r.f.cmb_bit_cfg(i).foreColor(), ColorButtonText);
    }
    QCOMPARE(r.f.chk_cfg(99).value(), set.contains(13) ? 1 : 0);
    QCOMPARE(r.g.refCfgBits[99], qint16(set.contains(13) ? 1 : 0));
    QCOMPARE(r.f.chk_cfg(99).foreColor(), ColorButtonText);
    QCOMPARE(r.sent(), QStringLiteral("010302000008"));
    QCOMPARE(r.g.commState, 7);
}

void TestDecode::inputCoils_data() {
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("bits");
    QTest::newRow("1 and 3") << "0A" << 0x0A;
    QTest::newRow("padding ignored") << "F1" << 0x11;
    QTest::newRow("none") << "00" << 0;
}

// The last step of a read-out: the coils and their references, then the chain ends.
void TestDecode::inputCoils() {
    QFETCH(QString, data);
    QFETCH(int, bits);
    Rig r;
    r.f.chk_inp_bit(1).setValue(1);
    r.g.linkReady = true;
    r.f.send_read_inp_bits();
    QCOMPARE(r.sent(), QStringLiteral("010101000005"));
    r.reply(QStringLiteral("010101") + data);
    for (int i = 0; i < 5; ++i) {
        const int expected = (bits >> i) & 1;
        QCOMPARE(r.f.chk_inp_bit(i).value(), expected);
        QCOMPARE(r.g.refInpBits[std::size_t(i)], qint16(expected));
        QCOMPARE(r.f.chk_inp_bit(i).foreColor(), ColorButtonText);
    }
    QCOMPARE(r.g.commState, 0);
    QVERIFY(!r.tp.program().frmStateLoaded());
}

void TestDecode::pacing_data() {
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("interval");
    QTest::newRow("9600, 0 ms") << "9600"
                                << "0000" << 57;
    QTest::newRow("19200, 0 ms") << "19200"
                                 << "0000" << 29;
    QTest::newRow("38400, 0 ms") << "38400"
                                 << "0000" << 14;
    QTest::newRow("57600, 0 ms") << "57600"
                                 << "0000" << 10;
    QTest::newRow("9600, 10 ms") << "9600"
                                 << "000A" << 207;
    QTest::newRow("19200, 100 ms") << "19200"
                                   << "0064" << 1529;
    QTest::newRow("9600, 3000 ms") << "9600"
                                   << "0BB8" << 45057;
    QTest::newRow("9600, 32767 ms") << "9600"
                                    << "7FFF" << 491562;
    QTest::newRow("negative counts as 0") << "9600"
                                          << "FFF6" << 57;
}

// The read-device reply sets both pacing intervals and starts the read-out from register 0,
// whatever an earlier read-out left in the counters.
void TestDecode::pacing() {
    QFETCH(QString, baud);
    QFETCH(QString, word);
    QFETCH(int, interval);
    Rig r(",", baud);
    r.f.alreadyRead = 20;
    r.f.countReadRegister = 10;
    r.g.monitorBlock = 1;
    r.f.cmd_read_device_Click();
    QCOMPARE(r.sent(), QStringLiteral("010300060001"));
    r.reply(QStringLiteral("010302") + word);
    QCOMPARE(r.f.Timer1.interval(), qint64(interval));
    QCOMPARE(r.f.Timer6.interval(), qint64(interval));
    QCOMPARE(int(r.g.minResponseTime), int(qint16(word.toUShort(nullptr, 16))));
    QCOMPARE(r.g.commState, 1);
    QCOMPARE(int(r.g.startAddress), 0);
    QCOMPARE(int(r.f.alreadyRead), 0);
    QCOMPARE(int(r.f.countReadRegister), 0);
    QCOMPARE(int(r.g.monitorBlock), 0);
    QVERIFY(r.f.Timer6.enabled());
    QVERIFY(r.tp.program().frmStateLoaded());
    QVERIFY(r.tp.ui.messages().isEmpty());
}

using Setup = std::function<void(Rig&)>;
Q_DECLARE_METATYPE(Setup)

void TestDecode::builders_data() {
    QTest::addColumn<QString>("station");
    QTest::addColumn<Setup>("run");
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("state");
    QTest::newRow("read device, station 10")
        << "10" << Setup([](Rig& r) { r.f.cmd_read_device_Click(); }) << "0A0300060001" << 6;
    QTest::newRow("read device while busy") << "63" << Setup([](Rig& r) {
        r.g.linkReady = false;
        r.f.cmd_read_device_Click();
    }) << "3F0300060001" << 6;
    QTest::newRow("first coil group") << "1" << Setup([](Rig& r) {
        r.f.chk_cfg(0).setValue(1);
        r.f.chk_cfg(7).setValue(1);
        r.f.chk_cfg(8).setValue(1); // not in this group
        r.f.send_write_cfg_coils();
    }) << "010F000000080181" << 4;
    QTest::newRow("second coil group") << "1" << Setup([](Rig& r) {
        r.f.chk_cfg(7).setValue(1); // not in this group
        r.f.chk_cfg(13).setValue(1);
        r.f.alreadyWriteCoils = 8;
        r.f.alreadyWriteBytes = 1;
        r.f.send_write_cfg_coils();
    }) << "010F000800060120" << 4;
    QTest::newRow("input coils") << "1" << Setup([](Rig& r) {
        r.f.chk_inp_bit(0).setValue(1);
        r.f.chk_inp_bit(4).setValue(1);
        r.f.send_write_inp_bits();
    }) << "010F010000050111" << 8;
    QTest::newRow("read input registers")
        << "2" << Setup([](Rig& r) { r.f.send_read_data_in(); }) << "020302000008" << 7;
    QTest::newRow("read input coils, link busy") << "2" << Setup([](Rig& r) {
        r.g.linkReady = false;
        r.f.send_read_inp_bits();
    }) << "" << 9;
}

void TestDecode::builders() {
    QFETCH(QString, station);
    QFETCH(Setup, run);
    QFETCH(QString, request);
    QFETCH(int, state);
    Rig r;
    r.f.txt_Modbus_adress->setText(station);
    r.g.linkReady = true;
    run(r);
    QCOMPARE(r.sent(), request);
    QCOMPARE(r.g.commState, state);
    QVERIFY(!r.g.linkReady);
}

void TestDecode::writeValues_data() {
    QTest::addColumn<bool>("config");
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("word"); // empty: the value cannot be sent
    QTest::newRow("tenths") << true << 8 << "21,5"
                            << "00D7";
    QTest::newRow("negative tenths") << true << 16 << "-2"
                                     << "FFEC";
    QTest::newRow("tie to even") << true << 16 << "2,25"
                                 << "0016";
    QTest::newRow("above 32767") << true << 3 << "40000"
                                 << "9C40";
    QTest::newRow("lowest") << true << 7 << "-3276,8"
                            << "8000";
    QTest::newRow("signed integer tie") << true << 35 << "2,5"
                                        << "0002";
    QTest::newRow("input tenths") << false << 0 << "3276,7"
                                  << "7FFF";
    QTest::newRow("input integer") << false << 7 << "-1"
                                   << "FFFF";
    QTest::newRow("beyond 16 bits") << true << 3 << "65536"
                                    << "";
    QTest::newRow("tenths below -32768") << true << 7 << "-3276,9"
                                         << "";
    QTest::newRow("not a number") << true << 20 << "1,2,3"
                                  << "";
    QTest::newRow("input tenths beyond") << false << 0 << "7000"
                                         << "";
}

// A field's value word stands at its register's place in the block that writes it. A value no
// register can take stops the write before anything goes out, as an unanswered request would,
// and the user learns which field holds it.
void TestDecode::writeValues() {
    QFETCH(bool, config);
    QFETCH(int, element);
    QFETCH(QString, text);
    QFETCH(QString, word);
    Rig r;
    int first = 512;
    if (config) {
        r.f.txt_data_cfg(element).setText(text);
        first = element < 12 ? 2 : element < 22 ? 12 : element < 32 ? 22 : 32;
        r.startConfigWrite(first);
    } else {
        r.f.txt_data_in(element).setText(text);
        r.g.commState = 5;
        r.g.startAddress = 0; // the input write starts at 512 by itself
        r.f.alreadyWrite = 0;
        r.g.linkReady = true;
        r.f.Timer1_Timer();
    }
    const int address = config ? element : 512 + element;
    if (!word.isEmpty()) {
        const QString sent = r.sent();
        QCOMPARE(sent.left(8), QStringLiteral("0110") + link::LongToHexStr(first, 2));
        QCOMPARE(sent.mid(14 + 4 * (address - first), 4), word);
        QVERIFY(!r.g.linkReady);
        QVERIFY(r.tp.ui.messages().isEmpty());
        return;
    }
    QVERIFY(r.tp.port.outputs().isEmpty());
    QVERIFY(!r.f.Timer1.enabled());
    QVERIFY(r.f.lbl_desc(16).visible());
    QCOMPARE(r.g.commState, 1);
    QCOMPARE(int(r.f.countWriteRegister), 0);
    QCOMPARE(int(r.tp.ui.messages().size()), 1);
    const QString message = r.tp.ui.messages().first().text;
    QString caption = config ? r.f.lbl_cfg(element).caption() : r.f.lbl_data_in(element).caption();
    caption.remove(QLatin1Char(':'));
    QVERIFY2(message.contains(caption.trimmed()), qPrintable(message));
    QVERIFY2(message.contains(text), qPrintable(message));
    QCOMPARE(r.tp.ui.messages().first().title, app::kAppTitle);
}

// The marks of a configuration write stand until the unit has acknowledged the block range (the
// registers) or the coil group that holds them; an exception reply acknowledges nothing.
void TestDecode::configMarksClearOnAcknowledgement() {
    Rig r;
    r.f.txt_data_cfg(8).setText(QStringLiteral("1,5"));
    r.f.chk_cfg(10).setValue(1);
    QCOMPARE(r.f.txt_data_cfg(8).foreColor(), ColorChanged);
    r.startConfigWrite(2);
    r.reply(QStringLiteral("019004"));
    // The refusal ends the write with its message; the marks stay and the write can be run again.
    QCOMPARE(r.f.txt_data_cfg(8).foreColor(), ColorChanged);
    QCOMPARE(r.g.refDataCfg[8], 0.0);
    QCOMPARE(r.tp.ui.messages().size(), 1);
    QVERIFY(r.f.set_parameter->enabled());
    r.tp.ui.takeMessages();
    r.startConfigWrite(2);
    for (int block : {2, 12, 22, 32}) {
        QCOMPARE(r.f.txt_data_cfg(8).foreColor(), ColorChanged);
        QCOMPARE(r.g.refDataCfg[8], 0.0);
        QCOMPARE(r.sent().left(8), QStringLiteral("0110") + link::LongToHexStr(block, 2));
        r.reply(r.sent().left(12));
        r.f.Timer1_Timer();
    }
    QCOMPARE(r.f.txt_data_cfg(8).foreColor(), ColorButtonText);
    QCOMPARE(r.g.refDataCfg[8], 1.5);
    QCOMPARE(r.sent(), QStringLiteral("010F000000080100"));
    r.reply(QStringLiteral("010F00000008"));
    QCOMPARE(r.f.chk_cfg(10).foreColor(), ColorChanged); // its group is not written yet
    QCOMPARE(r.sent(), QStringLiteral("010F000800060104"));
    r.reply(QStringLiteral("010F00080006"));
    QCOMPARE(r.f.chk_cfg(10).foreColor(), ColorButtonText);
    QCOMPARE(r.f.cmb_bit_cfg(10).foreColor(), ColorButtonText);
    QCOMPARE(r.g.refCfgBits[10], qint16(1));
    QVERIFY(r.tp.ui.messages().isEmpty());
}

void TestDecode::inputMarksClearOnAcknowledgement() {
    Rig r;
    r.f.txt_data_in(0).setText(QStringLiteral("2,5"));
    r.f.chk_inp_bit(3).setValue(1);
    r.g.commState = 5;
    r.g.startAddress = 512;
    r.f.alreadyWrite = 0;
    r.g.linkReady = true;
    r.f.Timer1_Timer();
    QCOMPARE(r.sent().left(14), QStringLiteral("01100200000810"));
    QCOMPARE(r.f.txt_data_in(0).foreColor(), ColorChanged);
    r.reply(QStringLiteral("019004"));
    QCOMPARE(r.f.txt_data_in(0).foreColor(), ColorChanged);
    // The refusal ended the write; it is run again and acknowledged.
    r.g.commState = 5;
    r.g.startAddress = 512;
    r.f.alreadyWrite = 0;
    r.g.linkReady = true;
    r.f.Timer1_Timer();
    r.reply(QStringLiteral("011002000008"));
    QCOMPARE(r.f.txt_data_in(0).foreColor(), ColorButtonText);
    QCOMPARE(r.g.refDataIn[0], 2.5);
    QCOMPARE(r.f.chk_inp_bit(3).foreColor(), ColorChanged);
    QCOMPARE(r.sent(), QStringLiteral("010F010000050108"));
    r.reply(QStringLiteral("010F01000005"));
    QCOMPARE(r.f.chk_inp_bit(3).foreColor(), ColorButtonText);
    QCOMPARE(r.g.refInpBits[3], qint16(1));
}

// A response time the unit takes as a register but the pacing cannot (beyond a signed 16-bit
// number, as only a parameter file can bring) ends the write-back in the decoding failure.
void TestDecode::responseTimeBeyond16BitsFailsTheDecoding() {
    Rig r;
    r.f.txt_data_cfg(6).setText(QStringLiteral("40000"));
    r.startConfigWrite(2);
    for (int block = 0; block < 4; ++block) {
        r.reply(r.sent().left(12));
        r.f.Timer1_Timer();
    }
    QCOMPARE(r.tp.ui.messageTexts(), QStringList{"MSCOMM1_ERROR"});
    QCOMPARE(r.g.commState, 0);
    QVERIFY(!r.f.Timer1.enabled());
    QVERIFY(r.f.chk_read_out->enabled());
    QVERIFY(r.f.read_out_parameter->enabled());
    QVERIFY(!r.f.set_parameter->enabled());
    QCOMPARE(r.f.txt_data_cfg(6).foreColor(), ColorChanged);
}

QTEST_GUILESS_MAIN(TestDecode)
#include "tst_decode.moc"
