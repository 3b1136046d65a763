#include "editor/frm_config.h"
#include "files/parameter_file.h"
#include "support/test_program.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTest>

#include <functional>
#include <optional>

using namespace qtx52;
using editor::frm_config;

namespace {

// The parameter set of the reference files: register texts 0..37 with "," as separator, coils.
const QStringList kRegisters = {"82", "261", "1", "0",  "32",  "5",  "10", "-1,5", "2,5", "3",
                                "3",  "21",  "1", "3",  "1",   "1",  "2",  "15",   "100", "0",
                                "10", "1",   "2", "15", "100", "0",  "10", "1",    "8",   "0",
                                "0",  "1",   "1", "1",  "1",   "60", "1",  "1"};
const QList<int> kCoils = {1, 0, 1, 1, 0, 0, 1, 0, 0, 1, 0, 0, 2, 1};

QString registerText(int i, const QString& separator) {
    return QString(kRegisters.at(i)).replace(QLatin1Char(','), separator);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QString reference(const QString& language) {
    // The tests folder as the build named it: a compiler cache may hand the compiler relative
    // paths, which QFINDTESTDATA would look for from the wrong folder.
    return QStringLiteral(QT_TESTCASE_SOURCEDIR "/files/data/parameters_%1.txt").arg(language);
}

struct Rig {
    testing::TestProgram tp;
    app::Program& p = tp.program();
    app::Global& g = tp.g();
    frm_config& f;

    explicit Rig(const QString& language = QStringLiteral("de"))
        : tp(storesFor(language)), f(start(tp.program())) {}
    static testing::StoreValues storesFor(const QString& language) {
        testing::StoreValues v;
        const bool en = language == QLatin1String("en");
        v.language = en ? QStringLiteral("1033") : QStringLiteral("1031");
        v.decimalSeparator = en ? QStringLiteral(".") : QStringLiteral(",");
        return v;
    }
    static frm_config& start(app::Program& p) {
        app::Main(p);
        return p.frm_config();
    }
    QString path(const QString& name) const { return tp.dir.filePath(name); }
    // The file menu's commands, whether or not the menu offers them yet, dropping the editor's
    // edits without saving them.
    void save(const QString& path) {
        tp.ui.queueSaveFileName(path);
        if (QFileInfo::exists(path))
            tp.ui.queueYesNo(true);
        f.ParMenüMain_Click(2);
    }
    void load(const QString& path) {
        tp.ui.queueOpenFileName(path);
        if (f.hasUnsavedEdits())
            tp.ui.queueUnsavedWork(app::UserInteraction::UnsavedWork::Discard);
        f.ParMenüMain(1).userClick();
    }
    QStringList registerTexts() const {
        QStringList out;
        for (int i = 0; i <= 37; ++i)
            out << f.txt_data_cfg(i).text();
        return out;
    }
    QList<int> coils() const {
        QList<int> out;
        for (int i = 0; i <= 13; ++i)
            out << f.chk_cfg(i).value();
        return out;
    }
    // Fields that a load must not touch unless the file says so, all different from the files'.
    void fillBaseline() {
        for (int i = 0; i <= 37; ++i)
            f.txt_data_cfg(i).setText(QString());
        for (int i = 0; i <= 13; ++i)
            f.chk_cfg(i).setValue(i == 12 ? 0 : 2);
        f.txt_Modbus_adress->setText(QStringLiteral("42"));
    }
};

} // namespace

class TestParameterFile : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void saveMatchesReference_data();
    void saveMatchesReference();
    void parityLine_data();
    void parityLine();
    void versionLine_data();
    void versionLine();
    void loadReference_data();
    void loadReference();
    void roundTrip_data();
    void roundTrip();
    void loadDamaged_data();
    void loadDamaged();
    void loadUnreadable_data();
    void loadUnreadable();
    void cancelDoesNothing();
    void writeButton_data();
    void writeButton();
    void saveFailureKeepsOldFile_data();
    void saveFailureKeepsOldFile();
    void exitStopsTimersAndQuits();
    void codePage_data();
    void codePage();
};

void TestParameterFile::cleanup() {
    files::setParameterFileClock({});
    QLocale::setDefault(QLocale::system());
}

