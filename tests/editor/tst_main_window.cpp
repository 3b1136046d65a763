#include "editor/frm_config.h"
#include "params/register_map.h"
#include "support/control_lookup.h"
#include "support/test_program.h"

#include <QTest>

#include <map>
#include <set>

using namespace qtx52;
using editor::frm_config;
using testing::findControl;

namespace {

// The twelve frames of the tabs and the tab each lies on, named independently of the window.
const std::map<QString, int> kTabFrames = {
    {"frm_allg(1)", 0},   {"frm_hold(0)", 0}, {"frm_coils(0)", 0},  {"frm_display(0)", 1},
    {"frm_button(1)", 2}, {"frm_outp", 2},    {"frm_button(0)", 2}, {"frm_val(1)", 5},
    {"frm_ctrl(0)", 3},   {"frm_ctrl(1)", 3}, {"frm_ctrl(2)", 3},   {"frm_soll(1)", 4},
};

std::set<int> elementsOf(QObject& w, const QString& array) {
    std::set<int> out;
    for (const forms::Control* c : w.findChildren<forms::Control*>())
        if (c->name() == array)
            out.insert(c->index());
    return out;
}

// Loads the main window the way Main does, but with a chosen baud rate and port state.
frm_config& loadWith(app::Program& p, const QString& baudRate, bool portOpen) {
    p.g.inputFieldCount = 8;
    p.g.baudRate = baudRate;
    p.g.parity = QStringLiteral("E");
    p.g.dataBits = QStringLiteral("8");
    p.g.stopBits = QStringLiteral("1");
    p.g.portOpen = portOpen;
    p.g.modbusMode = QStringLiteral("standard_ascii");
    return p.frm_config();
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void arrays_data();
    void arrays();
    void designState_data();
    void designState();
    void placement_data();
    void placement();
    void partnersShareTheirFrame();
    void tabRule_data();
    void tabRule();
    void load();
    void loadSelections_data();
    void loadSelections();
    void closingEndsEveryWindow();
};

using Elements = std::set<int>;
Q_DECLARE_METATYPE(Elements)

void TestMainWindow::arrays_data() {
    QTest::addColumn<QString>("array");
    QTest::addColumn<Elements>("elements");
    Elements arrows;
    for (const auto& l : params::upDownLimits())
        arrows.insert(l.element);
    const auto& lists = params::configListElements();
    QTest::newRow("UpD_txt_cfg") << "UpD_txt_cfg" << arrows;
    QTest::newRow("cmb_cfg") << "cmb_cfg" << Elements(lists.begin(), lists.end());
    QTest::newRow("chk_cfg") << "chk_cfg"
                             << Elements{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 99};
    QTest::newRow("cmb_bit_cfg") << "cmb_bit_cfg" << Elements{4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 99};
    QTest::newRow("lbl_in_val") << "lbl_in_val" << Elements{6, 7, 10, 17};
    QTest::newRow("lbl_kelvin") << "lbl_kelvin" << Elements{0, 1, 3, 4};
    QTest::newRow("lbl_desc") << "lbl_desc" << Elements{0,  1,  2,  3,  4,  5,  6,  7,  8, 9,
                                                        10, 11, 12, 13, 14, 15, 16, 17, 18};
    QTest::newRow("Combo_Port") << "Combo_Port" << Elements{0, 1, 2, 5, 6};
    QTest::newRow("lbl_parameter") << "lbl_parameter" << Elements{0, 1, 2, 3, 5, 6};
    QTest::newRow("ParMenüMain") << "ParMenüMain" << Elements{1, 2, 3, 4};
}

void TestMainWindow::arrays() {
    QFETCH(QString, array);
    QFETCH(Elements, elements);
    testing::TestProgram t;
    frm_config w(t.program());
    QCOMPARE(elementsOf(w, array), elements);
}

void TestMainWindow::designState_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("text");  // shown text, or a list's entry count as "#n"
    QTest::addColumn<int>("maxLength"); // text boxes only, else -1
    QTest::newRow("window, not yet shown")
        << "frm_config" << false << "QTX52 RS485 Modbus V1.5" << -1;
    QTest::newRow("device coding value") << "txt_data_cfg(0)" << false << "" << 5;
    QTest::newRow("device type value") << "txt_data_cfg(2)" << false << "" << 5;
    QTest::newRow("device type list") << "cmb_cfg(2)" << true << "#8" << -1;
    QTest::newRow("heating mode list") << "cmb_cfg(21)" << false << "#4" << -1;
    QTest::newRow("listed coil") << "chk_cfg(4)" << false << "" << -1;
    QTest::newRow("knob list") << "cmb_bit_cfg(13)" << true << "#2" << -1;
    QTest::newRow("view 99 check") << "chk_cfg(99)" << false << "" << -1;
    QTest::newRow("view 99 list") << "cmb_bit_cfg(99)" << false << "#2" << -1;
    QTest::newRow("view 99 label")
        << "lbl_read_cfg_bit(99)" << false << "Sollwertdarstellung" << -1;
    QTest::newRow("notice") << "lbl_desc(16)" << false
                            << "Kommunikationsprobleme, bitte Einstellungen überprüfen!" << -1;
    QTest::newRow("external temperature") << "txt_data_in(0)" << true << "" << 6;
    QTest::newRow("occupancy value") << "txt_data_in(4)" << false << "" << 5;
    QTest::newRow("fan stage") << "txt_data_out(6)" << false << "" << 0;
    QTest::newRow("lock word") << "lbl_in_val(10)" << true << "" << -1;
    QTest::newRow("station") << "txt_Modbus_adress" << true << "1" << 3;
    QTest::newRow("unit 4") << "lbl_unit(4)" << true << "°C" << -1;
    QTest::newRow("kelvin 3") << "lbl_kelvin(3)" << true << "K" << -1;
    QTest::newRow("port label") << "lbl_parameter(3)" << true << "COM-Port" << -1;
    QTest::newRow("separator") << "ParMenüMain(3)" << true << "-" << -1;
    QTest::newRow("file menu") << "MenüMain(1)" << true << "&Datei" << -1;
}

