// The commissioning window on the real widgets, offscreen: opened from the menu bar, a plan on
// simulated lines chosen with its button, Start, the main window disabled while the run goes,
// the table and the progress bar at the end and the main window enabled again.

#include "commission/commission_form.h"
#include "gui/commission_view.h"
#include "gui/shown_window.h"
#include "support/sample_set.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace qtx52;

class TestCommissionView : public QObject {
    Q_OBJECT
private slots:
    void runFromTheMenu();
};

void TestCommissionView::runFromTheMenu() {
    testing::Shown s;
    const auto write = [&s](const QString& name, const QByteArray& bytes) {
        QFile file(s.tp.dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("a.txt", testing::sampleSetWith(18, "7"));
    write("plan.csv", "line;station;room;set\nsim:a;1;A1;a.txt\nsim:b;4;B4;a.txt\n");

    QAction* entry = nullptr;
    for (QAction* a : s.view->menuBar()->actions())
        if (a->objectName() == QLatin1String("mnuCommission"))
            entry = a;
    QVERIFY(entry);
    entry->trigger();
    gui::CommissionView* v = s.view->commissionView();
    QVERIFY(v && v->isVisible());
    QCOMPARE(v->windowTitle(), QStringLiteral("Inbetriebnahme"));
    const auto button = [v](const char* name) {
        return v->findChild<QPushButton*>(QString::fromLatin1(name));
    };

    s.tp.ui.queueOpenFileName(s.tp.dir.filePath("plan.csv"));
    QTest::mouseClick(button("cmd_plan"), Qt::LeftButton);
    QTableWidget* units = v->units();
    QCOMPARE(units->rowCount(), 2);
    QCOMPARE(units->item(1, 0)->text(), QStringLiteral("B4"));
    QCOMPARE(units->item(1, 3)->text(), QStringLiteral("wartet"));
    // The results folder chosen in a dialog opening beside the plan; a cancel changes nothing.
    const QString chosen = s.tp.dir.filePath("results");
    QVERIFY(QDir().mkpath(chosen));
    auto* out = v->findChild<QLineEdit*>(QStringLiteral("txt_out"));
    QVERIFY(out);
    const QString beside = out->text();
    s.tp.ui.queueFolderName(std::nullopt);
    QTest::mouseClick(button("cmd_out"), Qt::LeftButton);
    QCOMPARE(out->text(), beside);
    QCOMPARE(s.tp.ui.fileFilters().last(), s.tp.dir.path());
    s.tp.ui.queueFolderName(chosen);
    QTest::mouseClick(button("cmd_out"), Qt::LeftButton);
    QCOMPARE(out->text(), chosen);

    QTest::mouseClick(button("cmd_start"), Qt::LeftButton);
    const commission::CommissionForm& form = s.view->commissionDesk().window();
    QVERIFY(form.running());
    QVERIFY(!s.view->isEnabled());
    QVERIFY(!button("cmd_start")->isEnabled());
    QVERIFY(button("cmd_cancel")->isEnabled());
    QCOMPARE(units->item(1, 3)->text(), QStringLiteral("läuft"));

    QVERIFY(s.tp.clock.advanceUntil([&form] { return !form.running(); }, 3'600'000));
    QVERIFY(s.view->isEnabled());
    for (int r = 0; r < 2; ++r)
        QCOMPARE(units->item(r, 4)->text(), QStringLiteral("geprüft"));
    QCOMPARE(v->findChild<QProgressBar*>()->value(), 2);
    QVERIFY(button("cmd_open")->isEnabled());
    QVERIFY(button("cmd_start")->isEnabled());
    QVERIFY(QFile::exists(chosen + "/commissioning.csv"));
}

QTEST_MAIN(TestCommissionView)
#include "tst_commission_view.moc"