void TestParameterFile::saveMatchesReference_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("baud");   // selector position
    QTest::addColumn<int>("mode");   // 0 ASCII, 1 RTU
    QTest::addColumn<int>("parity"); // 0 None, 1 Even, 2 Odd
    QTest::addColumn<QString>("address");
    QTest::newRow("German") << "de" << QLocale(QLocale::German, QLocale::Germany) << 0 << 1 << 1
                            << "17";
    QTest::newRow("English") << "en" << QLocale(QLocale::English, QLocale::UnitedKingdom) << 1 << 0
                             << 2 << "5";
}

void TestParameterFile::saveMatchesReference() {
    QFETCH(QString, language);
    QFETCH(QLocale, locale);
    QFETCH(int, baud);
    QFETCH(int, mode);
    QFETCH(int, parity);
    QFETCH(QString, address);
    QLocale::setDefault(locale);
    files::setParameterFileClock([] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); });
    Rig r(language);
    r.f.Combo_Port(1).setListIndex(baud);
    r.f.Combo_Port(5).setListIndex(mode);
    r.f.Combo_Port(2).setListIndex(parity);
    r.f.txt_Modbus_adress->setText(address);
    for (int i = 0; i <= 37; ++i)
        r.f.txt_data_cfg(i).setText(registerText(i, r.g.decimalSeparator));
    for (int i = 0; i <= 13; ++i)
        r.f.chk_cfg(i).setValue(kCoils.at(i));
    QCOMPARE(r.registerTexts().join('|'),
             QString(kRegisters.join('|')).replace(QLatin1Char(','), r.g.decimalSeparator));

    const QString out = r.path(QStringLiteral("saved.txt"));
    r.save(out);
    QCOMPARE(r.tp.ui.fileFilters(), QStringList{"Textfile (*.txt)|*.txt"});
    QCOMPARE(r.tp.ui.messages().size(), 0);
    const QByteArray expected = readAll(reference(language));
    QVERIFY(!expected.isEmpty());
    const QList<QByteArray> got = readAll(out).split('\n');
    const QList<QByteArray> want = expected.split('\n');
    for (int i = 0; i < qMin(got.size(), want.size()); ++i)
        QCOMPARE(got.at(i), want.at(i)); // names the first line that differs
    QCOMPARE(readAll(out), expected);
}

void TestParameterFile::parityLine_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("none") << 0 << QByteArray("Parit\xE4t: None");
    QTest::newRow("even") << 1 << QByteArray("Parit\xE4t: Even");
    QTest::newRow("odd") << 2 << QByteArray("Parit\xE4t: Odd");
}

void TestParameterFile::parityLine() {
    QFETCH(int, position);
    QFETCH(QByteArray, line);
    Rig r;
    r.f.Combo_Port(2).setListIndex(position);
    r.save(r.path(QStringLiteral("p.txt")));
    QCOMPARE(readAll(r.path(QStringLiteral("p.txt"))).split('\n').value(9), line + '\r');
}

void TestParameterFile::versionLine_data() {
    QTest::addColumn<std::optional<QString>>("stored");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("missing") << std::optional<QString>() << "," << QByteArray("Version:  0 ");
    QTest::newRow("not a number") << std::optional<QString>("v2") << ","
                                  << QByteArray("Version:  0 ");
    QTest::newRow("point under comma")
        << std::optional<QString>("1.5") << "," << QByteArray("Version:  1,5 ");
    QTest::newRow("point under point")
        << std::optional<QString>("2.25") << "." << QByteArray("Version:  2.25 ");
    QTest::newRow("comma under comma")
        << std::optional<QString>("3,1") << "," << QByteArray("Version:  3,1 ");
    QTest::newRow("negative") << std::optional<QString>("-1") << "," << QByteArray("Version: -1 ");
}

