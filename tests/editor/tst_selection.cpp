#include "editor/main_window_rig.h"

#include <QTest>

#include <functional>

using namespace qtx52;
using editor::frm_config;
using forms::ColorButtonText;
using forms::ColorChanged;
using forms::ListBox;
using forms::TextBox;
using forms::UpDown;

using Rig = testing::MainWindowRig;

class TestSelection : public QObject {
    Q_OBJECT
private slots:
    void valueSelectsEntry_data();
    void valueSelectsEntry();
    void deviceTypeSwitchesCoil13View_data();
    void deviceTypeSwitchesCoil13View();
    void buttonFunctionEnablesLocalLock_data();
    void buttonFunctionEnablesLocalLock();
    void unitCaptionsFollowCoil6_data();
    void unitCaptionsFollowCoil6();
    void potentiometerCaptions_data();
    void potentiometerCaptions();
    void coil13ViewsStayInStep();
    void readOutOfCoil13LeavesNoStaleMark();
    void coilStateFromFileIsMarked();
    void noSelectionShowsFehler();
    void markFollowsReference_data();
    void markFollowsReference();
    void writeButtonConsidersAllGroups_data();
    void writeButtonConsidersAllGroups();
    void monitorKeepsWriteButton();
    void monitorWords_data();
    void monitorWords();
};

void TestSelection::valueSelectsEntry_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("element");
    QTest::addColumn<int>("before"); // entry chosen first
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("entry");
    // After the list has written its value back: the entry-to-value direction of the same map.
    QTest::addColumn<QString>("textAfter");

    QTest::newRow("device 0x05") << "cfg" << 2 << 0 << "5" << 5 << "5";
    QTest::newRow("device 0x10") << "cfg" << 2 << 0 << "16" << 6 << "16";
    QTest::newRow("device 0x11") << "cfg" << 2 << 0 << "17" << 7 << "17";
    QTest::newRow("device half to even") << "cfg" << 2 << 0 << "16,5" << 6 << "16";
    QTest::newRow("device beyond the list") << "cfg" << 2 << 3 << "18" << 3 << "18";
    QTest::newRow("device not a number") << "cfg" << 2 << 3 << "x" << 3 << "x";
    QTest::newRow("button 0x00") << "cfg" << 4 << 1 << "0" << 0 << "0";
    QTest::newRow("button 0x20") << "cfg" << 4 << 0 << "32" << 1 << "32";
    QTest::newRow("button 0x23") << "cfg" << 4 << 0 << "35" << 4 << "35";
    QTest::newRow("button 0x30") << "cfg" << 4 << 0 << "48" << 5 << "48";
    QTest::newRow("button low value is a position") << "cfg" << 4 << 0 << "2" << 2 << "33";
    QTest::newRow("button 0x40 leaves the list") << "cfg" << 4 << 2 << "64" << 2 << "64";
    QTest::newRow("button gap value") << "cfg" << 4 << 2 << "40" << 2 << "40";
    QTest::newRow("input 0x05") << "cfg" << 31 << 0 << "5" << 5 << "5";
    QTest::newRow("input 0x10") << "cfg" << 31 << 0 << "16" << 6 << "16";
    QTest::newRow("input 0x15") << "cfg" << 32 << 0 << "21" << 11 << "21";
    QTest::newRow("input 0x16 leaves the list") << "cfg" << 32 << 4 << "22" << 4 << "22";
    QTest::newRow("input gap value") << "cfg" << 32 << 4 << "6" << 4 << "6";
    QTest::newRow("fan automatic") << "cfg" << 15 << 0 << "1" << 1 << "1";
    QTest::newRow("fan beyond the list") << "cfg" << 15 << 0 << "7" << 0 << "7";
    QTest::newRow("setpoint display") << "cfg" << 12 << 0 << "1" << 1 << "1";
    QTest::newRow("heating mode") << "cfg" << 21 << 0 << "3" << 3 << "3";
    QTest::newRow("counter mode") << "cfg" << 34 << 0 << "2" << 2 << "2";
    QTest::newRow("LED control") << "cfg" << 36 << 0 << "4" << 4 << "4";
    QTest::newRow("controller after reset") << "cfg" << 37 << 0 << "3,4" << 3 << "3";
    QTest::newRow("occupancy") << "in" << 4 << 0 << "1" << 1 << "1";
    QTest::newRow("occupancy beyond the list") << "in" << 4 << 1 << "2" << 1 << "2";
    QTest::newRow("controller mode") << "in" << 5 << 0 << "3" << 3 << "3";
}

