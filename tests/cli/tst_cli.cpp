// The commands without a window, in process on virtual time against the simulated unit: the cases
// that need the unit's insides (faults, pinned live values, its address) or exact timing.

#include "app/global.h"
#include "app/language.h"
#include "bus/bus_texts.h"
#include "cli/cli_texts.h"
#include "cli/runner.h"
#include "cli/scan.h"
#include "forms/clock.h"
#include "link/port_texts.h"
#include "link/transaction.h"
#include "monitor/record_texts.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "sim/roomunit.h"
#include "sim/simcommport.h"
#include "sim/station.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>

using namespace qtx52;

namespace {

struct Rig {
    forms::ManualClock clock;
    sim::Station station{clock};
    sim::SimCommPort port{clock, station};
    QTemporaryDir dir;
    QStringList out;
    QStringList err;

    Rig() {
        setStores(QString(), QStringLiteral(","));
        // The unit takes whatever line settings the program opens with.
        port.setOpenObserver([this](const link::LineSettings& line) {
            station.setLineSettings(line);
            station.setFraming(line.dataBits == 7 ? sim::Framing::Ascii : sim::Framing::Rtu);
        });
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    // The interface language ("1033", "1031" or none) and the decimal separator.
    void setStores(const QString& language, const QString& separator) {
        QFile user(path("user.ini"));
        if (!user.open(QIODevice::WriteOnly))
            qFatal("cannot write the user settings");
        user.write(QStringLiteral("[Control Panel\\International]\n\"sDecimal\"=\"%1\"\n")
                       .arg(separator)
                       .toUtf8());
        QFile machine(path("machine.ini"));
        if (!machine.open(QIODevice::WriteOnly))
            qFatal("cannot write the machine settings");
        if (!language.isEmpty())
            machine.write(QStringLiteral("[SOFTWARE\\Korvatek\\QTX52-RS485-MODBUS]\n"
                                         "\"Language\"=\"%1\"\n")
                              .arg(language)
                              .toUtf8());
    }

    int run(const QStringList& arguments) {
        out.clear();
        err.clear();
        const cli::CommandLine cl = cli::parseCommandLine(QStringList{"qtx52-config"} + arguments);
        // No machine settings: German texts.
        const settings::StorePaths stores{path("machine.ini"), path("user.ini")};
        const cli::CommandOutput output{[this](const QString& l) { out << l; },
                                        [this](const QString& l) { err << l; }};
        if (cl.command == cli::CommandLine::Command::Scan) {
            cli::ScanRunner scan(cl, clock, port, stores, output);
            scan.start();
            clock.advanceUntil([&scan] { return scan.finished(); }, 600'000);
            return scan.finished() ? scan.exitCode() : -1;
        }
        cli::CommandRunner runner(cl, clock, port, stores, output);
        runner.start();
        clock.advanceUntil([&runner] { return runner.finished(); }, 600'000);
        return runner.finished() ? runner.exitCode() : -1;
    }

    // Reads the unit out to a file and changes the third piece of one line of it.
    void readOutAndChange(const QString& file, int line, const QString& value) {
        QCOMPARE(run({"--read-out", file}), 0);
        change(file, line, value);
    }
    void change(const QString& file, int line, const QString& value) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromLatin1(f.readAll()).split("\r\n");
        f.close();
        QStringList pieces = lines[line - 1].split(';');
        pieces[2] = value;
        lines[line - 1] = pieces.join(';');
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(lines.join("\r\n").toLatin1());
    }
    // Frames that write (functions 0F and 10) sent since the port's log was cleared.
    int writesSent() const {
        int writes = 0;
        for (const sim::SimCommPort::Sent& s : port.sent()) {
            const quint8 function = s.frame.startsWith(':')
                                        ? quint8(s.frame.mid(3, 2).toInt(nullptr, 16))
                                        : (s.frame.size() > 1 ? quint8(s.frame.at(1)) : quint8(0));
            writes += function == 0x0F || function == 0x10;
        }
        return writes;
    }
};

} // namespace

class TstCli : public QObject {
    Q_OBJECT
private slots:
    void refusedValueIsALinkFailure();
    void lateRepliesDoNotCutTheReadOut();
    void monitorLinesHoldTheLiveRegisters();
    void writesToTheStationOfTheCommandLine();
    void writeChecksTheFileFirst_data();
    void writeChecksTheFileFirst();
    void writesBackWhatItReadOut_data();
    void writesBackWhatItReadOut();
    void speaksTheInterfaceLanguage_data();
    void speaksTheInterfaceLanguage();
    void diffOfTwoSets_data();
    void diffOfTwoSets();
};

void TstCli::refusedValueIsALinkFailure() {
    Rig r;
    const QString file = r.path("a.txt");
    // Maximum heating limit 150 %: the unit answers exception 03, which the link never takes.
    r.readOutAndChange(file, 15 + 18, "150");
    QCOMPARE(r.run({"--write", file}), 6);
    QVERIFY2(r.err.join('\n').contains(QStringLiteral("Wert abgelehnt")),
             qPrintable(r.err.join('\n')));
    // A failed command always ends with the link counters, which saw the refusal.
    QVERIFY2(r.err.last().startsWith("Bus: Anfragen "), qPrintable(r.err.join('\n')));
    QVERIFY2(r.err.last().contains("Ausnahmen 1 (03: 1)"), qPrintable(r.err.last()));
    QCOMPARE(r.station.unit().reg(18), quint16(100));
    QVERIFY(!r.port.portOpen());
}

void TstCli::lateRepliesDoNotCutTheReadOut() {
    Rig r;
    // No response time at 57600 baud: the status window's limit is still never shorter than the
    // link needs to give up on a request, so replies 300 ms late do not cut the read-out.
    r.station.unit().setReg(6, 0);
    r.station.faults().setLateReply(300, 2);
    QCOMPARE(r.run({"--read-out", r.path("b.txt"), "--baud", "57600"}), 0);
    QVERIFY(QFile::exists(r.path("b.txt")));
}

void TstCli::monitorLinesHoldTheLiveRegisters() {
    Rig r;
    r.station.unit().setLiveMotion(false);
    r.station.unit().setReg(258, quint16(-35)); // -3,5 °C
    const QString log = r.path("live.csv");
    QCOMPARE(r.run({"--monitor", "2", "--quiet", "--log", log}), 0);
    QVERIFY(r.err.isEmpty());
    // The header first, then one line per cycle; the file of --log holds the same lines.
    QCOMPARE(r.out.size(), 1 + 2);
    // Without a read-out the units are not known: the columns are named without them.
    QVERIFY2(r.out.first().startsWith("Zeit;Taster Status;Taster Speicher;Temperatur;Sollwert "
                                      "Offset;"),
             qPrintable(r.out.first()));
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), r.out.join("\r\n") + "\r\n");
    r.out.removeFirst();
    QStringList expected;
    for (int k = 0; k < 18; ++k) {
        const quint16 raw = r.station.unit().reg(256 + k);
        const bool tenths = params::monitorEncoding(256 + k) == params::Encoding::SignedTenths;
        expected << params::formatNumber(tenths ? qint16(raw) / 10.0 : raw, ",");
    }
    QCOMPARE(expected.at(2), QStringLiteral("-3,5"));
    for (const QString& line : std::as_const(r.out))
        QCOMPARE(line.split(';').mid(1, 18), expected);
}

