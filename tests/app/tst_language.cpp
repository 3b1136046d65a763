#include "app/language.h"
#include "editor/frm_config.h"
#include "params/register_map.h"
#include "support/control_lookup.h"
#include "support/test_program.h"
#include "windows/frmState.h"

#include <QTest>

using namespace qtx52;
using testing::findControl;
using testing::StoreValues;

namespace {

StoreValues withLanguage(const QString& language) {
    StoreValues v;
    v.language = language;
    return v;
}

// A window number that only refreshes the shared values.
constexpr qint16 kOtherWindow = 7;

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT
private slots:
    void languageCode_data();
    void languageCode();
    void decimalSeparatorAndPath_data();
    void decimalSeparatorAndPath();
    void runTimeTextsFollowTheLastCall();
    void statusWindow_data();
    void statusWindow();
    void mainWindowTexts_data();
    void mainWindowTexts();
    void spotTexts_data();
    void spotTexts();
    void menusWithoutAccessKeysInEnglish();
};

void TestLanguage::languageCode_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("english");
    QTest::newRow("1033") << true << "1033" << true;
    QTest::newRow("1031") << true << "1031" << false;
    QTest::newRow("empty") << true << "" << false;
    QTest::newRow("trailing blank") << true << "1033 " << false;
    QTest::newRow("leading zero") << true << "01033" << false;
    QTest::newRow("other code") << true << "1036" << false;
    QTest::newRow("missing") << false << "" << false;
}

void TestLanguage::languageCode() {
    QFETCH(bool, present);
    QFETCH(QString, stored);
    QFETCH(bool, english);
    StoreValues v;
    v.language = present ? std::optional<QString>(stored) : std::nullopt;
    testing::TestProgram t(v);
    app::SetLanguage(t.program(), kOtherWindow);
    QCOMPARE(t.g().languageId, english ? QStringLiteral("1033") : QStringLiteral("1031"));
    QCOMPARE(t.g().helpDocument,
             english ? QStringLiteral("\\Doc\\QTX52 RS485 Modbus, Register MS_1_eng.pdf")
                     : QStringLiteral("\\Doc\\QTX52 RS485 Modbus, Register MS_1.pdf"));
    QCOMPARE(t.g().langTexts[9],
             english ? QStringLiteral("baud rate: ") : QStringLiteral("Baudrate: "));
    QCOMPARE(t.g().langTexts[8],
             english ? QStringLiteral("configuration bit") : QStringLiteral("Konfigurationsbit"));
    // No other window is loaded for it.
    QVERIFY(!t.program().frmStateLoaded());
    QVERIFY(!t.program().frm_configLoaded());
}

void TestLanguage::decimalSeparatorAndPath_data() {
    QTest::addColumn<QString>("sDecimal");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("pathPresent");
    QTest::addColumn<QString>("installPath");
    QTest::newRow("point") << "."
                           << "." << true << "/opt/qtx52";
    QTest::newRow("comma") << ","
                           << "," << true << "/opt/qtx52";
    QTest::newRow("empty gives comma") << ""
                                       << "," << true << "/opt/qtx52";
    QTest::newRow("no folder") << "."
                               << "." << false << "";
}

void TestLanguage::decimalSeparatorAndPath() {
    QFETCH(QString, sDecimal);
    QFETCH(QString, separator);
    QFETCH(bool, pathPresent);
    QFETCH(QString, installPath);
    StoreValues v;
    v.decimalSeparator = sDecimal;
    v.installPath = pathPresent ? std::optional<QString>(installPath) : std::nullopt;
    testing::TestProgram t(v);
    t.g().installPath = QStringLiteral("stale");
    app::SetLanguage(t.program(), kOtherWindow);
    QCOMPARE(t.g().decimalSeparator, separator);
    QCOMPARE(t.g().installPath, installPath);
}

