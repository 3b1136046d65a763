// The commands without a window, in process on virtual time against the simulated unit: the cases
// that need the unit's insides (faults, pinned live values, its address) or exact timing.

#include "app/global.h"
#include "app/language.h"
#include "cli/cli_texts.h"
#include "cli/runner.h"
#include "forms/clock.h"
#include "link/transaction.h"
#include "monitor/record_texts.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "sim/simcommport.h"
#include "sim/station.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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
        cli::CommandRunner runner(
            cl, clock, port, stores,
            {[this](const QString& l) { out << l; }, [this](const QString& l) { err << l; }});
        runner.start();
        clock.advanceUntil([&runner] { return runner.finished(); }, 600'000);
        return runner.finished() ? runner.exitCode() : -1;
    }

    // Reads the unit out to a file and changes the third piece of one line of it.
    void readOutAndChange(const QString& file, int line, const QString& value) {
        QCOMPARE(run({"--read-out", file}), 0);
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
    QVERIFY2(r.err.last().startsWith("link: requests "), qPrintable(r.err.join('\n')));
    QVERIFY2(r.err.last().contains("exceptions 03x1"), qPrintable(r.err.last()));
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
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::newRow("base setpoint 22,5") << "," << 26 << "22,5" << 0 << "geprüft: das Gerät hat";
    QTest::newRow("blanks around") << "," << 26 << " 22,5 " << 0 << "geprüft: das Gerät hat";
    // A file typed with the comma on a system whose separator is the point: a file error that
    // says why, never "nothing to write" followed by a difference.
    QTest::newRow("22,5 under the point")
        << "." << 26 << "22,5" << 5
        << "Zeile 26, Register 12 (Basissollwert nach Reset): \"22,5\" ist keine Zahl mit dem "
           "Dezimaltrennzeichen \".\"";
    QTest::newRow("base setpoint 999")
        << "," << 26 << "999" << 5
        << "Zeile 26, Register 12 (Basissollwert nach Reset): \"999\" liegt außerhalb der "
           "Grenzen; erlaubt ist -255 bis 255";
    QTest::newRow("bypass time -5")
        << "," << 50 << "-5" << 5 << "Zeile 50, Register 36 (Bypasszeit (min)): \"-5\"";
    QTest::newRow("LED control 36, last register block")
        << "," << 51 << "9" << 5 << "Zeile 51, Register 37 (Ansteuerung LED): \"9\"";
    QTest::newRow("coil 2") << "," << 53 << " 2 " << 5
                            << "Zeile 53, Konfigurationsbit 1 (Raumtemperatur anzeigen): \" 2 \" "
                               "ist kein Zustand einer Coil";
    QTest::newRow("not a number") << "," << 50 << "abc" << 5 << "\"abc\" ist keine Zahl";
    QTest::newRow("1 MB") << "," << 26 << QString(1 << 20, QLatin1Char('9')) << 5
                          << "\"" + QString(40, QLatin1Char('9')) + QChar(0x2026) + "\"";
    QTest::newRow("NUL") << "," << 26 << QStringLiteral("2") + QChar(0) + "5" << 5
                         << "\"2\\x005\" ist keine Zahl";
}

void TstCli::writeChecksTheFileFirst() {
    QFETCH(QString, separator);
    QFETCH(int, line);
    QFETCH(QString, value);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    Rig r;
    r.setStores(QString(), separator);
    const QString file = r.path("w.txt");
    r.readOutAndChange(file, line, value);
    const int served = r.station.requestsServed();
    const quint16 held = r.station.unit().reg(line - 15);
    QCOMPARE(r.run({"--write", file}), exitCode);
    const QString all = (r.out + r.err).join('\n');
    QVERIFY2(all.contains(said), qPrintable(all.left(2000)));
    QVERIFY2(!all.contains(QStringLiteral("nichts zu schreiben")), qPrintable(all.left(2000)));
    if (exitCode == 5) {
        // Nothing at all went to the unit: the port was never opened.
        QCOMPARE(r.station.requestsServed(), served);
        QCOMPARE(r.station.unit().reg(line - 15), held);
        for (const QString& l : std::as_const(r.err))
            QVERIFY2(l.size() < 400, qPrintable(l.left(100)));
    }
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
        QTest::newRow(qPrintable("a coil" + of)) << 53 + 9 << "9" << unit << 4 << "\"9\"";
        QTest::newRow(qPrintable("an incomplete file" + of)) << 70 << "" << unit << 5 << "--diff";
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
        for (const char* scenario :
             {"read-out", "write", "unchanged", "bad value", "missing file", "incomplete file",
              "monitor", "silent unit", "other station", "usage"})
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
    const QString languageId = lang == app::Language::German ? "1031" : "1033";
    own << pattern(app::kAppTitle + QStringLiteral(": ") +
                   link::readOutFailedMessage(9, QStringLiteral("%1"), languageId));
    const QString allowed = lang == app::Language::German ? "erlaubt ist" : "allowed is";
    for (const QString& l : lines) {
        // The link counters belong to the bus options; the monitor's lines are values.
        if (l.startsWith(QLatin1String("link: ")) ||
            QRegularExpression(QStringLiteral("^\\d{4}-")).match(l).hasMatch())
            continue;
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