void TstCli::writesToTheStationOfTheCommandLine() {
    Rig r;
    const QString file = r.path("c.txt");
    r.readOutAndChange(file, 15 + 35, "90"); // bypass time
    QVERIFY(r.station.setAddress(5));
    QCOMPARE(r.run({"--write", file, "--address", "5"}), 0);
    QCOMPARE(r.station.unit().reg(35), quint16(90));
    QVERIFY2(r.err.join('\n').contains("von Station \"1\" gespeichert; geschrieben wird Station 5"),
             qPrintable(r.err.join('\n')));
    QVERIFY(r.out.last().startsWith(QStringLiteral("geprüft")));
}

void TstCli::writeChecksTheFileFirst_data() {
    QTest::addColumn<QString>("separator");
    QTest::addColumn<int>("line"); // whose third piece the file gets
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("line2"); // a second line changed, 0: none
    QTest::addColumn<QString>("value2");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("reads"); // whether the unit is read before the verdict
    QTest::addColumn<QStringList>("said");
    const QString ok = "geprüft: das Gerät hat";
    QTest::newRow("base setpoint 22,5")
        << "," << 26 << "22,5" << 0 << "" << 0 << true
        << QStringList{"zu ändernde Felder: 1 (Gerät -> Datei)",
                       "Register 12: Basissollwert nach Reset: 21 -> 22,5",
                       "; geänderte Felder: 1"};
    QTest::newRow("blanks around, two fields")
        << "," << 26 << " 22,5 " << 50 << "90" << 0 << true
        << QStringList{"Register 36: Bypasszeit (min): 60 -> 90", "; geänderte Felder: 2"};
    // A file typed with the comma on a system whose separator is the point: a file error that
    // says why, never "nothing to write" followed by a difference.
    QTest::newRow("22,5 under the point")
        << "." << 26 << "22,5" << 0 << "" << 5 << false
        << QStringList{"Zeile 26, Register 12 (Basissollwert nach Reset): \"22,5\" ist keine Zahl "
                       "mit dem Dezimaltrennzeichen \".\""};
    QTest::newRow("hundredths") << "," << 26 << "21,55" << 0 << "" << 5 << false
                                << QStringList{"\"21,55\" hat mehr Nachkommastellen, als das "
                                               "Register speichert: das Gerät speichert 21,6"};
    QTest::newRow("base setpoint 999")
        << "," << 26 << "999" << 0 << "" << 5 << true
        << QStringList{"Zeile 26, Register 12 (Basissollwert nach Reset): \"999\" liegt außerhalb "
                       "der Grenzen; erlaubt ist -255 bis 255"};
    QTest::newRow("bypass time -5")
        << "," << 50 << "-5" << 0 << "" << 5 << true
        << QStringList{"Zeile 50, Register 36 (Bypasszeit (min)): \"-5\""};
    QTest::newRow("LED control 36, last register block")
        << "," << 51 << "9" << 0 << "" << 5 << true
        << QStringList{"Zeile 51, Register 37 (Ansteuerung LED): \"9\""};
    QTest::newRow("coil 2") << "," << 53 << " 2 " << 0 << "" << 5 << false
                            << QStringList{"Zeile 53, Konfigurationsbit 1 (Raumtemperatur "
                                           "anzeigen): \" 2 \" ist kein Zustand einer Coil"};
    QTest::newRow("not a number") << "," << 50 << "abc" << 0 << "" << 5 << false
                                  << QStringList{"\"abc\" ist keine Zahl"};
    QTest::newRow("1 MB") << "," << 26 << QString(1 << 20, QLatin1Char('9')) << 0 << "" << 5
                          << false
                          << QStringList{"\"" + QString(40, QLatin1Char('9')) + QChar(0x2026) +
                                         "\""};
    QTest::newRow("NUL") << "," << 26 << QStringLiteral("2") + QChar(0) + "5" << 0 << "" << 5
                         << false << QStringList{"\"2\\x005\" ist keine Zahl"};
    QTest::newRow("another kind of unit")
        << "," << 15 << "99" << 50 << "90" << 7 << true
        << QStringList{"ist für eine andere Art von Gerät: Gerätecodierung 99 in der Datei, 82 im "
                       "Gerät; nichts wurde geschrieben"};
    QTest::newRow("other firmware") << "," << 16 << "300" << 50 << "90" << 0 << true
                                    << QStringList{"gespeichert, das Gerät hat Firmware 261", ok};
    // The lines moved: the file is refused before the port opens, with the line at fault.
    QTest::newRow("a line doubled")
        << "," << 34 << "" << 0 << "" << 5 << false
        << QStringList{"wird nicht verwendet: Zeile 35: Register 20 steht ein zweites Mal da"};
}