// Each call reads the store afresh and leaves nothing of the previous language behind.
void TestLanguage::runTimeTextsFollowTheLastCall() {
    testing::TestProgram t(withLanguage("1033"));
    app::SetLanguage(t.program(), kOtherWindow);
    QCOMPARE(t.g().langTexts[26], QStringLiteral("Heating"));
    t.writeStores(withLanguage("1031"));
    app::SetLanguage(t.program(), kOtherWindow);
    for (int i = 0; i < int(t.g().langTexts.size()); ++i) {
        const auto& table = app::langTextTable();
        auto it = std::find_if(table.begin(), table.end(),
                               [i](const app::LangText& l) { return l.index == i; });
        QCOMPARE(t.g().langTexts[i], it == table.end() ? QString() : it->de);
    }
    QCOMPARE(t.g().langTexts[27], QStringLiteral("Kühlen"));
    QCOMPARE(t.g().langTexts[9], QStringLiteral("Baudrate: "));
}

void TestLanguage::statusWindow_data() {
    QTest::addColumn<QString>("loadedUnder"); // language when the status window loads
    QTest::addColumn<QString>("laterUnder");  // language of a later call, "" for none
    QTest::addColumn<int>("laterWindow");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("waiting");
    QTest::newRow("German load") << "1031"
                                 << "" << 0 << "Status"
                                 << "Abbruch"
                                 << "Warten ...";
    QTest::newRow("English load") << "1033"
                                  << "" << 0 << "State"
                                  << "Cancel"
                                  << "Waiting ...";
    QTest::newRow("German main-window load after") << "1033"
                                                   << "1031" << 0 << "State"
                                                   << "Cancel"
                                                   << "Warten ...";
    QTest::newRow("English main-window load after") << "1031"
                                                    << "1033" << 0 << "Status"
                                                    << "Abbruch"
                                                    << "Warten ...";
    QTest::newRow("English other window after") << "1031"
                                                << "1033" << 5 << "Status"
                                                << "Abbruch"
                                                << "Warten ...";
}

void TestLanguage::statusWindow() {
    QFETCH(QString, loadedUnder);
    QFETCH(QString, laterUnder);
    QFETCH(int, laterWindow);
    QFETCH(QString, caption);
    QFETCH(QString, cancel);
    QFETCH(QString, waiting);
    testing::TestProgram t(withLanguage(loadedUnder));
    windows::frmState& s = t.program().frmState();
    if (!laterUnder.isEmpty()) {
        t.writeStores(withLanguage(laterUnder));
        app::SetLanguage(t.program(), qint16(laterWindow));
    }
    QCOMPARE(s.form.caption(), caption);
    QCOMPARE(s.Abbruch.caption(), cancel);
    QCOMPARE(s.lblTxt.caption(), waiting);
    QCOMPARE(s.cmdOK.caption(), QStringLiteral("Schließen"));
}

void TestLanguage::mainWindowTexts_data() {
    QTest::addColumn<bool>("english");
    QTest::newRow("German") << false;
    QTest::newRow("English") << true;
}