void TestSelection::valueSelectsEntry() {
    QFETCH(QString, family);
    QFETCH(int, element);
    QFETCH(int, before);
    QFETCH(QString, text);
    QFETCH(int, entry);
    QFETCH(QString, textAfter);
    Rig rig;
    const bool cfg = family == "cfg";
    ListBox& list = cfg ? rig.f.cmb_cfg(element) : rig.f.cmb_in(element);
    TextBox& box = cfg ? rig.f.txt_data_cfg(element) : rig.f.txt_data_in(element);
    list.setListIndex(before);
    box.setText(text);
    QCOMPARE(list.listIndex(), entry);
    QCOMPARE(box.text(), textAfter);
}

void TestSelection::deviceTypeSwitchesCoil13View_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("entry");
    QTest::addColumn<bool>("view99");
    QTest::newRow("read 17") << "17" << 7 << true;
    QTest::newRow("read 16") << "16" << 6 << true;
    QTest::newRow("read 5") << "5" << 5 << false;
    QTest::newRow("read 0") << "0" << 0 << false;
}

void TestSelection::deviceTypeSwitchesCoil13View() {
    QFETCH(QString, text);
    QFETCH(int, entry);
    QFETCH(bool, view99);
    Rig rig;
    frm_config& f = rig.f;
    // Start from the opposite view, so each row shows a switch.
    f.txt_data_cfg(2).setText(view99 ? "1" : "16");
    f.txt_data_cfg(2).setText(text);
    QCOMPARE(f.cmb_cfg(2).listIndex(), entry);
    QCOMPARE(f.cmb_bit_cfg(99).visible(), view99);
    QCOMPARE(f.lbl_read_cfg_bit(99).visible(), view99);
    QCOMPARE(f.cmb_bit_cfg(13).visible(), !view99);
    QCOMPARE(f.lbl_read_cfg_bit(13).visible(), !view99);
}

void TestSelection::buttonFunctionEnablesLocalLock_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("0x30 toggles the controller") << 5 << true;
    QTest::newRow("0x00") << 0 << false;
    QTest::newRow("0x21") << 2 << false;
    QTest::newRow("0x23") << 4 << false;
}

void TestSelection::buttonFunctionEnablesLocalLock() {
    QFETCH(int, entry);
    QFETCH(bool, enabled);
    Rig rig;
    frm_config& f = rig.f;
    f.cmb_cfg(4).setListIndex(entry == 5 ? 0 : 5);
    f.cmb_cfg(4).setListIndex(entry);
    QCOMPARE(f.lbl_in_val(10).enabled(), enabled);
    QCOMPARE(f.lbl_read_out(10).enabled(), enabled);
    // The same follows from a value read into the hidden box.
    f.txt_data_cfg(4).setText(enabled ? "0" : "48");
    QCOMPARE(f.lbl_in_val(10).enabled(), !enabled);
    QCOMPARE(f.lbl_read_out(10).enabled(), !enabled);
}

void TestSelection::unitCaptionsFollowCoil6_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("unit");
    QTest::newRow("1 - °C") << 1 << "°C";
    QTest::newRow("0 - °F") << 0 << "°F";
}

void TestSelection::unitCaptionsFollowCoil6() {
    QFETCH(int, entry);
    QFETCH(QString, unit);
    Rig rig;
    frm_config& f = rig.f;
    f.cmb_bit_cfg(6).setListIndex(1 - entry);
    f.cmb_bit_cfg(6).setListIndex(entry);
    QCOMPARE(f.chk_cfg(6).value(), entry);
    for (int i = 0; i <= 4; ++i)
        QCOMPARE(f.lbl_unit(i).caption(), unit);
}

