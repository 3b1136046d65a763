// The check before a write: what each kind of field takes, what the message says, and that the
// window's Apply sends nothing while any value of the group cannot be sent.

#include "app/program.h"
#include "editor/frm_config.h"
#include "params/register_map.h"
#include "params/write_check.h"
#include "sim/simcommport.h"
#include "sim/station.h"
#include "support/test_program.h"

#include <QTest>

using namespace qtx52;
using params::WriteFault;
using params::WriteKind;

Q_DECLARE_METATYPE(WriteKind)

namespace {

const QString kGerman = QStringLiteral("1031");
const QString kEnglish = QStringLiteral("1033");

} // namespace

class TestWriteCheck : public QObject {
    Q_OBJECT
private slots:
    void check_data();
    void check();
    void window_data();
    void window();
};

void TestWriteCheck::check_data() {
    QTest::addColumn<WriteKind>("kind");
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("line"); // expected German line; empty: the value may be sent
    const WriteKind R = WriteKind::ConfigRegister;
    const WriteKind I = WriteKind::InputRegister;
    const WriteKind C = WriteKind::ConfigCoil;
    const WriteKind B = WriteKind::InputCoil;
    const QString ok;
    QTest::newRow("22,5 under the comma") << R << 11 << "22,5"
                                          << "," << ok;
    QTest::newRow("blanks around") << R << 11 << " 22,5 "
                                   << "," << ok;
    QTest::newRow("22,5 under the point")
        << R << 11 << "22,5"
        << "."
        << "Register 12 (Basissollwert nach Reset): \"22,5\" ist keine Zahl mit dem "
           "Dezimaltrennzeichen \".\"; erlaubt ist -255 bis 255";
    QTest::newRow("22.5 under the comma") << R << 11 << "22.5"
                                          << ","
                                          << "ist keine Zahl";
    QTest::newRow("letters") << R << 35 << "abc"
                             << ","
                             << "Register 36 (Bypasszeit (min)): \"abc\"";
    QTest::newRow("empty") << R << 35 << ""
                           << ","
                           << "\"\" ist keine Zahl";
    QTest::newRow("base setpoint 999")
        << R << 11 << "999"
        << ","
        << "Register 12 (Basissollwert nach Reset): \"999\" liegt außerhalb der Grenzen; erlaubt "
           "ist -255 bis 255";
    QTest::newRow("bypass -5") << R << 35 << "-5"
                               << ","
                               << "erlaubt ist 0 bis 255";
    QTest::newRow("bypass 255") << R << 35 << "255"
                                << "," << ok;
    QTest::newRow("manual value 1000") << R << 29 << "1000"
                                       << "," << ok;
    QTest::newRow("manual value 1001") << R << 29 << "1001"
                                       << ","
                                       << "erlaubt ist 0 bis 1000";
    QTest::newRow("response time 3000") << R << 6 << "3000"
                                        << "," << ok;
    QTest::newRow("response time 3001") << R << 6 << "3001"
                                        << ","
                                        << "erlaubt ist 5 bis 3000";
    QTest::newRow("response time 3") << R << 6 << "3"
                                     << ","
                                     << "erlaubt ist 5 bis 3000";
    QTest::newRow("location code by the arrows") << R << 3 << "32767"
                                                 << "," << ok;
    QTest::newRow("location code beyond 16 bits")
        << R << 3 << "40000"
        << ","
        << "\"40000\" liegt außerhalb der Grenzen; erlaubt ist 0 bis 32767";
    QTest::newRow("device type 0x10") << R << 2 << "16"
                                      << "," << ok;
    QTest::newRow("device type not in the list")
        << R << 2 << "6"
        << ","
        << "erlaubt ist einer der Werte 0, 1, 2, 3, 4, 5, 16, 17";
    QTest::newRow("temperature offset tenths") << R << 7 << "-2,5"
                                               << "," << ok;
    QTest::newRow("a trailing zero") << R << 11 << "21,50"
                                     << "," << ok;
    QTest::newRow("hundredths in a tenths register")
        << R << 11 << "21,55"
        << ","
        << "Register 12 (Basissollwert nach Reset): \"21,55\" hat mehr Nachkommastellen, als das "
           "Register speichert: das Gerät speichert 21,6; erlaubt ist höchstens eine "
           "Nachkommastelle";
    QTest::newRow("tenths in a whole-number register")
        << R << 35 << "22,5"
        << ","
        << "das Gerät speichert 22; erlaubt ist eine ganze Zahl";
    QTest::newRow("hundredths of an input value") << I << 0 << "-3,25"
                                                  << ","
                                                  << "das Gerät speichert -3,2";
    QTest::newRow("external temperature: no value") << I << 0 << "3276,7"
                                                    << "," << ok;
    QTest::newRow("external temperature 150")
        << I << 0 << "150"
        << ","
        << "Externe Temperaturvorgabe: \"150\" liegt außerhalb der Grenzen; erlaubt ist -100 bis "
           "100 oder 3276,7";
    QTest::newRow("occupancy 2") << I << 4 << "2"
                                 << ","
                                 << "erlaubt ist einer der Werte 0, 1";
    QTest::newRow("coil 1") << C << 0 << " 1 "
                            << "," << ok;
    QTest::newRow("coil 2")
        << C << 0 << "2"
        << ","
        << "Konfigurationsbit 1 (Raumtemperatur anzeigen): \"2\" ist kein Zustand einer Coil; "
           "erlaubt ist 0 oder 1";
    QTest::newRow("input coil 2") << B << 4 << "2"
                                  << ","
                                  << "Ansteuerung LED: \"2\" ist kein";
    QTest::newRow("control characters") << R << 11 << QStringLiteral("2\t2\n") + QChar(0) << ","
                                        << "\"2\\t2\\n\\x00\" ist keine Zahl";
}