// Every text of the tables lands on its control in the chosen language; what the tables leave
// out stays as designed.
void TestLanguage::mainWindowTexts() {
    QFETCH(bool, english);
    testing::TestProgram t(withLanguage(english ? "1033" : "1031"));
    app::Main(t.program());
    editor::frm_config& w = t.program().frm_config();
    auto pick = [&](const auto& de, const auto& en) { return english ? en : de; };

    for (const app::ControlText& c : app::mainWindowTexts()) {
        forms::Control* control = findControl(
            w, c.index < 0 ? c.control : QStringLiteral("%1(%2)").arg(c.control).arg(c.index));
        QVERIFY2(control, qPrintable(c.control));
        QCOMPARE(testing::shownText(*control), pick(c.de, c.en));
    }
    for (const app::ControlText& c : app::tabTitles())
        QCOMPARE(w.SSTab1->captions().at(c.index), pick(c.de, c.en));
    for (const params::RegisterInfo& r : params::configRegisters()) {
        QCOMPARE(w.lbl_cfg(r.element).caption(), pick(r.labelDe, r.labelEn));
        if (const params::ValueList* l = params::valueList(r.list))
            QCOMPARE(w.cmb_cfg(r.element).items(), pick(l->entriesDe, l->entriesEn));
    }
    for (const params::RegisterInfo& r : params::inputRegisters())
        if (const params::ValueList* l = params::valueList(r.list))
            QCOMPARE(w.cmb_in(r.element).items(), pick(l->entriesDe, l->entriesEn));
    for (const params::CoilInfo& c : params::configCoils())
        QCOMPARE(w.lbl_read_cfg_bit(c.element).caption(), pick(c.labelDe, c.labelEn));
    for (const params::RegisterInfo& r : params::monitorRegisters())
        QCOMPARE(w.lbl_read_out(r.element).caption(), pick(r.labelDe, r.labelEn));

    // The device-type list: under English the first seven entries are renamed, the eighth stays.
    const params::ValueList* types = params::valueList('A');
    for (int pos = 0; pos < 8; ++pos)
        QCOMPARE(w.cmb_cfg(2).items().at(pos) == types->entriesDe[pos], !english || pos == 7);

    // Element 99 is German in both languages, and the language-neutral texts never change.
    QCOMPARE(w.lbl_read_cfg_bit(99).caption(), QStringLiteral("Sollwertdarstellung"));
    QCOMPARE(w.cmb_bit_cfg(99).items(),
             (QStringList{"0, mit Basissollwert", "1, Sollwertbereich"}));
    QCOMPARE(w.form.caption(), QStringLiteral("QTX52 RS485 Modbus V1.5"));
    QCOMPARE(w.lbl_parameter(1).caption(), QStringLiteral("Baudrate"));
    QCOMPARE(w.lbl_unit(0).caption(), QStringLiteral("°C"));
    QCOMPARE(w.frm_parameter->caption(), QStringLiteral("Parameter"));
    // Rewriting entries in place keeps the selections the load made.
    QCOMPARE(w.cmb_in(5).listIndex(), 0);
}

// A few texts written out, so the tables themselves are checked too.
void TestLanguage::spotTexts_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");
    QTest::newRow("read") << "cmd_read_device"
                          << "Gerät auslesen"
                          << "Read device";
    QTest::newRow("notice") << "lbl_desc(16)"
                            << "Kommunikationsprobleme, bitte Einstellungen überprüfen!"
                            << "Communication error! Check settings!";
    QTest::newRow("general frame") << "frm_ctrl(0)"
                                   << "Allgemeine Einstellungen: "
                                   << "General";
    QTest::newRow("exit") << "ParMenüMain(4)"
                          << "&Beenden"
                          << "Exit";
    QTest::newRow("basic setpoint") << "lbl_data_in(3)"
                                    << "Basissollwert:"
                                    << "Basic setpoint ";
    QTest::newRow("frost") << "lbl_cfg(28)"
                           << "Frostschutz (K):"
                           << "Frost protection [°C]:";
}

void TestLanguage::spotTexts() {
    QFETCH(QString, control);
    QFETCH(QString, german);
    QFETCH(QString, english);
    for (bool inEnglish : {false, true}) {
        testing::TestProgram t(withLanguage(inEnglish ? "1033" : "1031"));
        app::Main(t.program());
        forms::Control* c = findControl(t.program().frm_config(), control);
        QVERIFY2(c, qPrintable(control));
        QCOMPARE(testing::shownText(*c), inEnglish ? english : german);
    }
}

void TestLanguage::menusWithoutAccessKeysInEnglish() {
    for (bool english : {false, true}) {
        testing::TestProgram t(withLanguage(english ? "1033" : "1031"));
        app::Main(t.program());
        int menus = 0;
        for (const forms::MenuItem* m : t.program().frm_config().findChildren<forms::MenuItem*>()) {
            if (m->isSeparator())
                continue;
            QCOMPARE(m->caption().contains(QLatin1Char('&')), !english);
            ++menus;
        }
        QCOMPARE(menus, 6);
    }
}

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
