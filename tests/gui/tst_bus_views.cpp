// The bus windows on the real widgets, offscreen: opened from the menu bar in both languages,
// the monitor's table filling during a read-out of the simulated unit and standing still when
// paused, the status line under the main window, and the finder's progress, result row and
// "Use" reaching the main window's selectors.

#include "app/program.h"
#include "bus/bus_desk.h"
#include "bus/bus_monitor_form.h"
#include "bus/finder_form.h"
#include "editor/frm_config.h"
#include "gui/bus_views.h"
#include "gui/main_window_view.h"
#include "sim/simcommport.h"
#include "sim/station.h"
#include "support/sim_program.h"
#include "support/test_program.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <memory>

using namespace qtx52;

namespace {

struct Shown : testing::SimProgram {
    std::unique_ptr<gui::MainWindowView> view;

    explicit Shown(const QString& language = QStringLiteral("1031"))
        : SimProgram(language), view(std::make_unique<gui::MainWindowView>(p)) {
        view->show();
    }
    QAction* menuEntry(const QString& name) {
        for (QAction* a : view->menuBar()->actions())
            if (a->objectName() == name)
                return a;
        return nullptr;
    }
    template <class T = QPushButton> T* in(QWidget* window, const QString& name) {
        return window ? window->findChild<T*>(name) : nullptr;
    }
    void click(QWidget* window, const QString& button) {
        QPushButton* b = in(window, button);
        QVERIFY2(b, qPrintable(button));
        QVERIFY(b->isEnabled());
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void readOut() {
        w().Combo_Port(6).setListIndex(1);
        auto* read = qobject_cast<QPushButton*>(view->widgetFor(w().cmd_read_device));
        QVERIFY(read);
        QTest::mouseClick(read, Qt::LeftButton);
        QVERIFY(tp.clock.advanceUntil(
            [this] { return p.g.commState == 0 && !p.frmStateLoaded() && !w().Timer6.enabled(); },
            600'000));
    }
};

} // namespace

class TestBusViews : public QObject {
    Q_OBJECT
private slots:
    void openFromMenu_data();
    void openFromMenu();
    void monitorTableFollows();
    void statusLineShowsCounters();
    void finderProgressResultAndUse();
};

void TestBusViews::openFromMenu_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("monitor");
    QTest::addColumn<QString>("finder");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("commissioning");
    QTest::newRow("German") << "1031"
                            << "Busmonitor"
                            << "Gerät suchen"
                            << "Start"
                            << "Inbetriebnahme…";
    QTest::newRow("English") << "1033"
                             << "Bus monitor"
                             << "Find unit"
                             << "Start"
                             << "Commissioning…";
}

void TestBusViews::openFromMenu() {
    QFETCH(QString, language);
    QFETCH(QString, monitor);
    QFETCH(QString, finder);
    QFETCH(QString, start);
    QFETCH(QString, commissioning);
    Shown s(language);
    const QList<QAction*> bar = s.view->menuBar()->actions();
    // File menu, then the two bus entries and the commissioning, then About and Help, and the
    // language last.
    QCOMPARE(bar.size(), 7);
    QCOMPARE(bar.at(1)->text(), monitor);
    QCOMPARE(bar.at(2)->text(), finder);
    QCOMPARE(bar.at(3)->text(), commissioning);
    QCOMPARE(bar.at(4)->objectName(), QStringLiteral("MenüMain2"));

    s.menuEntry("mnuBusMonitor")->trigger();
    QVERIFY(s.view->busMonitorView());
    QVERIFY(s.view->busMonitorView()->isVisible());
    QCOMPARE(s.view->busMonitorView()->windowTitle(), monitor);
    s.menuEntry("mnuFindUnit")->trigger();
    QVERIFY(s.view->finderView());
    QVERIFY(s.view->finderView()->isVisible());
    QCOMPARE(s.view->finderView()->windowTitle(), finder);
    QCOMPARE(s.in(s.view->finderView(), "cmd_start")->text(), start);
    // Closing hides; the menu brings back the same window.
    QPointer<gui::FinderView> first = s.view->finderView();
    first->close();
    QVERIFY(!first->isVisible());
    s.menuEntry("mnuFindUnit")->trigger();
    QCOMPARE(s.view->finderView(), first.data());
    QVERIFY(first->isVisible());
}

void TestBusViews::monitorTableFollows() {
    Shown s;
    s.menuEntry("mnuBusMonitor")->trigger();
    gui::BusMonitorView* v = s.view->busMonitorView();
    QAbstractItemModel* rows = v->table()->model();
    QCOMPARE(rows->rowCount(), 0);
    QCOMPARE(rows->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Bytes (hex)"));
    s.readOut();
    QCOMPARE(rows->rowCount(), 20);
    QCOMPARE(rows->index(0, 3).data().toString(), QStringLiteral("01 03 00 06 00 01 64 0B"));
    QCOMPARE(rows->index(1, 6).data().toString(), QStringLiteral("angenommen"));

    s.click(v, "cmdPause");
    QCOMPARE(s.in(v, "cmdPause")->text(), QStringLiteral("Weiter"));
    s.readOut();
    QCOMPARE(rows->rowCount(), 20);
    s.click(v, "cmdPause");
    QCOMPARE(rows->rowCount(), 40);
    s.click(v, "cmdClear");
    QCOMPARE(rows->rowCount(), 0);
    auto* counters = s.in<QLabel>(v, "lblCounters");
    QVERIFY(counters);
    QVERIFY2(counters->text().startsWith(QStringLiteral("Anfragen 20 |")),
             qPrintable(counters->text()));
}

void TestBusViews::statusLineShowsCounters() {
    Shown s(QStringLiteral("1033"));
    auto* line = s.view->statusBar()->findChild<QLabel*>(QStringLiteral("lbl_link_status"));
    QVERIFY(line);
    QVERIFY(line->isVisible());
    QVERIFY(line->text().startsWith(QStringLiteral("Requests 0 | Repeats 0 | taken 0")));
    s.readOut();
    s.tp.clock.advance(bus::StatusLine::kRefreshMs);
    QVERIFY2(line->text().startsWith(QStringLiteral("Requests 10 | Repeats 0 | taken 10")),
             qPrintable(line->text()));
    QVERIFY(line->text().contains(QStringLiteral("response time min/mean/max")));
}

void TestBusViews::finderProgressResultAndUse() {
    Shown s;
    s.station.setLineSettings({19200, 'N', 7, 1});
    s.station.setFraming(sim::Framing::Ascii);
    QVERIFY(s.station.setAddress(37));
    s.menuEntry("mnuFindUnit")->trigger();
    gui::FinderView* v = s.view->finderView();
    s.click(v, "cmd_start");
    QVERIFY(s.p.frm_config().form.enabled() == false);
    QVERIFY(!s.view->isEnabled()); // the main window waits while the finder has the port
    s.tp.clock.advance(3000);
    auto* bar = v->findChild<QProgressBar*>();
    QVERIFY(bar);
    QVERIFY(bar->value() > 0);
    QCOMPARE(bar->maximum(), 24 * 63);
    auto* progress = s.in<QLabel>(v, "lbl_progress");
    QVERIFY2(progress->text().contains(QStringLiteral(", Station ")), qPrintable(progress->text()));
    QVERIFY(progress->text().startsWith(QStringLiteral("noch ")));
    QVERIFY(!s.in(v, "cmd_start")->isEnabled());
    QVERIFY(s.in(v, "cmd_cancel")->isEnabled());
    QVERIFY(
        s.tp.clock.advanceUntil([&] { return !s.view->busDesk().finder().running(); }, 3'600'000));
    QVERIFY(s.view->isEnabled());
    QTableWidget* results = v->results();
    QCOMPARE(results->rowCount(), 1);
    QCOMPARE(results->item(0, 0)->text(), QStringLiteral("37"));
    QCOMPARE(results->item(0, 1)->text(), QStringLiteral("ASCII"));
    QCOMPARE(results->item(0, 2)->text(), QStringLiteral("19200"));
    QCOMPARE(results->item(0, 3)->text(), QStringLiteral("N"));
    QCOMPARE(results->horizontalHeaderItem(6)->text(), QStringLiteral("Min-Response-Time [ms]"));
    QVERIFY(results->item(0, 0)->isSelected());

    s.click(v, "cmd_use");
    auto* baud = qobject_cast<QComboBox*>(s.view->widgetFor(&s.w().Combo_Port(1)));
    auto* mode = qobject_cast<QComboBox*>(s.view->widgetFor(&s.w().Combo_Port(5)));
    auto* parity = qobject_cast<QComboBox*>(s.view->widgetFor(&s.w().Combo_Port(2)));
    auto* address = qobject_cast<QLineEdit*>(s.view->widgetFor(s.w().txt_Modbus_adress));
    QCOMPARE(baud->currentText(), QStringLiteral("19200"));
    QCOMPARE(mode->currentText(), QStringLiteral("ASCII"));
    QCOMPARE(parity->currentText(), QStringLiteral("None"));
    QCOMPARE(address->text(), QStringLiteral("37"));
}

QTEST_MAIN(TestBusViews)
#include "tst_bus_views.moc"
