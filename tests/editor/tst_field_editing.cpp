#include "editor/main_window_rig.h"
#include "params/field_rules.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "params/write_check.h"

#include <QTest>

using namespace qtx52;
using editor::frm_config;
using forms::ListBox;
using forms::TextBox;
using forms::UpDown;

namespace {

struct Rig : testing::MainWindowRig {
    TextBox& box(const QString& family, int element) {
        return family == "cfg" ? f.txt_data_cfg(element) : f.txt_data_in(element);
    }
};

} // namespace

class TestFieldEditing : public QObject {
    Q_OBJECT
private slots:
    void keyFilter_data();
    void keyFilter();
    void separatorsOfBothInterfaces_data();
    void separatorsOfBothInterfaces();
    void deleteAndBackspaceReachEveryBox();
    void leavingForcesRange_data();
    void leavingForcesRange();
    void arrowSteps_data();
    void arrowSteps();
    void autoRepeat_data();
    void autoRepeat();
    void responseTimeForcedWhenComplete_data();
    void responseTimeForcedWhenComplete();
    void everyLimitCanBeTyped_data();
    void everyLimitCanBeTyped();
};

void TestFieldEditing::keyFilter_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");

    // clang-format off
    QTest::newRow("second separator swallowed") << "cfg" << 16 << "," << "2,5," << "2,5";
    QTest::newRow("point is the separator") << "cfg" << 16 << "." << "2.5." << "2.5";
    QTest::newRow("comma after a point swallowed") << "cfg" << 16 << "." << "2.5,1" << "2.51";
    QTest::newRow("letters, blanks, Enter swallowed") << "cfg" << 3 << "," << "a1 \r2" << "12";
    QTest::newRow("unsigned register swallows minus") << "cfg" << 17 << "," << "-3" << "3";
    QTest::newRow("first signed register") << "cfg" << 7 << "," << "-3" << "-3";
    QTest::newRow("last signed register") << "cfg" << 14 << "," << "-3" << "-3";
    QTest::newRow("register after the signed ones") << "cfg" << 16 << "," << "-3" << "3";
    QTest::newRow("second minus swallowed") << "cfg" << 8 << "," << "-1-2" << "-12";
    QTest::newRow("minus position not examined") << "cfg" << 8 << "," << "1-" << "1-";
    QTest::newRow("signed input value") << "in" << 0 << "," << "-2,5" << "-2,5";
    QTest::newRow("manual output is signed") << "in" << 6 << "," << "-5" << "-5";
    QTest::newRow("occupancy is unsigned") << "in" << 4 << "," << "-1" << "1";
    QTest::newRow("controller mode is unsigned") << "in" << 5 << "," << "-2" << "2";
    QTest::newRow("backspace removes") << "in" << 2 << "," << "12\b" << "1";
    // clang-format on
}

void TestFieldEditing::keyFilter() {
    QFETCH(QString, family);
    QFETCH(int, element);
    QFETCH(QString, separator);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    Rig rig;
    rig.program.g.decimalSeparator = separator;
    TextBox& box = rig.box(family, element);
    box.setText(QString());
    box.typeText(keys);
    QCOMPARE(box.text(), text);
}

// Typed or pasted, either separator under either interface: a field with decimals takes it as the
// interface's own, a field without refuses it and says why, never shifting the digits of a paste.
void TestFieldEditing::separatorsOfBothInterfaces_data() {
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    const struct {
        const char* family;
        int element;
        bool decimals;
    } fields[] = {{"cfg", 11, true}, {"in", 3, true}, {"cfg", 17, false}, {"in", 6, false}};
    for (bool pasted : {false, true})
        for (const QString sep : {",", "."})
            for (const QString typed : {",", "."})
                for (const auto& field : fields) {
                    const QString keys = "22" + typed + "7";
                    const QString text = field.decimals ? "22" + sep + "7" : pasted ? "" : "227";
                    QTest::addRow("%s \"%s\" under \"%s\" into %s %d", pasted ? "pasted" : "typed",
                                  qPrintable(typed), qPrintable(sep), field.family, field.element)
                        << pasted << field.family << field.element << sep << keys << text;
                }
}

