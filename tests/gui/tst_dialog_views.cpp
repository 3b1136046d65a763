#include "app/program.h"
#include "gui/dialog_views.h"
#include "gui/gui_interaction.h"
#include "gui/main_window_view.h"
#include "gui/shown_window.h"
#include "gui/status_window_view.h"
#include "support/test_program.h"
#include "windows/dlg_download.h"
#include "windows/fAbout.h"
#include "windows/frmState.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace qtx52;
using testing::flushDeletes;
using testing::Shown;

// The status window, the identical-parameters dialog, the About window, the file menu and the
// help opener on screen.
class TestDialogViews : public QObject {
    Q_OBJECT
private slots:
    void statusWindowLocksMainWindow();
    void statusWindowCloseBox();
    void downloadDialogAnswers_data();
    void downloadDialogAnswers();
    void aboutLinksForward();
    void menuSeparatorIsALine();
    void dialogsCentredOnScreen_data();
    void dialogsCentredOnScreen();
    void helpOpenerAnswers_data();
    void helpOpenerAnswers();
};

void TestDialogViews::statusWindowLocksMainWindow() {
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

void TestDialogViews::statusWindowCloseBox() {
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

void TestDialogViews::downloadDialogAnswers_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("OK") << "OKButton" << true;
    QTest::newRow("Abbrechen") << "CancelButton" << false;
    QTest::newRow("close box") << "close" << false;
    QTest::newRow("Escape") << "escape" << false;
}

void TestDialogViews::downloadDialogAnswers() {
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

void TestDialogViews::aboutLinksForward() {
    testing::TestProgram tp;
    windows::fAbout& about = tp.program().fAbout();
    gui::AboutView view(about, nullptr);
    auto* mail = view.findChild<QLabel*>(QStringLiteral("lblemail"));
    QVERIFY(mail);
    QTest::mouseClick(mail, Qt::LeftButton);
    QCOMPARE(tp.ui.externals(),
             QStringList{QStringLiteral("mailto:") + windows::fAbout::kSupportEmail});
}

void TestDialogViews::dialogsCentredOnScreen_data() {
    QTest::addColumn<QString>("dialog");
    QTest::newRow("download") << "download";
    QTest::newRow("about") << "about";
}

void TestDialogViews::dialogsCentredOnScreen() {
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

// The help document goes to the desktop's opener; its exit code says whether a program took it.
void TestDialogViews::helpOpenerAnswers_data() {
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("opened");
    QTest::newRow("a viewer took it") << 0 << true;
    QTest::newRow("file not found") << 2 << false;
    QTest::newRow("no program for the type") << 3 << false;
    QTest::newRow("the program failed") << 4 << false;
}

void TestDialogViews::helpOpenerAnswers() {
    QFETCH(int, exitCode);
    QFETCH(bool, opened);
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    const QString argsFile = bin.filePath(QStringLiteral("args"));
    QFile opener(bin.filePath(QStringLiteral("xdg-open")));
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\nexit %2\n")
                     .arg(argsFile)
                     .arg(exitCode)
                     .toUtf8());
    opener.close();
    opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    const QString document = QStringLiteral("/opt/qtx52/Doc/QTX52 RS485 Modbus, Register MS_1.pdf");
    gui::GuiInteraction ui;
    const bool result = ui.openExternal(document);
    qputenv("PATH", path);
    QCOMPARE(result, opened);
    QFile args(argsFile);
    QVERIFY(args.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(args.readAll()), document);
}

// The file menu's separator is a line, not an entry reading "-"; the items around it keep their
// texts.
void TestDialogViews::menuSeparatorIsALine() {
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

// The live values are the unit's: a person selects and copies them, but typing and pasting change
// nothing, while the program's own assignments still show and raise their events.
QTEST_MAIN(TestDialogViews)
#include "tst_dialog_views.moc"