void TestWriteCheck::check() {
    QFETCH(WriteKind, kind);
    QFETCH(int, element);
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(QString, line);
    const std::vector<params::WriteProblem> problems =
        params::checkWrite({{kind, element, text}}, separator);
    QCOMPARE(problems.size(), std::size_t(line.isEmpty() ? 0 : 1));
    if (line.isEmpty())
        return;
    const QStringList german = params::problemLines(problems, kGerman, separator);
    QVERIFY2(german.value(0).contains(line), qPrintable(german.value(0)));
    // The same problem in English names the field by its English caption.
    const QString english = params::problemLines(problems, kEnglish, separator).value(0);
    QVERIFY2(english.contains(QStringLiteral("allowed is")) && !english.contains("erlaubt"),
             qPrintable(english));
}

void TestWriteCheck::window_data() {
    QTest::addColumn<QString>("box"); // "cfg", "in", "coil" or "inbit"
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("said"); // in the message box; empty: the write goes out
    QTest::newRow("good base setpoint") << "cfg" << 11 << "22,5" << QString();
    QTest::newRow("base setpoint 999") << "cfg" << 11 << "999"
                                       << "Register 12 (Basissollwert nach Reset): \"999\"";
    QTest::newRow("bypass time -5") << "cfg" << 35 << "-5"
                                    << "Register 36 (Bypasszeit (min)): \"-5\"";
    QTest::newRow("coil 2 from a file") << "coil" << 3 << "2"
                                        << "Sollwert Temperatur anzeigen";
    QTest::newRow("manual output 2000") << "in" << 6 << "2000"
                                        << "Handwert Ausgang 1: \"2000\"";
    QTest::newRow("base setpoint 21,55") << "cfg" << 11 << "21,55"
                                         << "das Gerät speichert 21,6";
}

// The unit is read out, one box gets the value, Apply: either the write goes out, or nothing is
// sent, the message names the field and the editor keeps the value for correcting.
void TestWriteCheck::window() {
    QFETCH(QString, box);
    QFETCH(int, element);
    QFETCH(QString, value);
    QFETCH(QString, said);
    testing::TestProgram tp;
    sim::Station station{tp.clock};
    sim::SimCommPort port{tp.clock, station};
    station.unit().setLiveMotion(false);
    app::Program p{
        tp.clock, port, tp.ui,
        settings::StorePaths{tp.dir.filePath("machine.ini"), tp.dir.filePath("user.ini")}};
    app::Main(p);
    editor::frm_config& f = p.frm_config();
    f.Combo_Port(6).setListIndex(1); // open
    f.cmd_read_device->userClick();
    QVERIFY(
        tp.clock.advanceUntil([&] { return p.g.commState == 0 && !p.frmStateLoaded(); }, 30000));
    QVERIFY(tp.ui.takeMessages().isEmpty());

    if (box == QLatin1String("cfg"))
        f.txt_data_cfg(element).setText(value);
    else if (box == QLatin1String("in"))
        f.txt_data_in(element).setText(value);
    else
        f.chk_cfg(element).setValue(value.toInt());
    QVERIFY(f.set_parameter->enabled());
    port.clearSent();
    f.set_parameter->userClick();
    tp.clock.advance(3000);

    const QList<testing::ScriptedUi::Message> messages = tp.ui.takeMessages();
    if (said.isEmpty()) {
        QVERIFY(messages.isEmpty());
        QVERIFY(!port.sent().empty());
        return;
    }
    QVERIFY(port.sent().empty());
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].text.contains(said), qPrintable(messages[0].text));
    QVERIFY(messages[0].text.startsWith(QStringLiteral("Die Werte wurden nicht")));
    QVERIFY(!p.frmStateLoaded());
    QVERIFY(f.set_parameter->enabled());
}

QTEST_GUILESS_MAIN(TestWriteCheck)
#include "tst_write_check.moc"