void TestFieldEditing::separatorsOfBothInterfaces() {
    QFETCH(bool, pasted);
    QFETCH(QString, family);
    QFETCH(int, element);
    QFETCH(QString, separator);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    Rig rig;
    rig.program.g.decimalSeparator = separator;
    TextBox& box = rig.box(family, element);
    box.setText(QString());
    pasted ? void(box.pasteText(keys)) : box.typeText(keys);
    QCOMPARE(box.text(), text);
    // A refusal is said at the box until the box is left.
    const bool refused = !text.contains(separator);
    QCOMPARE(box.notice().isEmpty(), !refused);
    box.leaveFocus();
    QVERIFY(box.notice().isEmpty());
}

void TestFieldEditing::deleteAndBackspaceReachEveryBox() {
    Rig rig;
    for (const auto& [i, box] : rig.f.txt_data_cfg) {
        QCOMPARE(box->pressKey(forms::KeyDelete), forms::KeyDelete);
        QCOMPARE(box->pressKey(forms::KeyBackspace), forms::KeyBackspace);
    }
    for (const auto& [i, box] : rig.f.txt_data_in) {
        QCOMPARE(box->pressKey(forms::KeyDelete), forms::KeyDelete);
        QCOMPARE(box->pressKey(forms::KeyBackspace), forms::KeyBackspace);
    }
}

void TestFieldEditing::leavingForcesRange_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<double>("reference");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("forced");

    // clang-format off
    QTest::newRow("register above 255") << "cfg" << 5 << "," << 0.0 << "1000" << "255";
    QTest::newRow("register at 255 stays") << "cfg" << 3 << "," << 0.0 << "255" << "255";
    QTest::newRow("register at -255 stays") << "cfg" << 7 << "," << 0.0 << "-255" << "-255";
    QTest::newRow("register below -255 clears") << "cfg" << 7 << "," << 0.0 << "-256" << "0";
    QTest::newRow("register empty") << "cfg" << 8 << "," << 3.0 << "" << "0";
    QTest::newRow("register lone minus") << "cfg" << 7 << "," << -2.5 << "-" << "-2,5";
    QTest::newRow("register lone separator") << "cfg" << 16 << "," << 1.5 << "," << "1,5";
    QTest::newRow("register reference, point") << "cfg" << 7 << "." << -2.5 << "-" << "-2.5";
    QTest::newRow("output after reset capped") << "cfg" << 29 << "," << 0.0 << "1500" << "1000";
    QTest::newRow("output after reset at 1000") << "cfg" << 30 << "," << 0.0 << "1000" << "1000";
    QTest::newRow("manual output after reset negative") << "cfg" << 30 << "," << 0.0 << "-1" << "0";
    QTest::newRow("external temperature too high") << "in" << 0 << "," << 0.0 << "150" << "3276,7";
    QTest::newRow("temperature too high, point") << "in" << 0 << "." << 0.0 << "150" << "3276.7";
    QTest::newRow("external temperature too low") << "in" << 0 << "," << 0.0 << "-150" << "0";
    QTest::newRow("external temperature at -100") << "in" << 0 << "," << 0.0 << "-100" << "-100";
    QTest::newRow("external humidity too high") << "in" << 1 << "," << 0.0 << "100,1" << "1638,3";
    QTest::newRow("manual output above 1000") << "in" << 6 << "," << 0.0 << "1500" << "0";
    QTest::newRow("manual output negative") << "in" << 7 << "," << 0.0 << "-1" << "0";
    QTest::newRow("manual output at 1000") << "in" << 7 << "," << 0.0 << "1000" << "1000";
    QTest::newRow("setpoint offset above 100") << "in" << 2 << "," << 0.0 << "101" << "0";
    QTest::newRow("setpoint below -100") << "in" << 3 << "," << 0.0 << "-101" << "0";
    QTest::newRow("input empty") << "in" << 3 << "," << 21.5 << "" << "0";
    QTest::newRow("input lone minus") << "in" << 3 << "," << 21.5 << "-" << "21,5";
    // clang-format on
}

void TestFieldEditing::leavingForcesRange() {
    QFETCH(QString, family);
    QFETCH(int, element);
    QFETCH(QString, separator);
    QFETCH(double, reference);
    QFETCH(QString, text);
    QFETCH(QString, forced);
    Rig rig;
    app::Global& g = rig.program.g;
    g.decimalSeparator = separator;
    (family == "cfg" ? g.refDataCfg[element] : g.refDataIn[element]) = reference;
    TextBox& box = rig.box(family, element);
    box.setText(text);
    box.leaveFocus();
    QCOMPARE(box.text(), forced);
}