void TstCli::writeChecksTheFileFirst() {
    QFETCH(QString, separator);
    QFETCH(int, line);
    QFETCH(QString, value);
    QFETCH(int, line2);
    QFETCH(QString, value2);
    QFETCH(int, exitCode);
    QFETCH(bool, reads);
    QFETCH(QStringList, said);
    Rig r;
    r.setStores(QString(), separator);
    const QString file = r.path("w.txt");
    r.readOutAndChange(file, line, value);
    if (line2 > 0)
        r.change(file, line2, value2);
    if (QByteArray(QTest::currentDataTag()) == "a line doubled") {
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QList<QByteArray> lines = f.readAll().split('\n');
        lines.insert(line, lines.at(line - 1));
        f.resize(0);
        f.write(lines.join('\n'));
    }
    const int served = r.station.requestsServed();
    const quint16 held = r.station.unit().reg(line - 15);
    r.port.clearSent();
    QCOMPARE(r.run({"--write", file}), exitCode);
    const QString all = (r.out + r.err).join('\n');
    for (const QString& s : std::as_const(said))
        QVERIFY2(all.contains(s), qPrintable(all.left(2000)));
    QVERIFY2(!all.contains(QStringLiteral("nichts zu schreiben")), qPrintable(all.left(2000)));
    // Nothing at all went to the unit on a refusal; the port was opened only where the verdict
    // needs the unit's values.
    QCOMPARE(r.station.requestsServed() != served, reads);
    if (exitCode != 0) {
        QCOMPARE(r.writesSent(), 0);
        QCOMPARE(r.station.unit().reg(line - 15), held);
        for (const QString& l : std::as_const(r.err))
            QVERIFY2(l.size() < 400, qPrintable(l.left(100)));
    }
}

