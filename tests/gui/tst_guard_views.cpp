// The window's guards on the real widgets offscreen: edits are not dropped unasked.

#include "app/program.h"
#include "editor/frm_config.h"
#include "gui/main_window_view.h"
#include "gui/shown_window.h"
#include "support/scripted_ui.h"
#include "support/test_program.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

using namespace qtx52;

using testing::Shown;

class TestGuardViews : public QObject {
    Q_OBJECT
private slots:
    void editsAreNotDroppedUnasked_data();
    void editsAreNotDroppedUnasked();
};

// Exit, the close box, "Gerät auslesen" and "Laden" on the real widgets, with the editor's edits
// unsaved, saved or absent: only unsaved edits are asked about, and each answer does what it says.
void TestGuardViews::editsAreNotDroppedUnasked_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("edits"); // "none", "saved", "unsaved"
    QTest::addColumn<int>("answer");    // app::UserInteraction::UnsavedWork
    using W = app::UserInteraction::UnsavedWork;
    for (const char* action : {"exit", "close", "read", "load"})
        for (const char* edits : {"none", "saved", "unsaved"})
            for (W answer : {W::Save, W::Discard, W::Cancel}) {
                if (QLatin1String(edits) != "unsaved" && answer != W::Save)
                    continue; // nothing is asked: one row is enough
                QTest::addRow("%s, edits %s, answer %d", action, edits, int(answer))
                    << action << edits << int(answer);
            }
}

void TestGuardViews::editsAreNotDroppedUnasked() {
    QFETCH(QString, action);
    QFETCH(QString, edits);
    QFETCH(int, answer);
    using W = app::UserInteraction::UnsavedWork;
    Shown s;
    editor::frm_config& w = s.w();
    testing::ScriptedUi& ui = s.tp.ui;
    w.Combo_Port(6).setListIndex(1); // open
    const QString other = s.tp.dir.filePath(QStringLiteral("other.txt"));
    const QString mine = s.tp.dir.filePath(QStringLiteral("mine"));
    ui.queueSaveFileName(other);
    QVERIFY(w.SaveParameterFile()); // a file to load, holding what the box holds now
    auto menuAction = [&](int i) {
        return s.view->findChild<QAction*>(QStringLiteral("ParMenüMain%1").arg(i));
    };
    // Nothing to save is not offered; an edit is.
    QVERIFY(!menuAction(2)->isEnabled());
    const QString before = w.txt_data_cfg(35).text();
    if (edits != QLatin1String("none")) {
        w.txt_data_cfg(35).setText(QStringLiteral("77"));
        QVERIFY(menuAction(2)->isEnabled());
    }
    if (edits == QLatin1String("saved")) {
        ui.queueSaveFileName(mine);
        QVERIFY(w.SaveParameterFile());
        // A file of that name is not replaced unasked.
        ui.queueSaveFileName(mine);
        ui.queueYesNo(false);
        QVERIFY(!w.SaveParameterFile());
        QCOMPARE(ui.questions().size(), 1);
        QFile::remove(mine + ".txt");
    }
    const qsizetype questionsBefore = ui.questions().size();
    const bool asked = edits == QLatin1String("unsaved");
    if (asked)
        ui.queueUnsavedWork(W(answer));
    if (asked && W(answer) == W::Save)
        ui.queueSaveFileName(mine);
    const int sentBefore = int(s.tp.port.outputs().size());

    if (action == QLatin1String("exit")) {
        menuAction(4)->trigger();
    } else if (action == QLatin1String("close")) {
        s.view->close();
    } else if (action == QLatin1String("read")) {
        s.widget<QPushButton>(*w.cmd_read_device)->click();
    } else {
        ui.queueOpenFileName(other);
        menuAction(1)->trigger();
    }

    QCOMPARE(ui.questions().size() - questionsBefore, asked ? 1 : 0);
    const bool goesOn = !asked || W(answer) != W::Cancel;
    if (action == QLatin1String("exit") || action == QLatin1String("close"))
        QCOMPARE(s.tp.program().quitRequested(), goesOn);
    else if (action == QLatin1String("read"))
        QCOMPARE(int(s.tp.port.outputs().size()) > sentBefore, goesOn);
    else
        QCOMPARE(w.txt_data_cfg(35).text(), goesOn ? before : QStringLiteral("77"));
    // Saved first as asked, under the name with the extension the filter shows.
    QCOMPARE(QFileInfo::exists(mine + ".txt"), asked && W(answer) == W::Save);
}

QTEST_MAIN(TestGuardViews)
#include "tst_guard_views.moc"
