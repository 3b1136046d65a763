// The commissioning window's logic in virtual time, on simulated lines: the rows advance line by
// line, the progress counts, the main window is disabled while a run goes and given back after
// it, a cancel stops before the next unit, a second run skips what is done, and the refusals
// send nothing.

#include "commission/commission_form.h"
#include "commission/sim_building.h"
#include "editor/frm_config.h"
#include "support/sample_set.h"
#include "support/test_program.h"

#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

using namespace qtx52;
using Form = commission::CommissionForm;

namespace {

const QByteArray kPlan = "line;station;room;set\n"
                         "sim:a;1;A1;a.txt\n"
                         "sim:a;2;A2;a.txt\n"
                         "sim:b;1;B1;a.txt\n";

} // namespace

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void runs_data();
    void runs();
};

void TestWindow::runs_data() {
    QTest::addColumn<QByteArray>("plan");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("refusal");     // the message's start; empty: the run goes
    QTest::addColumn<QStringList>("results"); // "room result" per row, in plan order
    QTest::addColumn<QString>("state");       // the state line's start at the end

    const QStringList verified{"A1 geprüft", "A2 geprüft", "B1 geprüft"};
    QTest::newRow("two lines to the end") << kPlan << ""
                                          << "" << verified << "Fertig: 3 geprüft";
    QTest::newRow("cancel after the first unit")
        << kPlan << "cancel"
        << "" << QStringList{"A1 geprüft", "A2 abgebrochen", "B1 geprüft"} << "Abgebrochen:";
    QTest::newRow("second run skips what is done")
        << kPlan << "twice"
        << "" << QStringList{"A1 ", "A2 ", "B1 "} << "Fertig: 3 schon erledigt";
    QTest::newRow("a line nothing reaches ends at once")
        << QByteArray("line;station;room;set\n/dev/qtx52-none;1;X1;a.txt\n") << ""
        << "" << QStringList{"X1 Linie verloren"} << "Fertig: 1 Linie verloren";
    QTest::newRow("main window's port open") << kPlan << "port open"
                                             << "Der Port des Hauptfensters" << QStringList{} << "";
    QTest::newRow("main window busy") << kPlan << "busy"
                                      << "Das Hauptfenster ist beschäftigt" << QStringList{} << "";
    QTest::newRow("bad plan: its lines, nothing sent")
        << kPlan + "sim:b;99;B9;a.txt\n"
        << ""
        << "Der Plan lässt sich so nicht ausführen" << QStringList{} << "";
}

void TestWindow::runs() {
    QFETCH(QByteArray, plan);
    QFETCH(QString, setup);
    QFETCH(QString, refusal);
    QFETCH(QStringList, results);
    QFETCH(QString, state);

    testing::TestProgram tp;
    app::Main(tp.program());
    editor::frm_config& main = tp.program().frm_config();
    const auto write = [&tp](const QString& name, const QByteArray& bytes) {
        QFile file(tp.dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("a.txt", testing::sampleSetWith(18, "7"));
    write("plan.csv", plan);
    if (setup == "port open")
        main.Combo_Port(6).setListIndex(1);
    if (setup == "busy")
        main.form.setEnabled(false);

    Form form(tp.program());
    tp.ui.queueOpenFileName(tp.dir.filePath("plan.csv"));
    form.cmd_plan_Click();
    // The results folder goes beside the plan.
    QCOMPARE(form.txt_out.text(), tp.dir.filePath("plan-results"));

    // Every unit that ended was under way before, while the main window was disabled.
    QSet<QString> seen;
    bool mainFreeWhileRunning = false;
    connect(&form, &Form::rowChanged, &form, [&](int row) {
        seen << form.cell(row, Form::Room) + " " + form.cell(row, Form::State);
        if (form.running() && main.form.enabled())
            mainFreeWhileRunning = true;
        if (setup == "cancel" && form.rowState(row) == Form::RowState::Done)
            form.cmd_cancel_Click();
    });

    for (int runNo = 0; runNo < (setup == "twice" ? 2 : 1); ++runNo) {
        form.cmd_start_Click();
        QVERIFY(tp.clock.advanceUntil([&form] { return !form.running(); }, 3'600'000));
    }
    QCOMPARE(main.form.enabled(), setup != "busy");
    QVERIFY(!mainFreeWhileRunning);

    const QStringList messages = tp.ui.messageTexts();
    if (!refusal.isEmpty()) {
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().startsWith(refusal), qPrintable(messages.first()));
        QVERIFY(!form.building()); // no line was made, nothing sent
        if (setup.isEmpty())
            QVERIFY2(messages.first().contains("Zeile 5: Station \"99\""),
                     qPrintable(messages.first()));
        return;
    }
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    QStringList got;
    for (int r = 0; r < form.rowCount(); ++r) {
        got << form.cell(r, Form::Room) + " " + form.cell(r, Form::Outcome);
        const bool ended = form.rowState(r) == Form::RowState::Done;
        QVERIFY(ended || form.rowState(r) == Form::RowState::DoneBefore);
        if (ended && form.cell(r, Form::Line).startsWith("sim:"))
            QVERIFY2(seen.contains(form.cell(r, Form::Room) + " läuft"), qPrintable(got.last()));
    }
    QCOMPARE(got, results);
    QVERIFY2(form.lbl_state.caption().startsWith(state), qPrintable(form.lbl_state.caption()));
    QCOMPARE(form.lbl_progress.caption(),
             QStringLiteral("%1 von %1 Geräten fertig").arg(results.size()));
    QCOMPARE(form.prg_units.value(), int(results.size()));
    QVERIFY(form.cmd_open.enabled());
    QSignalSpy open(&form, &Form::openFolder);
    form.cmd_open_Click();
    QCOMPARE(open.value(0).value(0).toString(), tp.dir.filePath("plan-results"));
}

QTEST_GUILESS_MAIN(TestWindow)
#include "tst_window.moc"