void TstCli::writesBackWhatItReadOut_data() {
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 6; ++seed)
        QTest::addRow("image %u", seed) << seed;
}

// A unit holding values the editor would not let a person type (another tool, a factory value) is
// read out, one field of the file is edited, and the file goes back: everything else the unit
// holds goes back as it is.
void TstCli::writesBackWhatItReadOut() {
    QFETCH(quint32, seed);
    Rig r;
    QRandomGenerator random(seed);
    for (int a = params::kConfigWriteFirst; a < params::kConfigCount; ++a) {
        if (a == params::kResponseTimeRegister)
            continue;
        quint16 v = 0;
        do
            v = random.bounded(2) ? quint16(random.bounded(1200)) : quint16(random.generate());
        while (!sim::RoomUnit::acceptsValue(a, v));
        r.station.unit().setReg(a, v);
    }
    for (int c = 0; c < params::kConfigCoilCount; ++c)
        r.station.unit().setCoil(c, random.bounded(2));
    std::array<quint16, params::kConfigCount> image{};
    for (int a = 0; a < params::kConfigCount; ++a)
        image[std::size_t(a)] = r.station.unit().reg(a);
    const quint16 bypass = image[35] == 90 ? 91 : 90;
    const QString file = r.path("image.txt");
    r.readOutAndChange(file, 15 + 35, QString::number(bypass));
    QCOMPARE(r.run({"--write", file}), 0);
    image[35] = bypass;
    for (int a = 0; a < params::kConfigCount; ++a)
        QCOMPARE(r.station.unit().reg(a), image[std::size_t(a)]);
}

void TstCli::diffOfTwoSets_data() {
    QTest::addColumn<int>("line"); // of the second file changed, 0: none
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("againstUnit");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // the one line of a difference, or the summary
    for (bool unit : {false, true}) {
        const QString of = unit ? " against the unit" : " of two files";
        QTest::newRow(qPrintable("same" + of)) << 0 << "" << unit << 0 << "dieselben Werte";
        // A number written otherwise is the same value.
        QTest::newRow(qPrintable("blanks and a point" + of))
            << 15 + 6 << " 10.0 " << unit << 0 << "dieselben Werte";
        QTest::newRow(qPrintable("a register" + of))
            << 15 + 6 << "25" << unit << 4 << "Register 7: Min-Response-Time";
        QTest::newRow(qPrintable("a coil" + of))
            << 53 + 1 << " 1 " << unit << 4 << "Konfigurationsbit 2: Feuchtewert anzeigen";
        QTest::newRow(qPrintable("an incomplete file" + of))
            << 70 << "" << unit << 5 << "wird nicht verwendet: Zeile";
    }
}