void TestParameterFile::versionLine() {
    QFETCH(std::optional<QString>, stored);
    QFETCH(QString, separator);
    QFETCH(QByteArray, line);
    testing::StoreValues v;
    v.lcdVersion = stored;
    v.version = QStringLiteral("9.9"); // the other product key's version is not the file's
    v.decimalSeparator = separator;
    testing::TestProgram tp(v);
    app::Main(tp.program());
    tp.ui.queueSaveFileName(tp.dir.filePath(QStringLiteral("v.txt")));
    tp.program().frm_config().ParMenüMain_Click(2);
    QCOMPARE(readAll(tp.dir.filePath(QStringLiteral("v.txt"))).split('\n').value(4), line + '\r');
}

void TestParameterFile::loadReference_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("interface");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("separator"); // of the file's register texts
    QTest::newRow("German file, German interface") << "de"
                                                   << "de"
                                                   << "17"
                                                   << ",";
    QTest::newRow("English file, German interface") << "en"
                                                    << "de"
                                                    << "5"
                                                    << ".";
    QTest::newRow("German file, English interface") << "de"
                                                    << "en"
                                                    << "17"
                                                    << ",";
    QTest::newRow("English file, English interface") << "en"
                                                     << "en"
                                                     << "5"
                                                     << ".";
}

void TestParameterFile::loadReference() {
    QFETCH(QString, file);
    QFETCH(QString, interface);
    QFETCH(QString, address);
    QFETCH(QString, separator);
    Rig r(interface);
    r.fillBaseline();
    r.f.txt_data_cfg(0).setText(QStringLiteral("7"));
    r.f.txt_data_cfg(1).setText(QStringLiteral("8"));
    r.load(reference(file));

    QStringList expected = {"7", "8"};
    for (int i = 2; i <= 37; ++i)
        expected << registerText(i, separator);
    QCOMPARE(r.registerTexts(), expected);
    QCOMPARE(r.coils(), kCoils);
    QCOMPARE(r.f.txt_Modbus_adress->text(), address);
    QCOMPARE(r.tp.ui.messageTexts(), QStringList());
    QCOMPARE(r.tp.ui.fileFilters(), QStringList{"Textfile (*.txt)|*.txt"});
}

void TestParameterFile::roundTrip_data() {
    QTest::addColumn<QString>("saver");
    QTest::addColumn<QString>("loader");
    QTest::newRow("German to German") << "de"
                                      << "de";
    QTest::newRow("English to German") << "en"
                                       << "de";
    QTest::newRow("German to English") << "de"
                                       << "en";
}

void TestParameterFile::roundTrip() {
    QFETCH(QString, saver);
    QFETCH(QString, loader);
    QStringList texts;
    for (int i = 0; i <= 37; ++i)
        texts << QString::number(100 + i); // not what the loading side holds
    const QList<int> coils = {0, 1, 2, 1, 0, 1, 0, 1, 1, 0, 1, 1, 0, 0};
    Rig a(saver);
    for (int i = 0; i <= 37; ++i)
        a.f.txt_data_cfg(i).setText(texts.at(i));
    for (int i = 0; i <= 13; ++i)
        a.f.chk_cfg(i).setValue(coils.at(i));
    a.f.txt_Modbus_adress->setText(QStringLiteral("63"));
    const QString path = a.path(QStringLiteral("round.txt"));
    a.save(path);

    Rig b(loader);
    b.fillBaseline();
    b.load(path);
    QStringList expected = texts;
    expected[0] = expected[1] = QString(); // device coding and firmware are never loaded
    QCOMPARE(b.registerTexts(), expected);
    QCOMPARE(b.coils(), coils);
    QCOMPARE(b.f.txt_Modbus_adress->text(), QStringLiteral("63"));
    QCOMPARE(b.tp.ui.messageTexts(), QStringList());
}