void TestSelection::potentiometerCaptions_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("unit");
    QTest::newRow("1, Feuchte") << 1 << "%rH";
    QTest::newRow("0, Temperatur") << 0 << "K";
}

void TestSelection::potentiometerCaptions() {
    QFETCH(int, entry);
    QFETCH(QString, unit);
    Rig rig;
    frm_config& f = rig.f;
    f.cmb_bit_cfg(13).setListIndex(1 - entry);
    f.cmb_bit_cfg(13).setListIndex(entry);
    QCOMPARE(f.chk_cfg(13).value(), entry);
    for (int k : {0, 1, 4})
        QCOMPARE(f.lbl_kelvin(k).caption(), unit);
}

// Coil 13 has two lists; whichever is used, the coil follows, and for the device type whose
// potentiometer shows in both places the second view follows the first.
void TestSelection::coil13ViewsStayInStep() {
    Rig rig;
    frm_config& f = rig.f;
    f.cmb_bit_cfg(99).setListIndex(1);
    QCOMPARE(f.chk_cfg(13).value(), 1);
    QCOMPARE(f.cmb_bit_cfg(13).listIndex(), 1);
    f.cmb_bit_cfg(99).setListIndex(0);
    QCOMPARE(f.chk_cfg(13).value(), 0);
    QCOMPARE(f.cmb_bit_cfg(13).listIndex(), 0);

    f.cmb_cfg(2).setListIndex(5);
    f.cmb_bit_cfg(13).setListIndex(1);
    QCOMPARE(f.chk_cfg(13).value(), 1);
    QCOMPARE(f.chk_cfg(99).value(), 1);
    QCOMPARE(f.cmb_bit_cfg(99).listIndex(), 1);
    QVERIFY(rig.ui.messages().isEmpty());
}

// A read-out sets a coil's reference before the coil: element 99 then must not keep a red mark
// when the coil-13 chain reaches it first.
void TestSelection::readOutOfCoil13LeavesNoStaleMark() {
    Rig rig;
    frm_config& f = rig.f;
    f.cmb_cfg(2).setListIndex(5);
    rig.g.refCfgBits[13] = 1;
    rig.g.refCfgBits[99] = 1;
    f.chk_cfg(13).setValue(1);
    f.chk_cfg(99).setValue(f.chk_cfg(13).value());
    QCOMPARE(f.chk_cfg(99).value(), 1);
    QCOMPARE(f.chk_cfg(99).foreColor(), ColorButtonText);
    QCOMPARE(f.chk_cfg(13).foreColor(), ColorButtonText);
    QCOMPARE(f.cmb_bit_cfg(13).foreColor(), ColorButtonText);
}

// A parameter file may bring the undetermined state 2, which no two-state list can show.
void TestSelection::coilStateFromFileIsMarked() {
    Rig rig;
    frm_config& f = rig.f;
    rig.selectPortState(true);
    f.cmb_bit_cfg(5).setListIndex(1);
    QCOMPARE(f.chk_cfg(5).value(), 1);
    rig.g.refCfgBits[5] = 1;
    f.chk_cfg(5).setValue(0);
    f.chk_cfg(5).setValue(1); // back to the reference: unmarked
    QCOMPARE(f.chk_cfg(5).foreColor(), ColorButtonText);

    f.chk_cfg(5).setValue(2);
    QCOMPARE(f.cmb_bit_cfg(5).listIndex(), 1);
    QCOMPARE(f.chk_cfg(5).foreColor(), ColorChanged);
    QCOMPARE(f.cmb_bit_cfg(5).foreColor(), ColorChanged);
    QVERIFY(f.set_parameter->enabled());
    QVERIFY(rig.ui.messages().isEmpty());

    // A visible check box shows the state itself and is marked as well.
    f.chk_cfg(2).setValue(2);
    QCOMPARE(f.chk_cfg(2).foreColor(), ColorChanged);
}