void TstCli::diffOfTwoSets() {
    QFETCH(int, line);
    QFETCH(QString, value);
    QFETCH(bool, againstUnit);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    Rig r;
    const QString a = r.path("a.txt");
    const QString b = r.path("b.txt");
    QCOMPARE(r.run({"--read-out", b}), 0);
    if (line > 66) {
        QFile f(b);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray head = f.readAll().left(500);
        f.close();
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(head);
    } else if (line > 0) {
        r.readOutAndChange(b, line, value);
    }
    // The changed file is compared with the unit's own set: read out now, or in a file.
    int code = 0;
    if (againstUnit) {
        code = r.run({"--diff", b});
    } else {
        QCOMPARE(r.run({"--read-out", a}), 0);
        cli::CommandLine cl = cli::parseCommandLine({"qtx52-config", "--diff", a, b});
        QVERIFY(cl.error.isEmpty());
        r.out.clear();
        r.err.clear();
        code = cli::runFileDiff(
            cl, {[&](const QString& l) { r.out << l; }, [&](const QString& l) { r.err << l; }},
            app::Language::German);
    }
    const QString all = (r.out + r.err).join('\n');
    QCOMPARE(code, exitCode);
    QVERIFY2(all.contains(said), qPrintable(all));
    QCOMPARE(r.out.size(), exitCode == 4 ? 1 : 0);
}

void TstCli::speaksTheInterfaceLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("scenario");
    for (const char* language : {"1031", "1033"})
        for (const char* scenario : {"read-out", "write", "unchanged", "bad value", "missing file",
                                     "incomplete file", "monitor", "silent unit", "other station",
                                     "usage", "scan", "scan, nobody", "scan, adapter lost"})
            QTest::addRow("%s %s", language, scenario) << language << scenario;
}