void TestFieldEditing::arrowSteps_data() {
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QString>("stepped");

    QTest::newRow("tenth up onto max") << 7 << "9,95" << true << "10";
    QTest::newRow("tenth down from max") << 7 << "10" << false << "9,9";
    QTest::newRow("tenth up without tail") << 7 << "0,7" << true << "0,8";
    QTest::newRow("tenth down onto zero") << 8 << "0,1" << false << "0";
    QTest::newRow("tenth down onto min") << 7 << "-9,95" << false << "-10";
    QTest::newRow("tenth up from below min") << 9 << "-100" << true << "-99,9";
    QTest::newRow("tenth down from above max") << 14 << "31" << false << "30,9";
    QTest::newRow("proportional band is tenths") << 16 << "2" << true << "2,1";
    QTest::newRow("cooling band is tenths") << 22 << "2" << false << "1,9";
    QTest::newRow("frost protection is tenths") << 28 << "5" << true << "5,1";
    QTest::newRow("whole up above max") << 17 << "256" << true << "255";
    QTest::newRow("whole down above max") << 17 << "256" << false << "255";
    QTest::newRow("whole down at min") << 18 << "0" << false << "0";
    QTest::newRow("whole down from a fraction") << 18 << "0,5" << false << "0";
    QTest::newRow("whole up a fraction") << 35 << "2,5" << true << "3,5";
    QTest::newRow("location reaches its word's 32767") << 3 << "32766" << true << "32767";
    QTest::newRow("location stays at 32767") << 3 << "32767" << true << "32767";
    QTest::newRow("display interval max 255") << 5 << "255" << true << "255";
    QTest::newRow("response time down to 5 stays 5") << 6 << "5" << false << "5";
    QTest::newRow("not a number is left alone") << 16 << "-" << true << "-";
}

void TestFieldEditing::arrowSteps() {
    QFETCH(int, element);
    QFETCH(QString, text);
    QFETCH(bool, up);
    QFETCH(QString, stepped);
    Rig rig;
    TextBox& box = rig.f.txt_data_cfg(element);
    box.setText(text);
    UpDown& arrows = rig.f.UpD_txt_cfg(element);
    rig.showTabOf(arrows);
    up ? arrows.userClickUp() : arrows.userClickDown();
    QCOMPARE(box.text(), stepped);
}

void TestFieldEditing::autoRepeat_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<double>("pressAt"); // fraction of the height
    // Where the pointer moves after three ticks, as fractions of width and height; a release
    // when both are NaN.
    QTest::addColumn<double>("moveX");
    QTest::addColumn<double>("moveY");
    QTest::addColumn<QString>("afterThree");
    QTest::addColumn<QString>("afterEight");

    const double release = qQNaN();
    // clang-format off
    QTest::newRow("upper arrow, released") << "2" << 0.25 << release << release << "2,3" << "2,3";
    QTest::newRow("lower arrow, released") << "2" << 0.75 << release << release << "1,7" << "1,7";
    QTest::newRow("held into the limit") << "9,8" << 0.25 << release << release << "10" << "10";
    QTest::newRow("moved well below") << "2" << 0.25 << 0.5 << 1.3 << "2,3" << "2,3";
    QTest::newRow("moved well right") << "2" << 0.25 << 1.3 << 0.5 << "2,3" << "2,3";
    QTest::newRow("moved slightly out") << "2" << 0.25 << 1.15 << 1.15 << "2,3" << "2,8";
    QTest::newRow("moved far above") << "2" << 0.25 << 0.5 << -5.0 << "2,3" << "2,8";
    QTest::newRow("moved far left") << "2" << 0.75 << -5.0 << 0.5 << "1,7" << "1,2";
    // clang-format on
}