void TestParameterFile::loadDamaged_data() {
    QTest::addColumn<QString>("language"); // of the file and the interface
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("address"); // after the load
    QTest::addColumn<QString>("message"); // after "<path>" wurde nicht geladen: ; empty: loaded
    using Lines = QList<QByteArray>;
    struct Change {
        const char* name;
        std::function<void(Lines&)> edit;
        const char* de; // the reason, German and English; empty: the file loads as it stands
        const char* en;
        bool keepsAddress = false;
    };
    // Register N stands on line 14 + N, configuration bit N on line 52 + N.
    const QList<Change> changes = {
        {"registers 19 and 20 swapped", [](Lines& l) { l.swapItemsAt(32, 33); },
         "Zeile 33: Register 20 steht vor Register 19 (Zeile 34)",
         "line 33: Register 20 stands before Register 19 (line 34)"},
        {"register 20 missing", [](Lines& l) { l.removeAt(33); },
         "Zeile 34: die Zeile von Register 20 fehlt",
         "line 34: the line of Register 20 is missing"},
        {"register 20 doubled", [](Lines& l) { l.insert(34, l.at(33)); },
         "Zeile 35: Register 20 steht ein zweites Mal da (zuerst in Zeile 34)",
         "line 35: Register 20 stands a second time (first on line 34)"},
        {"bits 1 and 2 swapped", [](Lines& l) { l.swapItemsAt(52, 53); },
         "Zeile 53: Konfigurationsbit 2 steht vor Konfigurationsbit 1 (Zeile 54)",
         "line 53: configuration bit 2 stands before configuration bit 1 (line 54)"},
        {"renumbered, caption kept",
         [](Lines& l) {
             Lines p = l[33].split(';');
             p[1] = l[32].split(';').at(1);
             l[33] = p.join(';');
         },
         "Zeile 34: \"", "line 34: \""},
        {"ends after 20 lines", [](Lines& l) { l = l.mid(0, 20); },
         "Zeile 21: die Zeile von Register 7 fehlt", "line 21: the line of Register 7 is missing"},
        {"commas for semicolons",
         [](Lines& l) {
             for (QByteArray& x : l)
                 x.replace(';', ',');
         },
         "Zeile 15: \"Register 1 ,", "line 15: \"Register 1 ,"},
        {"bit not a number", [](Lines& l) { l[52] = l[52].chopped(3) + " x "; },
         "Zeile 53: Konfigurationsbit 1: \"x\" ist nicht 0, 1 oder 2",
         "line 53: configuration bit 1: \"x\" is not 0, 1 or 2"},
        {"register 39", [](Lines& l) { l.insert(52, "Register 39 ;x;1"); },
         "Zeile 53: \"Register 39\": dieses Feld hat das Gerät nicht",
         "line 53: \"Register 39\": the unit has no such field"},
        {"blank line near the top", [](Lines& l) { l.insert(2, QByteArray()); }, "", ""},
        {"blank lines among the fields",
         [](Lines& l) {
             l.insert(40, "  ");
             l.insert(60, ";;");
         },
         "", ""},
        {"bare CR ends lines", [](Lines& l) { l = {l.join('\r')}; }, "", ""},
        {"last line without end", [](Lines& l) { l.last().chop(0); }, "", ""},
        {"address without blank", [](Lines& l) { l[10].replace(": ", ":"); }, "", "", true},
    };
    for (const char* language : {"de", "en"}) {
        const QByteArray ref = readAll(reference(QLatin1String(language)));
        const bool en = QLatin1String(language) == QLatin1String("en");
        for (const Change& c : changes) {
            Lines lines = QByteArray(ref).chopped(2).split('\n');
            for (QByteArray& l : lines)
                l.chop(1); // the CR
            c.edit(lines);
            QByteArray content = lines.join("\r\n");
            if (QByteArray(c.name) != "last line without end")
                content += "\r\n";
            const bool loads = !*c.de;
            QTest::addRow("%s, %s", language, c.name)
                << QString::fromLatin1(language) << content
                << (loads && !c.keepsAddress ? (en ? "5" : "17") : "42")
                << QString::fromUtf8(en ? c.en : c.de);
        }
    }
    // A spreadsheet's export in UTF-8 loads as the program's own file.
    QTest::addRow("de, saved again as UTF-8")
        << "de" << files::fromWindows1252(readAll(reference("de"))).toUtf8() << "17"
        << "";
}