// Every line a command prints is one of the texts of the interface's language; none is in the
// other language.
void TstCli::speaksTheInterfaceLanguage() {
    QFETCH(QString, language);
    QFETCH(QString, scenario);
    Rig r;
    const QString file = r.path("p.txt");
    if (scenario != QLatin1String("read-out") && scenario != QLatin1String("usage"))
        r.readOutAndChange(file, 15 + 35, scenario == QLatin1String("bad value") ? "-1" : "90");
    r.setStores(language, ",");
    const app::Language lang = cli::languageOf(language);

    QStringList arguments;
    if (scenario == QLatin1String("read-out")) {
        arguments = {"--read-out", file};
    } else if (scenario == QLatin1String("monitor")) {
        arguments = {"--monitor", "1"};
    } else if (scenario == QLatin1String("silent unit")) {
        arguments = {"--read-out", file, "--address", "9"};
    } else if (scenario.startsWith(QLatin1String("scan"))) {
        // Unit 1 found at once; stations without one at every setting; an adapter pulled while
        // the stations of the first setting are probed.
        arguments = {"--scan", "--stats", "--scan-stations",
                     scenario == QLatin1String("scan")           ? "1-3"
                     : scenario == QLatin1String("scan, nobody") ? "5-8"
                                                                 : "5-40"};
    } else if (scenario == QLatin1String("usage")) {
        arguments = {"--baud", "4800"};
    } else if (scenario == QLatin1String("missing file")) {
        arguments = {"--write", r.path("none.txt")};
    } else if (scenario == QLatin1String("incomplete file")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("Korvatek\r\n");
        arguments = {"--write", file};
    } else if (scenario == QLatin1String("other station")) {
        QVERIFY(r.station.setAddress(4));
        arguments = {"--write", file, "--address", "4"};
    } else {
        if (scenario == QLatin1String("unchanged"))
            QCOMPARE(r.run({"--write", file}), 0);
        arguments = {"--write", file};
    }
    std::unique_ptr<forms::ClockTimer> pull;
    if (scenario == QLatin1String("scan, adapter lost")) {
        pull = r.clock.createTimer([&r] { r.port.loseDevice(); }, /*singleShot=*/true);
        pull->start(1000);
    }
    r.run(arguments);
    const QStringList lines = r.out + r.err;
    QVERIFY(!lines.isEmpty());

    // A template of the table as a pattern: its words exactly, anything where a value goes.
    const auto pattern = [](const QString& text) {
        QStringList pieces;
        for (const QString& piece : text.split(QRegularExpression(QStringLiteral("%[1-9]"))))
            pieces << QRegularExpression::escape(piece);
        return QRegularExpression(QLatin1Char('^') + pieces.join(QStringLiteral(".*")) +
                                  QLatin1Char('$'));
    };
    QList<QRegularExpression> own;
    QList<QRegularExpression> others;
    for (const cli::CliTextEntry& e : cli::cliTextTable()) {
        const QString mine = lang == app::Language::German ? e.de : e.en;
        const QString theirs = lang == app::Language::German ? e.en : e.de;
        own << pattern(mine);
        if (theirs != mine)
            others << pattern(theirs);
    }
    // The window's own notice and refusals speak the language by themselves.
    for (const app::ControlText& t : app::mainWindowTexts())
        if (t.control == QLatin1String("lbl_desc") && t.index == 16)
            own << pattern(lang == app::Language::German ? t.de : t.en);
    // So does the port's loss.
    own << pattern(
        link::deviceLostText({1, QStringLiteral("%1"), link::CommCause::Lost, QStringLiteral("%2")},
                             lang == app::Language::English));
    const QString languageId = lang == app::Language::German ? "1031" : "1033";
    own << pattern(app::kAppTitle + QStringLiteral(": ") +
                   link::readOutFailedMessage(9, QStringLiteral("%1"), languageId));
    const QString allowed = lang == app::Language::German ? "erlaubt ist" : "allowed is";
    for (const QString& l : lines) {
        // The monitor's lines and the units the scan found are values.
        if (QRegularExpression(QStringLiteral("^\\d{4}-|^station=")).match(l).hasMatch())
            continue;
        // The link counters name their counts in the language.
        if (l.startsWith(cli::cliText(cli::CliText::LinkCounters, lang).chopped(2)))
            QVERIFY2(
                l.contains(bus::busText(bus::BusText::Requests, lang == app::Language::English)),
                qPrintable(l));
        // The monitor's header names its columns in the language (the recorder's own table).
        const bool english = lang == app::Language::English;
        if (l.count(QLatin1Char(';')) >= params::kMonitorCount) {
            QVERIFY2(l.startsWith(monitor::recordText(monitor::RecordText::TimeColumn, english) +
                                  QLatin1Char(';')),
                     qPrintable(l));
            continue;
        }
        if (l.startsWith(QLatin1String("  "))) { // a value the check refused
            QVERIFY2(l.contains(allowed), qPrintable(l));
            continue;
        }
        bool mine = false;
        for (const QRegularExpression& re : std::as_const(own))
            mine = mine || re.match(l).hasMatch();
        bool theirs = false;
        for (const QRegularExpression& re : std::as_const(others))
            theirs = theirs || re.match(l).hasMatch();
        QVERIFY2(mine, qPrintable(QStringLiteral("not a line of the language: ") + l));
        if (theirs) {
            // Only a line that reads the same in both languages may match the other's pattern.
            bool alsoMine = false;
            for (const cli::CliTextEntry& e : cli::cliTextTable())
                alsoMine = alsoMine ||
                           (pattern(e.de).match(l).hasMatch() && pattern(e.en).match(l).hasMatch());
            QVERIFY2(alsoMine, qPrintable(QStringLiteral("a line of the other language: ") + l));
        }
    }
}

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