void TestSelection::noSelectionShowsFehler() {
    Rig rig;
    frm_config& f = rig.f;
    f.cmb_bit_cfg(7).setListIndex(1);
    QVERIFY(rig.ui.messages().isEmpty());
    f.cmb_bit_cfg(7).setListIndex(-1);
    QCOMPARE(rig.ui.messageTexts(), QStringList{"Fehler"});
    QCOMPARE(rig.ui.messages().first().title, app::kAppTitle);
    QCOMPARE(f.chk_cfg(7).value(), 1);
}

void TestSelection::markFollowsReference_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("changed");
    QTest::addColumn<QString>("reference"); // as text, or a check box state
    QTest::addColumn<bool>("listMarked");   // the visible partner shows the mark too

    // clang-format off
    QTest::newRow("register") << "cfg" << 3 << "12" << "7" << false;
    QTest::newRow("tenths register") << "cfg" << 7 << "-2,5" << "-2" << false;
    QTest::newRow("listed register") << "cfg" << 15 << "1" << "0" << true;
    QTest::newRow("device type") << "cfg" << 2 << "3" << "1" << true;
    QTest::newRow("setpoint display keeps list colour") << "cfg" << 12 << "1" << "0" << false;
    QTest::newRow("controller mode keeps list colour") << "cfg" << 37 << "1" << "0" << false;
    QTest::newRow("input register") << "in" << 3 << "21,5" << "20" << false;
    QTest::newRow("listed input register") << "in" << 5 << "2" << "1" << true;
    QTest::newRow("coil with list") << "coil" << 9 << "1" << "0" << true;
    QTest::newRow("visible coil") << "coil" << 1 << "1" << "0" << false;
    QTest::newRow("input coil") << "inbit" << 2 << "1" << "0" << false;
    // clang-format on
}

void TestSelection::markFollowsReference() {
    QFETCH(QString, kind);
    QFETCH(int, element);
    QFETCH(QString, changed);
    QFETCH(QString, reference);
    QFETCH(bool, listMarked);
    Rig rig;
    frm_config& f = rig.f;
    app::Global& g = rig.g;
    rig.selectPortState(true);

    forms::Control* field = nullptr;
    forms::Control* list = nullptr;
    std::function<void(const QString&)> assign;
    if (kind == "cfg") {
        g.refDataCfg[element] = reference.toDouble();
        field = &f.txt_data_cfg(element);
        list = f.cmb_cfg.at(element);
        assign = [&f, element](const QString& t) { f.txt_data_cfg(element).setText(t); };
    } else if (kind == "in") {
        g.refDataIn[element] = reference.toDouble();
        field = &f.txt_data_in(element);
        list = f.cmb_in.at(element);
        assign = [&f, element](const QString& t) { f.txt_data_in(element).setText(t); };
    } else if (kind == "coil") {
        g.refCfgBits[element] = qint16(reference.toInt());
        field = &f.chk_cfg(element);
        list = f.cmb_bit_cfg.at(element);
        assign = [&f, element](const QString& t) { f.chk_cfg(element).setValue(t.toInt()); };
    } else {
        g.refInpBits[element] = qint16(reference.toInt());
        field = &f.chk_inp_bit(element);
        assign = [&f, element](const QString& t) { f.chk_inp_bit(element).setValue(t.toInt()); };
    }
    const forms::Color listBefore = list ? list->foreColor() : ColorButtonText;

    assign(changed);
    QCOMPARE(field->foreColor(), ColorChanged);
    if (list)
        QCOMPARE(list->foreColor(), listMarked ? ColorChanged : listBefore);
    QVERIFY(f.set_parameter->enabled());

    assign(reference);
    QCOMPARE(field->foreColor(), ColorButtonText);
    if (list)
        QCOMPARE(list->foreColor(), listMarked ? ColorButtonText : listBefore);
    QVERIFY(!f.set_parameter->enabled());
}