// A file is loaded whole onto the fields its lines name, or not at all: refused with the line at
// fault, the editor as it was.
void TestParameterFile::loadDamaged() {
    QFETCH(QString, language);
    QFETCH(QByteArray, content);
    QFETCH(QString, address);
    QFETCH(QString, message);
    Rig r(language);
    r.fillBaseline();
    const QStringList before = r.registerTexts();
    const QList<int> coilsBefore = r.coils();
    const QString path = r.path(QStringLiteral("damaged.txt"));
    writeAll(path, content);
    r.load(path);

    QCOMPARE(r.f.txt_Modbus_adress->text(), address);
    if (message.isEmpty()) {
        QStringList expected = before.mid(0, 2);
        for (int i = 2; i <= 37; ++i)
            expected << registerText(i, language == "en" ? "." : ",");
        QCOMPARE(r.registerTexts(), expected);
        QCOMPARE(r.coils(), kCoils);
        QCOMPARE(r.tp.ui.messageTexts(), QStringList());
        return;
    }
    QCOMPARE(r.registerTexts(), before);
    QCOMPARE(r.coils(), coilsBefore);
    const QStringList said = r.tp.ui.messageTexts();
    QCOMPARE(said.size(), 1);
    const QString head = language == "en"
                             ? QStringLiteral("The file \"%1\" was not loaded: ")
                             : QStringLiteral("Die Datei \"%1\" wurde nicht geladen: ");
    QVERIFY2(said.at(0).startsWith(head.arg(path) + message), qPrintable(said.at(0)));
}

void TestParameterFile::loadUnreadable_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("makeFolder");
    QTest::newRow("missing file") << "nothing-here.txt" << false;
    QTest::newRow("a folder") << "folder.txt" << true;
}

void TestParameterFile::loadUnreadable() {
    QFETCH(QString, name);
    QFETCH(bool, makeFolder);
    Rig r;
    r.fillBaseline();
    const QString path = r.path(name);
    if (makeFolder)
        QVERIFY(QDir().mkdir(path));
    const QStringList before = r.registerTexts();
    const QList<int> coilsBefore = r.coils();
    r.f.set_parameter->setEnabled(true);
    r.load(path);

    QCOMPARE(r.registerTexts(), before);
    QCOMPARE(r.coils(), coilsBefore);
    QCOMPARE(r.f.txt_Modbus_adress->text(), QStringLiteral("42"));
    QCOMPARE(r.tp.ui.messages().size(), 1);
    const QString expected =
        QStringLiteral("Die Datei \"%1\" konnte nicht gelesen werden: ").arg(path);
    QVERIFY2(r.tp.ui.messages().at(0).text.startsWith(expected),
             qPrintable(r.tp.ui.messages().at(0).text));
    QVERIFY(r.tp.ui.messages().at(0).text.size() > expected.size()); // the reason follows
    QVERIFY(!r.f.set_parameter->enabled()); // the write button is still set (port closed)
}

void TestParameterFile::cancelDoesNothing() {
    Rig r;
    r.fillBaseline();
    r.f.set_parameter->setEnabled(true);
    r.load(QString()); // an empty name
    r.tp.ui.queueOpenFileName(std::nullopt);
    r.f.ParMenüMain(1).userClick();
    r.tp.ui.queueSaveFileName(std::nullopt);
    r.f.ParMenüMain(2).userClick();
    r.save(QString());
    QVERIFY(r.f.set_parameter->enabled()); // the write button rule did not run
    QCOMPARE(r.f.txt_Modbus_adress->text(), QStringLiteral("42"));
    QCOMPARE(r.tp.ui.messages().size(), 0);
    QCOMPARE(r.tp.ui.fileFilters().size(), 4);
    QCOMPARE(QDir(r.tp.dir.path()).entryList({"*.txt"}), QStringList());
}

void TestParameterFile::writeButton_data() {
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("monitor");
    QTest::addColumn<bool>("applyEnabled");
    QTest::addColumn<bool>("monitorEnabled");
    QTest::addColumn<int>("monitorValue");
    QTest::newRow("port closed") << false << false << false << true << 0;
    QTest::newRow("port open") << true << false << true << false << 0;
    // The monitor owns the buttons while it runs: it stays switchable, apply stays off.
    QTest::newRow("port open, monitor running") << true << true << false << true << 1;
}

