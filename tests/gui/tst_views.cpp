#include "app/language.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "gui/main_window_view.h"
#include "gui/shown_window.h"
#include "params/register_map.h"
#include "support/test_program.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <map>
#include <optional>
#include <set>

using namespace qtx52;

using testing::Shown;
using testing::textBox;

class TestViews : public QObject {
    Q_OBJECT
private slots:
    void typing_data();
    void typing();
    void listChoiceRunsHandlers();
    void checkBoxClick_data();
    void checkBoxClick();
    void modelChangesReachWidgets();
    void changeMarkShowsRed();
    void disabledFollowsTabs();
    void monitorBoxesAreReadOnly();
    void typingOverSelection_data();
    void typingOverSelection();
    void pastedTextFollowsTheKeyRules_data();
    void pastedTextFollowsTheKeyRules();
    void headingsNameTheFieldsBelow_data();
    void headingsNameTheFieldsBelow();
};

void TestViews::typing_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");
    QTest::newRow("digits") << "cfg:3"
                            << ""
                            << "12"
                            << "12";
    QTest::newRow("letters swallowed") << "cfg:3"
                                       << ""
                                       << "1a2b"
                                       << "12";
    QTest::newRow("typed limit") << "cfg:3"
                                 << ""
                                 << "1234567"
                                 << "12345";
    QTest::newRow("one separator") << "in:0"
                                   << ""
                                   << "2,,5"
                                   << "2,5";
    QTest::newRow("address digits only") << "address"
                                         << "6"
                                         << "x3"
                                         << "63";
    QTest::newRow("address reset by program") << "address"
                                              << "6"
                                              << "4"
                                              << "1";
    QTest::newRow("backspace") << "cfg:3"
                               << "12"
                               << "\b3"
                               << "13";
}

void TestViews::typing() {
    QFETCH(QString, box);
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    Shown s;
    forms::TextBox& model = textBox(s.w(), box);
    model.setText(start);
    auto* edit = s.widget<QLineEdit>(model);
    QVERIFY(edit);
    edit->setFocus();
    edit->end(false);
    for (QChar ch : keys) {
        if (ch == QLatin1Char('\b'))
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::keyClicks(edit, QString(ch));
    }
    QCOMPARE(model.text(), expected);
    QCOMPARE(edit->text(), expected);
}

void TestViews::listChoiceRunsHandlers() {
    Shown s;
    auto* list = s.widget<QComboBox>(s.w().cmb_cfg(15));
    QVERIFY(list);
    QCOMPARE(list->count(), 2);
    list->setCurrentIndex(1);
    emit list->activated(1);
    QCOMPARE(s.w().cmb_cfg(15).listIndex(), 1);
    // The selection handler writes the code into the hidden value box.
    QCOMPARE(s.w().txt_data_cfg(15).text(), QStringLiteral("1"));
    QVERIFY(s.widget<QLineEdit>(s.w().txt_data_cfg(15))->isHidden());
}

void TestViews::checkBoxClick_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("inputCoil");
    QTest::addColumn<int>("element");
    QTest::addColumn<int>("expected");
    QTest::newRow("input coil on its tab") << 0 << true << 0 << 1;
    QTest::newRow("config coil on its tab") << 1 << false << 0 << 1;
    QTest::newRow("config coil, other tab") << 0 << false << 0 << 0;
}

void TestViews::checkBoxClick() {
    QFETCH(int, tab);
    QFETCH(bool, inputCoil);
    QFETCH(int, element);
    QFETCH(int, expected);
    Shown s;
    s.view->tabs()->setCurrentIndex(tab == 0 ? 1 : 0);
    s.view->tabs()->setCurrentIndex(tab);
    QCOMPARE(s.w().SSTab1->tab(), tab);
    forms::CheckBox& model = inputCoil ? s.w().chk_inp_bit(element) : s.w().chk_cfg(element);
    auto* box = s.widget<QCheckBox>(model);
    QVERIFY(box);
    emit box->clicked(true);
    QCOMPARE(model.value(), expected);
    QCOMPARE(box->isChecked(), expected == 1);
}

