#include "app/program.h"
#include "editor/frm_config.h"
#include "gui/binders.h"
#include "gui/dialog_views.h"
#include "gui/main_window_view.h"
#include "gui/status_window_view.h"
#include "support/test_program.h"
#include "windows/dlg_download.h"
#include "windows/fAbout.h"
#include "windows/frmState.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace qtx52;

namespace {

// A started program with its main window on screen.
struct Shown {
    testing::TestProgram tp;
    std::unique_ptr<gui::MainWindowView> view;
    Shown() {
        app::Main(tp.program());
        view = std::make_unique<gui::MainWindowView>(tp.program());
        view->show();
    }
    editor::frm_config& w() { return tp.program().frm_config(); }
    template <class T> T* widget(const forms::Control& c) {
        return qobject_cast<T*>(view->widgetFor(&c));
    }
};

forms::TextBox& textBox(editor::frm_config& w, const QString& which) {
    if (which == QLatin1String("address"))
        return *w.txt_Modbus_adress;
    const int i = which.mid(which.indexOf(QLatin1Char(':')) + 1).toInt();
    return which.startsWith(QLatin1String("cfg")) ? w.txt_data_cfg(i) : w.txt_data_in(i);
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

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
    void statusWindowLocksMainWindow();
    void statusWindowCloseBox();
    void downloadDialogAnswers_data();
    void downloadDialogAnswers();
    void aboutLinksForward();
    void menuSeparatorIsALine();
    void monitorBoxesAreReadOnly();
    void dialogsCentredOnScreen_data();
    void dialogsCentredOnScreen();
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

void TestViews::statusWindowLocksMainWindow() {
    Shown s;
    s.tp.g().commState = 1;
    s.w().ShowMsgWindow();
    s.view->followStatusWindow();
    QVERIFY(!s.view->isEnabled());
    QVERIFY(s.view->statusView());
    QVERIFY(s.view->statusView()->isVisible());
    QVERIFY(s.view->statusView()->parentWidget() == nullptr);

    s.tp.program().frmState().CloseWindow();
    flushDeletes();
    s.view->followStatusWindow();
    QVERIFY(s.view->isEnabled());
    QVERIFY(!s.view->statusView());
}

void TestViews::statusWindowCloseBox() {
    Shown s;
    s.tp.g().commState = 1;
    s.w().ShowMsgWindow();
    s.view->followStatusWindow();
    QVERIFY(s.view->statusView());
    s.view->statusView()->close();
    QVERIFY(!s.tp.program().frmStateLoaded());
    flushDeletes();
    QVERIFY(!s.view->statusView());
    QVERIFY(s.view->isEnabled());
}

void TestViews::downloadDialogAnswers_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("OK") << "OKButton" << true;
    QTest::newRow("Abbrechen") << "CancelButton" << false;
    QTest::newRow("close box") << "close" << false;
    QTest::newRow("Escape") << "escape" << false;
}

void TestViews::downloadDialogAnswers() {
    QFETCH(QString, answer);
    QFETCH(bool, confirmed);
    testing::TestProgram tp;
    windows::dlg_download& d = tp.program().dlg_download();
    gui::DownloadDialogView view(d, nullptr);
    tp.g().downloadConfirmed = !confirmed;
    d.form.setVisible(true);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto* cancel = view.findChild<QPushButton*>(QStringLiteral("CancelButton"));
    QVERIFY(cancel);
    QCOMPARE(cancel->text(), QStringLiteral("Abbrechen"));
    QCOMPARE(QApplication::focusWidget(), cancel);
    if (answer == QLatin1String("close"))
        view.close();
    else if (answer == QLatin1String("escape"))
        QTest::keyClick(&view, Qt::Key_Escape);
    else
        view.findChild<QPushButton*>(answer)->click();
    QCOMPARE(tp.g().downloadConfirmed, confirmed);
    QVERIFY(!d.form.visible());
    QVERIFY(!view.isVisible());
}

void TestViews::aboutLinksForward() {
    testing::TestProgram tp;
    windows::fAbout& about = tp.program().fAbout();
    gui::AboutView view(about, nullptr);
    auto* mail = view.findChild<QLabel*>(QStringLiteral("lblemail"));
    QVERIFY(mail);
    QTest::mouseClick(mail, Qt::LeftButton);
    QCOMPARE(tp.ui.externals(),
             QStringList{QStringLiteral("mailto:") + windows::fAbout::kSupportEmail});
}

// The file menu's separator is a line, not an entry reading "-"; the items around it keep their
// texts.
void TestViews::menuSeparatorIsALine() {
    Shown s;
    auto* separator = s.view->findChild<QAction*>(QStringLiteral("ParMenüMain3"));
    QVERIFY(separator);
    QVERIFY(separator->isSeparator());
    QVERIFY(separator->text().isEmpty());
    auto* exit = s.view->findChild<QAction*>(QStringLiteral("ParMenüMain4"));
    QVERIFY(exit);
    QVERIFY(!exit->isSeparator());
    QCOMPARE(exit->text(), QStringLiteral("&Beenden"));
}

void TestViews::dialogsCentredOnScreen_data() {
    QTest::addColumn<QString>("dialog");
    QTest::newRow("download") << "download";
    QTest::newRow("about") << "about";
}

void TestViews::dialogsCentredOnScreen() {
    QFETCH(QString, dialog);
    Shown s;
    // The main window off centre, so a dialog centred over it would not be centred on screen.
    s.view->move(s.view->screen()->availableGeometry().topLeft());
    std::unique_ptr<gui::FormDialog> view;
    if (dialog == QLatin1String("download")) {
        windows::dlg_download& d = s.tp.program().dlg_download();
        d.form.setVisible(true);
        view = std::make_unique<gui::DownloadDialogView>(d, s.view.get());
    } else {
        view = std::make_unique<gui::AboutView>(s.tp.program().fAbout(), s.view.get());
    }
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    const QPoint centre = view->screen()->availableGeometry().center();
    QVERIFY2((view->frameGeometry().center() - centre).manhattanLength() <= 8,
             qPrintable(QStringLiteral("centre %1,%2 screen %3,%4")
                            .arg(view->frameGeometry().center().x())
                            .arg(view->frameGeometry().center().y())
                            .arg(centre.x())
                            .arg(centre.y())));
}

// The live values are the unit's: a person selects and copies them, but typing and pasting change
// nothing, while the program's own assignments still show and raise their events.
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

QTEST_MAIN(TestViews)
#include "tst_views.moc"
