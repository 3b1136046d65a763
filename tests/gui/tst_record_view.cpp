// The recording control on the Monitor tab, on the real widgets offscreen: where it sits, its
// texts in both languages, and that a click asks for the file, starts, shows the lines and stops.

#include "app/program.h"
#include "editor/frm_config.h"
#include "gui/main_window_view.h"
#include "monitor/record_control.h"
#include "support/test_program.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace qtx52;

class TestRecordView : public QObject {
    Q_OBJECT
private slots:
    void recordsFromTheMonitorTab_data();
    void recordsFromTheMonitorTab();
};

void TestRecordView::recordsFromTheMonitorTab_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("recording");
    QTest::newRow("German") << "1031"
                            << "Aufzeichnen…"
                            << "Stopp"
                            << "Aufzeichnung in live.csv: 1 Zeilen";
    QTest::newRow("English") << "1033"
                             << "Record…"
                             << "Stop"
                             << "Recording to live.csv: 1 lines";
}

void TestRecordView::recordsFromTheMonitorTab() {
    QFETCH(QString, language);
    QFETCH(QString, record);
    QFETCH(QString, stop);
    QFETCH(QString, recording);
    testing::StoreValues values;
    values.language = language;
    testing::TestProgram tp(values);
    app::Main(tp.program());
    gui::MainWindowView view(tp.program());
    view.show();
    editor::frm_config& w = tp.program().frm_config();
    monitor::RecordControl& control = view.recordControl();
    auto* button = qobject_cast<QPushButton*>(view.widgetFor(&control.cmd_record));
    auto* label = qobject_cast<QLabel*>(view.widgetFor(&control.lbl_record));
    QVERIFY(button && label);
    QVERIFY(view.tabs()->widget(5)->isAncestorOf(button));
    view.tabs()->setCurrentIndex(5);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(button->isVisible());
    QCOMPARE(button->text(), record);

    const QString file = tp.dir.filePath("live.csv");
    tp.ui.queueSaveFileName(file);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(control.recorder.recording());
    QCOMPARE(button->text(), stop);
    QCOMPARE(tp.ui.unansweredDialogs(), 0);

    // One pass of the running monitor over its range.
    w.chk_read_out->setValue(1);
    emit w.monitorRangeRead();
    QCOMPARE(label->text(), recording);

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!control.recorder.recording());
    QCOMPARE(button->text(), record);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count("\r\n"), 2);
    // Nothing of the recording reached the main window's logic.
    QCOMPARE(tp.ui.messages().size(), 0);
}

QTEST_MAIN(TestRecordView)
#include "tst_record_view.moc"