void TestViews::modelChangesReachWidgets() {
    Shown s;
    editor::frm_config& w = s.w();
    // A program text longer than the typed limit is shown whole.
    w.txt_data_cfg(3).setText(QStringLiteral("1234567"));
    QCOMPARE(s.widget<QLineEdit>(w.txt_data_cfg(3))->text(), QStringLiteral("1234567"));
    // A value written into a hidden box shows in its list.
    w.txt_data_cfg(36).setText(QStringLiteral("3"));
    QCOMPARE(s.widget<QComboBox>(w.cmb_cfg(36))->currentIndex(), 3);
    // Read-only displays and captions.
    w.txt_data_cfg(1).setText(QStringLiteral("17"));
    QCOMPARE(s.widget<QLabel>(w.lbl_cfg_val(1))->text(), w.lbl_cfg_val(1).caption());
    w.cmd_read_device->setCaption(QStringLiteral("X"));
    QCOMPARE(s.widget<QPushButton>(*w.cmd_read_device)->text(), QStringLiteral("X"));
    QCOMPARE(s.view->windowTitle(), QStringLiteral("QTX52 RS485 Modbus V1.5"));
}

void TestViews::changeMarkShowsRed() {
    Shown s;
    editor::frm_config& w = s.w();
    auto* notice = s.widget<QLabel>(w.lbl_desc(16));
    QVERIFY(notice->isHidden());
    QCOMPARE(notice->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    w.lbl_desc(16).setVisible(true);
    QVERIFY(!notice->isHidden());

    auto* edit = s.widget<QLineEdit>(w.txt_data_cfg(3));
    const QColor normal = edit->palette().color(QPalette::Text);
    w.txt_data_cfg(3).setForeColor(forms::ColorChanged);
    QCOMPARE(edit->palette().color(QPalette::Text), QColor(255, 0, 0));
    w.txt_data_cfg(3).setForeColor(forms::ColorButtonText);
    QCOMPARE(edit->palette().color(QPalette::Text), normal);
}

void TestViews::disabledFollowsTabs() {
    Shown s;
    editor::frm_config& w = s.w();
    QWidget* general = s.view->widgetFor(&w.frm_allg(1));
    QWidget* display = s.view->widgetFor(&w.frm_display(0));
    s.view->tabs()->setCurrentIndex(2);
    s.view->tabs()->setCurrentIndex(0);
    QCOMPARE(w.SSTab1->tab(), 0);
    QVERIFY(general->isEnabled());
    QVERIFY(!display->isEnabled());
    s.view->tabs()->setCurrentIndex(1);
    QVERIFY(!general->isEnabled());
    QVERIFY(display->isEnabled());
    w.SSTab1->setTab(5);
    QCOMPARE(s.view->tabs()->currentIndex(), 5);
    QVERIFY(!display->isEnabled());
    w.set_parameter->setEnabled(false);
    QVERIFY(!s.view->widgetFor(w.set_parameter)->isEnabled());
}

void TestViews::monitorBoxesAreReadOnly() {
    Shown s;
    forms::TextBox& model = s.w().txt_data_out(2);
    int changes = 0;
    connect(&model, &forms::TextBox::change, this, [&] { ++changes; });
    model.setText(QStringLiteral("21.5"));
    QCOMPARE(changes, 1);
    auto* edit = s.widget<QLineEdit>(model);
    QVERIFY(edit);
    QVERIFY(edit->isReadOnly());
    QCOMPARE(edit->text(), QStringLiteral("21.5"));
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, QStringLiteral("hello world 123"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QGuiApplication::clipboard()->setText(QStringLiteral("99"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(model.text(), QStringLiteral("21.5"));
    QCOMPARE(edit->text(), QStringLiteral("21.5"));
    QCOMPARE(model.pressKey('7'), 0);
    edit->selectAll();
    QCOMPARE(edit->selectedText(), QStringLiteral("21.5"));
}

// A key typed over a selection replaces it, also in a full box; Backspace and Delete remove it.
// The selection is made on the widget, as a person makes it, and the model hears of it.
void TestViews::typingOverSelection_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("keys"); // \b Backspace, \x7f Delete
    QTest::addColumn<QString>("expected");
    QTest::newRow("full box, all selected") << "cfg:3"
                                            << "12345" << 0 << 5 << "7"
                                            << "7";
    QTest::newRow("full box, middle selected") << "cfg:3"
                                               << "12345" << 1 << 2 << "9"
                                               << "1945";
    QTest::newRow("full box, nothing selected") << "cfg:3"
                                                << "12345" << 5 << 0 << "9"
                                                << "12345";
    QTest::newRow("full box, two keys for one selected") << "cfg:3"
                                                         << "12345" << 0 << 1 << "98"
                                                         << "92345";
    QTest::newRow("program text over the limit, all selected") << "cfg:3"
                                                               << "1234567" << 0 << 7 << "8"
                                                               << "8";
    QTest::newRow("backspace on selection") << "cfg:3"
                                            << "12345" << 1 << 3 << "\b"
                                            << "15";
    QTest::newRow("delete on selection") << "cfg:3"
                                         << "12345" << 0 << 2 << "\x7f"
                                         << "345";
    QTest::newRow("minus over the selected minus") << "in:2"
                                                   << "-5" << 0 << 1 << "-"
                                                   << "-5";
    QTest::newRow("minus beside a minus") << "in:2"
                                          << "-5" << 2 << 0 << "-"
                                          << "-5";
    QTest::newRow("separator over the selected separator") << "in:0"
                                                           << "2,5" << 1 << 1 << ",7"
                                                           << "2,75";
    QTest::newRow("station, all selected") << "address"
                                           << "12" << 0 << 2 << "5"
                                           << "5";
}

void TestViews::typingOverSelection() {
    QFETCH(QString, box);
    QFETCH(QString, start);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    Shown s;
    forms::TextBox& model = textBox(s.w(), box);
    model.setText(start);
    auto* edit = s.widget<QLineEdit>(model);
    QVERIFY(edit);
    edit->setFocus();
    edit->setSelection(selStart, selLength);
    QCOMPARE(model.selStart(), selStart);
    QCOMPARE(model.selLength(), selLength);
    for (QChar ch : keys) {
        if (ch == QLatin1Char('\b'))
            QTest::keyClick(edit, Qt::Key_Backspace);
        else if (ch == QChar(0x7f))
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, QString(ch));
    }
    QCOMPARE(model.text(), expected);
    QCOMPARE(edit->text(), expected);
    QVERIFY(s.tp.ui.messages().isEmpty());
}

namespace {

// Puts `text` into a value box by one of the ways a person pastes or drops, on the real widget.
void deliver(QLineEdit* edit, const QString& way, const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QPoint inside = edit->rect().center();
    if (way == QLatin1String("Ctrl+V")) {
        clipboard->setText(text);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else if (way == QLatin1String("Shift+Insert")) {
        clipboard->setText(text);
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
    } else if (way == QLatin1String("context menu")) {
        clipboard->setText(text);
        QContextMenuEvent event(QContextMenuEvent::Mouse, inside, edit->mapToGlobal(inside));
        QApplication::sendEvent(edit, &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        auto* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
        QVERIFY(paste && paste->isEnabled());
        paste->trigger();
        menu->close();
    } else if (way == QLatin1String("middle button")) {
        clipboard->setText(text, QClipboard::Selection);
        QTest::mouseClick(edit, Qt::MiddleButton, {}, QPoint(edit->width() - 4, inside.y()));
    } else if (way == QLatin1String("drop")) {
        // A drag from another program: it enters, moves over the box, and drops.
        QMimeData mime;
        mime.setText(text);
        const QPoint at(edit->width() - 4, inside.y());
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &move);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &drop);
        QVERIFY(drop.isAccepted());
    } else if (way == QLatin1String("input method")) {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(edit, &commit);
    } else {
        QFAIL(qPrintable(way));
    }
}

} // namespace

// Whichever way text arrives, it goes in as if typed, whole or not at all: a character the key
// filter refuses or the length limit would cut refuses the whole paste, saying why at the box,
// so that no value is pasted with digits left out; each character that goes in raises the box's
// change.
void TestViews::pastedTextFollowsTheKeyRules_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("selectAll");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("changes");
    for (const char* way :
         {"Ctrl+V", "Shift+Insert", "context menu", "middle button", "drop", "input method"}) {
        // A box of five characters without a minus.
        QTest::addRow("%s: letters refuse it", way) << way << "cfg:3"
                                                    << "" << false << "abc12"
                                                    << "" << 0;
        QTest::addRow("%s: minus in an unsigned box", way) << way << "cfg:3"
                                                           << "" << false << "-5"
                                                           << "" << 0;
        QTest::addRow("%s: longer than the box", way) << way << "cfg:3"
                                                      << "" << false << "1234567"
                                                      << "" << 0;
        QTest::addRow("%s: the other separator", way) << way << "in:0"
                                                      << "" << false << "21.5"
                                                      << "21,5" << 4;
    }
    QTest::newRow("signed box keeps its minus") << "Ctrl+V"
                                                << "in:2"
                                                << "" << false << "-5"
                                                << "-5" << 2;
    QTest::newRow("second minus refuses it") << "Ctrl+V"
                                             << "in:2"
                                             << "-1" << false << "-5"
                                             << "-1" << 0;
    QTest::newRow("second separator refuses it") << "Ctrl+V"
                                                 << "in:0"
                                                 << "" << false << "2,5,7"
                                                 << "" << 0;
    QTest::newRow("over the selection of a full box") << "Ctrl+V"
                                                      << "cfg:3"
                                                      << "12345" << true << "67"
                                                      << "67" << 2;
    QTest::newRow("blanks and line end around it") << "Ctrl+V"
                                                   << "cfg:3"
                                                   << "" << false << " 12\r\n"
                                                   << "12" << 2;
    QTest::newRow("tab inside refuses it") << "Ctrl+V"
                                           << "cfg:3"
                                           << "" << false << "1\t2"
                                           << "" << 0;
    QTest::newRow("nothing acceptable keeps the selection's text") << "Ctrl+V"
                                                                   << "cfg:3"
                                                                   << "12" << true << "abc"
                                                                   << "12" << 0;
    QTest::newRow("station digits") << "Ctrl+V"
                                    << "address"
                                    << "1" << true << "42"
                                    << "42" << 2;
    QTest::newRow("station letter refuses it") << "Ctrl+V"
                                               << "address"
                                               << "1" << true << "4x2"
                                               << "1" << 0;
    // "9" goes in, "99" is out of range: the box's own handling puts back 1, as for typing.
    QTest::newRow("station out of range, as typed") << "Ctrl+V"
                                                    << "address"
                                                    << "1" << true << "99"
                                                    << "1" << 3;
}

void TestViews::pastedTextFollowsTheKeyRules() {
    QFETCH(QString, way);
    QFETCH(QString, box);
    QFETCH(QString, start);
    QFETCH(bool, selectAll);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    QFETCH(int, changes);
    if (way == QLatin1String("middle button") && !QGuiApplication::clipboard()->supportsSelection())
        QSKIP("this platform has no selection to paste with the middle button");
    Shown s;
    forms::TextBox& model = textBox(s.w(), box);
    model.setText(start);
    auto* edit = s.widget<QLineEdit>(model);
    QVERIFY(edit);
    s.view->activateWindow();
    edit->setFocus();
    if (selectAll)
        edit->selectAll();
    else
        edit->end(false);
    int seen = 0;
    connect(&model, &forms::TextBox::change, this, [&] { ++seen; });
    deliver(edit, way, pasted);
    QCOMPARE(model.text(), expected);
    QCOMPARE(edit->text(), expected);
    QCOMPARE(seen, changes);
    // A value box says at its tooltip why a paste was refused.
    if (box != QLatin1String("address"))
        QCOMPARE(edit->toolTip().isEmpty(), changes > 0);
}

namespace {

enum class Group { ConfigRegisters, ConfigCoils, InputRegisters, InputCoils, Monitor };

// The group names a heading or a frame caption may carry, in both languages.
std::optional<Group> groupNamed(const QString& caption) {
    static const struct {
        const char* de;
        const char* en;
        Group group;
    } kNames[] = {
        {"Konfigurationsregister", "Configuration register", Group::ConfigRegisters},
        {"Konfigurationscoils", "Configuration coils", Group::ConfigCoils},
        {"Eingaberegister", "Holding register", Group::InputRegisters},
        {"Eingabecoils", "Coils", Group::InputCoils},
        {"Ausgaberegister", "Input register", Group::Monitor},
    };
    for (const auto& n : kNames)
        if (caption == QString::fromUtf8(n.de) || caption == QString::fromUtf8(n.en))
            return n.group;
    return std::nullopt;
}

// Every field's widget with the group the register map puts it in.
std::map<QWidget*, Group> fieldGroups(editor::frm_config& w, gui::MainWindowView& view) {
    std::map<QWidget*, Group> out;
    auto addAll = [&](const auto& array, Group group, auto inMap) {
        for (const auto& [i, c] : array) {
            QVERIFY2(inMap(i), qPrintable(QStringLiteral("%1(%2) is not in the register map")
                                              .arg(QString::fromUtf8(array.name()))
                                              .arg(i)));
            if (QWidget* widget = view.widgetFor(c))
                out[widget] = group;
        }
    };
    auto configRegister = [](int i) {
        const auto& map = params::configRegisters();
        return i >= 0 && i < int(map.size()) &&
               map[std::size_t(i)].family == params::Family::Config;
    };
    auto inputRegister = [](int i) {
        const auto& map = params::inputRegisters();
        return i >= 0 && i < int(map.size()) && map[std::size_t(i)].family == params::Family::Input;
    };
    auto monitorRegister = [](int i) {
        const auto& map = params::monitorRegisters();
        return i >= 0 && i < int(map.size()) &&
               map[std::size_t(i)].family == params::Family::Monitor;
    };
    auto configCoil = [](int i) {
        return i == params::kCoil13View || (i >= 0 && i < int(params::configCoils().size()));
    };
    auto inputCoil = [](int i) { return i >= 0 && i < int(params::inputCoils().size()); };
    addAll(w.txt_data_cfg, Group::ConfigRegisters, configRegister);
    addAll(w.cmb_cfg, Group::ConfigRegisters, configRegister);
    addAll(w.UpD_txt_cfg, Group::ConfigRegisters, configRegister);
    addAll(w.lbl_cfg, Group::ConfigRegisters, configRegister);
    addAll(w.lbl_cfg_val, Group::ConfigRegisters, configRegister);
    addAll(w.chk_cfg, Group::ConfigCoils, configCoil);
    addAll(w.cmb_bit_cfg, Group::ConfigCoils, configCoil);
    addAll(w.lbl_read_cfg_bit, Group::ConfigCoils, configCoil);
    addAll(w.txt_data_in, Group::InputRegisters, inputRegister);
    addAll(w.cmb_in, Group::InputRegisters, inputRegister);
    addAll(w.lbl_data_in, Group::InputRegisters, inputRegister);
    addAll(w.chk_inp_bit, Group::InputCoils, inputCoil);
    addAll(w.lbl_read_bit, Group::InputCoils, inputCoil);
    addAll(w.txt_data_out, Group::Monitor, monitorRegister);
    addAll(w.lbl_in_val, Group::Monitor, monitorRegister);
    addAll(w.lbl_read_out, Group::Monitor, monitorRegister);
    return out;
}

} // namespace

void TestViews::headingsNameTheFieldsBelow_data() {
    QTest::addColumn<bool>("english");
    QTest::newRow("German") << false;
    QTest::newRow("English") << true;
}

// Walks every frame of the tabs in reading order (down each column, then the next column) and
// checks that the heading above each field — or the frame's caption, before the first heading —
// names the group the register map puts the field in.
void TestViews::headingsNameTheFieldsBelow() {
    QFETCH(bool, english);
    Shown s;
    editor::frm_config& w = s.w();
    if (english)
        editor::applyMainWindowTexts(w, app::Language::English);
    const std::map<QWidget*, Group> groups = fieldGroups(w, *s.view);
    std::set<QWidget*> headings;
    for (const auto& [i, label] : w.lbl_desc)
        headings.insert(s.view->widgetFor(label));

    std::set<QWidget*> placed;
    for (int tab = 0; tab < 6; ++tab) {
        for (forms::Frame* frame : w.framesOnTab(tab)) {
            auto* box = qobject_cast<QGroupBox*>(s.view->widgetFor(frame));
            QVERIFY(box);
            auto* grid = qobject_cast<QGridLayout*>(box->layout());
            QVERIFY(grid);
            // (column block, row) -> widgets at that place
            std::map<std::pair<int, int>, std::vector<QWidget*>> cells;
            for (int k = 0; k < grid->count(); ++k) {
                int row, col, rowSpan, colSpan;
                grid->getItemPosition(k, &row, &col, &rowSpan, &colSpan);
                const auto at = std::make_pair(col / 3, row * 2 + (col % 3 == 0 ? 0 : 1));
                QLayoutItem* item = grid->itemAt(k);
                if (item->widget())
                    cells[at].push_back(item->widget());
                else if (QLayout* inner = item->layout())
                    for (int j = 0; j < inner->count(); ++j)
                        if (QWidget* widget = inner->itemAt(j)->widget())
                            cells[at].push_back(widget);
            }
            std::optional<Group> current = groupNamed(box->title());
            QString currentText = box->title();
            for (const auto& [at, widgets] : cells) {
                for (QWidget* widget : widgets) {
                    if (headings.count(widget)) {
                        currentText = qobject_cast<QLabel*>(widget)->text();
                        current = groupNamed(currentText);
                        QVERIFY2(current, qPrintable(QStringLiteral("heading \"%1\" in \"%2\"")
                                                         .arg(currentText, box->title())));
                        continue;
                    }
                    const auto g = groups.find(widget);
                    if (g == groups.end())
                        continue; // a unit beside a field
                    placed.insert(widget);
                    QVERIFY2(current == g->second,
                             qPrintable(QStringLiteral("%1 stands under \"%2\" in \"%3\"")
                                            .arg(widget->objectName(), currentText, box->title())));
                }
            }
        }
    }
    // Every field is on some tab, under some heading.
    QCOMPARE(placed.size(), groups.size());
}

QTEST_MAIN(TestViews)
#include "tst_views.moc"