void TestSelection::writeButtonConsidersAllGroups_data() {
    QTest::addColumn<QString>("kept");   // left changed
    QTest::addColumn<QString>("undone"); // changed and changed back afterwards

    // clang-format off
    QTest::newRow("coil kept, register undone") << "coil" << "cfg";
    QTest::newRow("register kept, coil undone") << "cfg" << "coil";
    QTest::newRow("input kept, register undone") << "in" << "cfg";
    QTest::newRow("input coil kept, input undone") << "inbit" << "in";
    QTest::newRow("element 99 kept, input coil undone") << "view" << "inbit";
    // clang-format on
}

void TestSelection::writeButtonConsidersAllGroups() {
    QFETCH(QString, kept);
    QFETCH(QString, undone);
    Rig rig;
    frm_config& f = rig.f;
    rig.selectPortState(true);
    QVERIFY(!f.set_parameter->enabled());

    const auto change = [&f](const QString& group, bool away) {
        if (group == "cfg")
            f.txt_data_cfg(3).setText(away ? "9" : "0");
        else if (group == "in")
            f.txt_data_in(2).setText(away ? "9" : "0");
        else if (group == "coil")
            f.chk_cfg(0).setValue(away ? 1 : 0);
        else if (group == "inbit")
            f.chk_inp_bit(4).setValue(away ? 1 : 0);
        else
            f.chk_cfg(99).setValue(away ? 1 : 0);
    };
    // Every field starts equal to its reference of 0.
    f.txt_data_cfg(3).setText("0");
    f.txt_data_in(2).setText("0");
    QVERIFY(!f.set_parameter->enabled());

    change(kept, true);
    QVERIFY(f.set_parameter->enabled());
    change(undone, true);
    change(undone, false);
    QVERIFY(f.set_parameter->enabled());
    change(kept, false);
    QVERIFY(!f.set_parameter->enabled());
}

void TestSelection::monitorKeepsWriteButton() {
    Rig rig;
    frm_config& f = rig.f;
    rig.selectPortState(true);
    f.chk_read_out->setValue(1);
    QVERIFY(!f.set_parameter->enabled());
    f.txt_data_cfg(3).setText("9");
    QCOMPARE(f.txt_data_cfg(3).foreColor(), ColorChanged);
    QVERIFY(!f.set_parameter->enabled());

    // With the monitor off, the same edit decides the button again.
    f.chk_read_out->setValue(0);
    QVERIFY(f.set_parameter->enabled());
    f.chk_read_out->setValue(1);
    f.set_parameter->setEnabled(true);
    f.txt_data_cfg(3).setText("0");
    QVERIFY(f.set_parameter->enabled());
}

void TestSelection::monitorWords_data() {
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("caption");

    // clang-format off
    QTest::newRow("fan off") << 6 << "0" << "Aus";
    QTest::newRow("fan stage 3") << 6 << "3" << "Stufe 3";
    QTest::newRow("fan automatic") << 6 << "65280" << "Auto";
    QTest::newRow("fan unknown keeps text") << 6 << "5" << "previous";
    QTest::newRow("unoccupied") << 7 << "0" << "nicht belegt";
    QTest::newRow("occupied") << 7 << "1" << "belegt";
    QTest::newRow("occupancy unknown keeps text") << 7 << "2" << "previous";
    QTest::newRow("lock active") << 10 << "1" << "AKTIV";
    QTest::newRow("lock off") << 10 << "0" << "AUS";
    QTest::newRow("controller off") << 17 << "0" << "AUS";
    QTest::newRow("controller heating") << 17 << "1" << "Heizen";
    QTest::newRow("controller auto cooling") << 17 << "4" << "Auto Kühlen";
    QTest::newRow("controller unknown keeps text") << 17 << "5" << "previous";
    // clang-format on
}

void TestSelection::monitorWords() {
    QFETCH(int, element);
    QFETCH(QString, value);
    QFETCH(QString, caption);
    Rig rig;
    frm_config& f = rig.f;
    f.txt_data_out(element).setText("999");
    f.lbl_in_val(element).setCaption("previous");
    f.txt_data_out(element).setText(value);
    QCOMPARE(f.lbl_in_val(element).caption(), caption);
}

QTEST_GUILESS_MAIN(TestSelection)
#include "tst_selection.moc"