void TestMainWindow::designState() {
    QFETCH(QString, control);
    QFETCH(bool, visible);
    QFETCH(QString, text);
    QFETCH(int, maxLength);
    testing::TestProgram t;
    frm_config w(t.program());
    forms::Control* c = control == "frm_config" ? &w.form : findControl(w, control);
    QVERIFY2(c, qPrintable(control));
    QCOMPARE(c->visible(), visible);
    if (auto* list = qobject_cast<forms::ListBox*>(c))
        QCOMPARE(QStringLiteral("#%1").arg(list->listCount()), text);
    else
        QCOMPARE(testing::shownText(*c), text);
    if (auto* box = qobject_cast<forms::TextBox*>(c)) {
        QCOMPARE(box->maxLength(), maxLength);
        // Monitored values are read-only and drawn on the scroll-bar colour.
        if (box->name() == "txt_data_out")
            QCOMPARE(box->backColor(), forms::ColorScrollBars);
    }
    const forms::Color expectedColour =
        control == "lbl_desc(16)" ? forms::ColorChanged : forms::ColorButtonText;
    QCOMPARE(c->foreColor(), expectedColour);
}

void TestMainWindow::placement_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("tab");
    QTest::newRow("station") << "txt_Modbus_adress" << -1;
    QTest::newRow("notice") << "lbl_desc(16)" << -1;
    QTest::newRow("device type") << "cmb_cfg(2)" << 0;
    QTest::newRow("view 99") << "cmb_bit_cfg(99)" << 0;
    QTest::newRow("input coil") << "chk_inp_bit(4)" << 0;
    QTest::newRow("update interval") << "UpD_txt_cfg(5)" << 1;
    QTest::newRow("unit coil") << "cmb_bit_cfg(6)" << 1;
    QTest::newRow("button") << "cmb_cfg(4)" << 2;
    QTest::newRow("manual output") << "txt_data_in(6)" << 2;
    QTest::newRow("controller mode") << "cmb_cfg(37)" << 3;
    QTest::newRow("basic setpoint") << "txt_data_in(3)" << 4;
    QTest::newRow("knob coil") << "cmb_bit_cfg(13)" << 4;
    QTest::newRow("controller mode word") << "lbl_in_val(17)" << 5;
}

void TestMainWindow::placement() {
    QFETCH(QString, control);
    QFETCH(int, tab);
    testing::TestProgram t;
    frm_config w(t.program());
    forms::Control* c = findControl(w, control);
    QVERIFY2(c, qPrintable(control));
    QCOMPARE(testing::TabLookup(w).tabOf(*c), tab);
    // Every container chain ends at the window.
    const forms::Control* top = c;
    while (top->container())
        top = top->container();
    QCOMPARE(top, &w.form);
}

// The controls of one field sit together, so a view can place them as one row.
void TestMainWindow::partnersShareTheirFrame() {
    testing::TestProgram t;
    frm_config w(t.program());
    const QStringList groups[] = {
        {"lbl_cfg", "txt_data_cfg", "cmb_cfg", "UpD_txt_cfg", "lbl_cfg_val"},
        {"lbl_read_cfg_bit", "chk_cfg", "cmb_bit_cfg"},
        {"lbl_data_in", "txt_data_in", "cmb_in"},
        {"lbl_read_bit", "chk_inp_bit"},
        {"lbl_read_out", "txt_data_out", "lbl_in_val"},
    };
    int fields = 0;
    for (const QStringList& group : groups) {
        for (int i : elementsOf(w, group.first())) {
            const forms::Control* frame =
                findControl(w, QStringLiteral("%1(%2)").arg(group.first()).arg(i))->container();
            QVERIFY(kTabFrames.count(frame->objectName()));
            for (const QString& array : group)
                if (forms::Control* c = findControl(w, QStringLiteral("%1(%2)").arg(array).arg(i)))
                    QCOMPARE(c->container(), frame);
            ++fields;
        }
    }
    QCOMPARE(fields, 38 + 15 + 8 + 5 + 18);
}