void TestFieldEditing::autoRepeat() {
    QFETCH(QString, start);
    QFETCH(double, pressAt);
    QFETCH(double, moveX);
    QFETCH(double, moveY);
    QFETCH(QString, afterThree);
    QFETCH(QString, afterEight);
    Rig rig;
    TextBox& box = rig.f.txt_data_cfg(16);
    box.setText(start);
    UpDown& arrows = rig.f.UpD_txt_cfg(16);
    rig.showTabOf(arrows);
    const int w = arrows.width();
    const int h = arrows.height();

    arrows.userMouseDown(w / 2, int(pressAt * h));
    rig.clock.advance(199);
    QCOMPARE(box.text(), start);
    rig.clock.advance(401);
    QCOMPARE(box.text(), afterThree);

    if (qIsNaN(moveX))
        arrows.userMouseUp(w / 2, int(pressAt * h));
    else
        arrows.userMouseMove(int(moveX * w), int(moveY * h));
    rig.clock.advance(1000);
    QCOMPARE(box.text(), afterEight);
    if (box.text() == afterThree)
        QVERIFY(!rig.f.Timer.enabled());
}

void TestFieldEditing::responseTimeForcedWhenComplete_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("complete"); // leaving, Enter: the key
    QTest::addColumn<QString>("forced");

    // clang-format off
    QTest::newRow("3 left becomes 5") << "3" << "leave" << "5";
    QTest::newRow("0 with Enter becomes 5") << "0" << "enter" << "5";
    QTest::newRow("20 typed stays") << "20" << "leave" << "20";
    QTest::newRow("3000 typed stays") << "3000" << "enter" << "3000";
    QTest::newRow("3001 becomes 3000") << "3001" << "leave" << "3000";
    QTest::newRow("Apply completes it") << "2" << "apply" << "5";
    // clang-format on
}

// The range is forced once the value is complete, never at a key.
void TestFieldEditing::responseTimeForcedWhenComplete() {
    QFETCH(QString, keys);
    QFETCH(QString, complete);
    QFETCH(QString, forced);
    Rig rig;
    TextBox& box = rig.f.txt_data_cfg(6);
    box.setText(QString());
    rig.program.g.minResponseTime = 77;
    rig.f.responseTimeChanged = false;
    box.typeText(keys);
    QCOMPARE(box.text(), keys);
    if (complete == "leave")
        box.leaveFocus();
    else if (complete == "enter")
        box.typeKey(forms::KeyEnter);
    else
        rig.f.set_parameter_Click();
    QCOMPARE(box.text(), forced);
    QCOMPARE(int(rig.program.g.minResponseTime), 77); // learned from the unit, not the box
    QVERIFY(rig.f.responseTimeChanged);
}

// Every value the check before a write lets a field hold can be typed digit by digit and stays
// when the box is left; whatever leaving forces a value beyond to passes the check.
void TestFieldEditing::everyLimitCanBeTyped_data() {
    QTest::addColumn<bool>("config");
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("withinLimits");
    const auto add = [](bool config, int element) {
        const params::FieldLimits l = params::limitsOf(
            config ? params::WriteKind::ConfigRegister : params::WriteKind::InputRegister, element);
        if (!l.codes.empty())
            return; // a list's codes are chosen, not typed
        const auto row = [&](const char* what, double v, bool within) {
            QTest::addRow("%s %d %s", config ? "cfg" : "in", element, what)
                << config << element << params::formatNumber(v, ",") << within;
        };
        row("min", l.min, true);
        row("max", l.max, true);
        row("above max", l.max + 1, false);
        if (l.min > 0 ||
            (config ? params::isSignedConfigField(element) : params::isSignedInputField(element)))
            row("below min", l.min - 1, false);
    };
    for (int i = params::kConfigWriteFirst; i < params::kConfigCount; ++i)
        add(true, i);
    for (int i = 0; i < params::kInputCount; ++i)
        add(false, i);
}

void TestFieldEditing::everyLimitCanBeTyped() {
    QFETCH(bool, config);
    QFETCH(int, element);
    QFETCH(QString, keys);
    QFETCH(bool, withinLimits);
    Rig rig;
    TextBox& box = config ? rig.f.txt_data_cfg(element) : rig.f.txt_data_in(element);
    box.setText(QString());
    box.typeText(keys);
    QCOMPARE(box.text(), keys);
    box.leaveFocus();
    if (withinLimits)
        QCOMPARE(box.text(), keys);
    const params::WriteKind kind =
        config ? params::WriteKind::ConfigRegister : params::WriteKind::InputRegister;
    QVERIFY(params::checkWrite({{kind, element, box.text()}}, ",").empty());
}

QTEST_GUILESS_MAIN(TestFieldEditing)
#include "tst_field_editing.moc"