void TestParameterFile::writeButton() {
    QFETCH(bool, open);
    QFETCH(bool, monitor);
    QFETCH(bool, applyEnabled);
    QFETCH(bool, monitorEnabled);
    QFETCH(int, monitorValue);
    Rig r;
    r.f.set_parameter->setEnabled(!applyEnabled);
    if (open)
        r.f.Combo_Port(6).setListIndex(1);
    QCOMPARE(r.g.portOpen, open);
    r.f.chk_read_out->setEnabled(true);
    if (monitor)
        r.f.chk_read_out->setValue(1);
    r.load(reference(QStringLiteral("de")));
    QCOMPARE(r.f.set_parameter->enabled(), applyEnabled);
    QCOMPARE(r.f.chk_read_out->enabled(), monitorEnabled);
    QCOMPARE(r.f.chk_read_out->value(), monitorValue);
    QCOMPARE(r.f.txt_Modbus_adress->text(), QStringLiteral("17"));
}

void TestParameterFile::saveFailureKeepsOldFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("oldFile"); // a file of that name exists before
    QTest::addColumn<bool>("folder");  // the name is a folder
    QTest::newRow("folder missing") << "missing/p.txt" << false << false;
    QTest::newRow("name is a folder") << "p.txt" << false << true;
    // No room for the temporary file's suffix beside an existing file: nothing may replace it.
    QTest::newRow("old file, no temporary possible")
        << QString(246, QLatin1Char('a')) + ".txt" << true << false;
}

void TestParameterFile::saveFailureKeepsOldFile() {
    QFETCH(QString, name);
    QFETCH(bool, oldFile);
    QFETCH(bool, folder);
    Rig r;
    const QString path = r.path(name);
    const QByteArray old = "old contents\r\n";
    if (oldFile)
        writeAll(path, old);
    if (folder)
        QVERIFY(QDir().mkdir(path));
    const QStringList filesBefore = QDir(r.tp.dir.path()).entryList(QDir::Files);
    r.save(path);
    QCOMPARE(r.tp.ui.messages().size(), 1);
    const QString expected =
        QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden: ").arg(path);
    QVERIFY2(r.tp.ui.messages().at(0).text.startsWith(expected),
             qPrintable(r.tp.ui.messages().at(0).text));
    QVERIFY(r.tp.ui.messages().at(0).text.size() > expected.size());
    if (oldFile)
        QCOMPARE(readAll(path), old);
    if (folder)
        QVERIFY(QFileInfo(path).isDir());
    // No temporary file is left behind.
    QCOMPARE(QDir(r.tp.dir.path()).entryList(QDir::Files), filesBefore);
}

void TestParameterFile::exitStopsTimersAndQuits() {
    Rig r;
    int quits = 0;
    r.p.quit = [&quits] { ++quits; };
    QList<forms::Timer*> timers = {&r.f.Timer,  &r.f.Timer1, &r.f.Timer3,
                                   &r.f.Timer4, &r.f.Timer5, &r.f.Timer6};
    for (forms::Timer* t : timers)
        t->setEnabled(true);
    r.f.ParMenüMain(4).userClick();
    QCOMPARE(quits, 1);
    QVERIFY(r.p.quitRequested());
    for (forms::Timer* t : timers)
        QCOMPARE(t->enabled(), t == &r.f.Timer3); // the failure timer is not among them
    QVERIFY(r.p.frm_configLoaded());              // no unload handling
    r.f.ParMenüMain(3).userClick();               // the separator does nothing
    QCOMPARE(quits, 1);
}

void TestParameterFile::codePage_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("umlauts and degree") << "Kühlen ß °C Ä"
                                        << QByteArray("K\xFChlen \xDF \xB0"
                                                      "C \xC4");
    QTest::newRow("code page extras")
        << "€ „x“ – ™ Ÿ" << QByteArray("\x80 \x84x\x93 \x96 \x99 \x9F");
    QTest::newRow("missing characters") << "Ω😀" << QByteArray("??");
    QTest::newRow("undefined bytes pass through")
        << QString(QChar(0x81)) + QChar(0x9D) << QByteArray("\x81\x9D");
}

void TestParameterFile::codePage() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(files::toWindows1252(text), bytes);
    if (!bytes.contains('?'))
        QCOMPARE(files::fromWindows1252(bytes), text);
}

QTEST_GUILESS_MAIN(TestParameterFile)
#include "tst_parameter_file.moc"