void TestMainWindow::tabRule_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    for (int from = 0; from < 6; ++from)
        for (int to = 0; to < 6; ++to)
            QTest::addRow("%d to %d", from, to) << from << to;
}

void TestMainWindow::tabRule() {
    QFETCH(int, from);
    QFETCH(int, to);
    testing::TestProgram t;
    frm_config w(t.program());
    w.SSTab1->setTab(from == 0 ? 1 : 0); // make sure the first switch is a change
    w.SSTab1->setTab(from);
    // Selecting the shown tab again is no change: a frame switched by hand stays as it is.
    auto* probe = qobject_cast<forms::Frame*>(findControl(w, "frm_soll(1)"));
    const bool probeBefore = probe->enabled();
    probe->setEnabled(!probeBefore);
    w.SSTab1->setTab(from);
    QCOMPARE(probe->enabled(), !probeBefore);
    probe->setEnabled(probeBefore);

    w.SSTab1->setTab(to);
    QCOMPARE(w.SSTab1->tab(), to);
    for (const auto& [name, tab] : kTabFrames) {
        forms::Control* frame = findControl(w, name);
        QVERIFY2(frame, qPrintable(name));
        QVERIFY2(frame->enabled() == (tab == to), qPrintable(name));
    }
    // A visible control takes input only on the tab on show.
    const char* probes[] = {"cmb_cfg(2)",      "chk_cfg(0)",     "cmb_cfg(4)",
                            "UpD_txt_cfg(16)", "txt_data_in(3)", "txt_data_out(0)"};
    for (int tab = 0; tab < 6; ++tab)
        QCOMPARE(findControl(w, probes[tab])->acceptsInput(), tab == to);
}

void TestMainWindow::load() {
    testing::TestProgram t;
    t.g().startAddress = 12;
    t.g().refDataIn.fill(3.5); // left over from nowhere: the load starts the references afresh
    app::Main(t.program());
    frm_config& w = t.program().frm_config();

    QCOMPARE(w.SSTab1->tab(), 0);
    QCOMPARE(t.g().startAddress, qint16(0));
    QCOMPARE(w.Combo_Port(0).items().size(), 8);
    QCOMPARE(w.Combo_Port(0).items().last(), QStringLiteral("COM8"));
    QCOMPARE(w.Combo_Port(2).items(), (QStringList{"None", "Even", "Odd"}));
    QCOMPARE(w.Combo_Port(6).items(), (QStringList{"close", "open"}));
    // The selections went through the selectors' handler to the shared settings and the port.
    QCOMPARE(t.g().commPort, quint8(1));
    QCOMPARE(t.g().modbusMode, QStringLiteral("RTU"));
    QCOMPARE(t.port.settings(), QStringLiteral("9600,E,8,1"));
    QVERIFY(!t.port.portOpen());
    QVERIFY(t.port.outputs().isEmpty());
    for (int i = 0; i < 8; ++i)
        QCOMPARE(t.g().refDataIn[i], 0.0);
    QCOMPARE(w.cmb_in(4).listIndex(), 0);
    QCOMPARE(w.cmb_in(5).listIndex(), 0);
    QVERIFY(t.ui.messages().isEmpty());
}

void TestMainWindow::loadSelections_data() {
    QTest::addColumn<QString>("baudRate");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<int>("baudEntry");
    QTest::newRow("9600") << "9600" << false << 0;
    QTest::newRow("19200") << "19200" << false << 1;
    QTest::newRow("38400") << "38400" << false << 2;
    QTest::newRow("57600, open") << "57600" << true << 3;
    QTest::newRow("4800 is not offered") << "4800" << false << -1;
    QTest::newRow("trailing blank") << "9600 " << false << -1;
    QTest::newRow("empty") << "" << false << -1;
}

void TestMainWindow::loadSelections() {
    QFETCH(QString, baudRate);
    QFETCH(bool, portOpen);
    QFETCH(int, baudEntry);
    testing::TestProgram t;
    frm_config& w = loadWith(t.program(), baudRate, portOpen);
    QCOMPARE(w.Combo_Port(1).listIndex(), baudEntry);
    QCOMPARE(w.Combo_Port(0).listIndex(), 0);
    QCOMPARE(w.Combo_Port(2).listIndex(), 1);
    QCOMPARE(w.Combo_Port(5).listIndex(), 1);
    QCOMPARE(w.Combo_Port(6).listIndex(), portOpen ? 1 : 0);
    QCOMPARE(t.port.portOpen(), portOpen);
}

void TestMainWindow::closingEndsEveryWindow() {
    testing::TestProgram t;
    int quits = 0;
    t.program().quit = [&] { ++quits; };
    app::Main(t.program());
    t.program().frmState();
    t.program().fAbout();
    t.program().dlg_download();
    QVERIFY(t.program().frmStateLoaded() && t.program().fAboutLoaded());

    t.program().frm_config().form.userClose();
    QVERIFY(!t.program().frmStateLoaded());
    QVERIFY(!t.program().fAboutLoaded());
    QVERIFY(!t.program().dlgDownload_);
    QCOMPARE(quits, 1);
}

QTEST_GUILESS_MAIN(TestMainWindow)
#include "tst_main_window.moc"
