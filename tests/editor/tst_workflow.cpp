#include "editor/frm_config.h"
#include "support/control_lookup.h"
#include "support/test_program.h"
#include "windows/dlg_download.h"
#include "windows/frmState.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace qtx52;
using editor::frm_config;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

struct Rig {
    testing::TestProgram tp;
    app::Program& p = tp.program();
    app::Global& g = tp.g();
    frm_config& f;

    explicit Rig(const testing::StoreValues& v = {}) : tp(v), f(start(tp.program())) {}
    static frm_config& start(app::Program& p) {
        app::Main(p);
        frm_config& f = p.frm_config();
        // Values a write can send in every box (0 is in every value list); the unit's response
        // time is at least 5 ms.
        for (int i = 2; i <= 37; ++i)
            f.txt_data_cfg(i).setText(QStringLiteral("0"));
        p.g.refDataCfg[6] = 10; // as if read, so that nothing is marked
        p.g.unitValuesRead = true;
        f.txt_data_cfg(6).setText(QStringLiteral("10"));
        for (int i = 0; i <= 7; ++i)
            f.txt_data_in(i).setText(QStringLiteral("0"));
        return f;
    }
    void mark(const QString& name) { testing::findControl(f, name)->setForeColor(255); }
    bool statusShown() const { return p.frmStateLoaded() && p.frmState().form.visible(); }
};

// The controls the monitor locks, in the order it locks them: each list after its value box.
QStringList lockTable() {
    QStringList out;
    const auto add = [&out](const char* array, int i) {
        out << QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(i);
    };
    const QList<int> cfgLists = {2, 4, 12, 15, 21, 27, 31, 32, 33, 34, 36, 37};
    for (int i = 0; i <= 7; ++i) {
        add("txt_data_in", i);
        if (i == 4 || i == 5)
            add("cmb_in", i);
    }
    for (int i = 0; i <= 4; ++i)
        add("chk_inp_bit", i);
    for (int i = 0; i <= 37; ++i) {
        add("txt_data_cfg", i);
        if (cfgLists.contains(i))
            add("cmb_cfg", i);
    }
    for (int i = 0; i <= 3; ++i)
        add("chk_cfg", i);
    for (int i = 4; i <= 13; ++i)
        add("cmb_bit_cfg", i);
    return out;
}

// Ticks or unticks the monitor box; returns the controls other than the command buttons whose
// enabled state changed, in order.
QStringList switchMonitor(frm_config& f, int value) {
    const QStringList buttons = {"read_out_parameter", "set_parameter", "cmd_read_device"};
    QStringList seen;
    QObject guard;
    for (forms::Control* c : f.findChildren<forms::Control*>(Qt::FindDirectChildrenOnly))
        QObject::connect(c, &forms::Control::changed, &guard, [&, c, was = c->enabled()]() mutable {
            if (c->enabled() != was && !buttons.contains(c->objectName()))
                seen << c->objectName();
            was = c->enabled();
        });
    f.chk_read_out->setValue(value);
    return seen;
}

} // namespace

class TestWorkflow : public QObject {
    Q_OBJECT
private slots:
    void apply_data();
    void apply();
    void readAgain();
    void menus_data();
    void menus();
    void helpWithoutViewer_data();
    void helpWithoutViewer();
    void monitor_data();
    void monitor();
};

void TestWorkflow::apply_data() {
    QTest::addColumn<QStringList>("marked");
    QTest::addColumn<QString>("answer"); // the dialog's button, when it is shown
    QTest::addColumn<qint32>("state");   // -1: nothing started
    QTest::addColumn<qint16>("start");
    const QString none;
    QTest::newRow("configuration register")
        << QStringList{"txt_data_cfg(0)"} << none << 2 << qint16(2);
    QTest::newRow("configuration coil") << QStringList{"chk_cfg(13)"} << none << 2 << qint16(2);
    QTest::newRow("input register") << QStringList{"txt_data_in(7)"} << none << 5 << qint16(512);
    QTest::newRow("input coil") << QStringList{"chk_inp_bit(2)"} << none << 5 << qint16(512);
    QTest::newRow("both groups: configuration only")
        << QStringList{"txt_data_cfg(12)", "chk_inp_bit(0)"} << none << 2 << qint16(2);
    QTest::newRow("second view of coil 13 is no field")
        << QStringList{"chk_cfg(99)"} << "CancelButton" << -1 << qint16(-1);
    QTest::newRow("no change, OK") << QStringList{} << "OKButton" << 5 << qint16(512);
    QTest::newRow("no change, close box") << QStringList{} << "close" << -1 << qint16(-1);
}

void TestWorkflow::apply() {
    QFETCH(QStringList, marked);
    QFETCH(QString, answer);
    QFETCH(qint32, state);
    QFETCH(qint16, start);
    Rig r;
    for (const QString& c : marked)
        r.mark(c);
    r.tp.ui.queueModal([&r, answer](forms::Form& form) {
        if (answer == QLatin1String("close"))
            form.userClose();
        else
            r.p.dlg_download().findChild<forms::CommandButton*>(answer)->userClick();
    });
    const qint32 stateBefore = r.g.commState;
    r.g.linkReady = false;
    r.f.alreadyWrite = 7;
    r.f.set_parameter->setEnabled(true);
    r.f.set_parameter->userClick();

    const bool started = state >= 0;
    QCOMPARE(r.tp.ui.modalForms().contains(QStringLiteral("dlg_download")), !answer.isEmpty());
    QCOMPARE(r.g.commState, started ? state : stateBefore);
    QCOMPARE(r.f.inputsChanged, marked.join(',').contains(QStringLiteral("_in")));
    QCOMPARE(r.f.Timer1.enabled(), started);
    QCOMPARE(r.statusShown(), started);
    if (started) {
        QCOMPARE(r.g.startAddress, start);
        QCOMPARE(r.f.alreadyWrite, qint16(state == 2 ? 2 : 0));
        // The configuration write and a confirmed write free the link; a plain input write
        // leaves it as it is.
        QCOMPARE(r.g.linkReady, state == 2 || !answer.isEmpty());
    }
}

void TestWorkflow::readAgain() {
    Rig r;
    r.g.commState = 0;
    r.g.linkReady = false;
    r.g.startAddress = 266;
    r.g.monitorBlock = 1;
    r.f.alreadyRead = 10;
    r.f.read_out_parameter->setEnabled(true);
    r.f.read_out_parameter->userClick();
    QCOMPARE(r.g.commState, 1);
    QVERIFY(r.g.linkReady && r.g.startAddress == 0 && r.g.monitorBlock == 0 &&
            r.f.alreadyRead == 0);
    QVERIFY(r.f.Timer6.enabled());
    QVERIFY(r.statusShown() && !r.f.form.enabled());
    QVERIFY(r.f.cmd_read_device->enabled() && r.f.chk_read_out->enabled());
}

void TestWorkflow::menus_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<std::optional<QString>>("installPath");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("shown"); // modal windows, then opened documents
    const std::optional<QString> opt(QStringLiteral("/opt/qtx52"));
    const QString de = QStringLiteral("/Doc/QTX52 RS485 Modbus, Register MS_1.pdf");
    QTest::newRow("file menu title") << 1 << opt << "1031" << QStringList{};
    QTest::newRow("about") << 2 << opt << "1031" << QStringList{"fAbout"};
    QTest::newRow("help, German") << 3 << opt << "1031" << QStringList{"/opt/qtx52" + de};
    QTest::newRow("help, English")
        << 3 << opt << "1033"
        << QStringList{"/opt/qtx52/Doc/QTX52 RS485 Modbus, Register MS_1_eng.pdf"};
    QTest::newRow("help, no folder") << 3 << std::optional<QString>() << "1031" << QStringList{de};
    QTest::newRow("help, folder with backslashes")
        << 3 << std::optional<QString>("\\opt\\qtx52") << "1031" << QStringList{"/opt/qtx52" + de};
}

void TestWorkflow::menus() {
    QFETCH(int, item);
    QFETCH(std::optional<QString>, installPath);
    QFETCH(QString, language);
    QFETCH(QStringList, shown);
    testing::StoreValues v;
    v.installPath = installPath;
    v.language = language;
    Rig r(v);
    r.f.MenüMain(item).userClick();
    QCOMPARE(r.tp.ui.modalForms() + r.tp.ui.externals(), shown);
    QVERIFY(r.tp.ui.messages().isEmpty());
}

void TestWorkflow::helpWithoutViewer_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("installed"); // the document is where the installation keeps it
    QTest::addColumn<QString>("says");
    QTest::newRow("German, no viewer") << "1031" << true << "kein Programm";
    QTest::newRow("English, no viewer") << "1033" << true << "no viewer";
    QTest::newRow("German, document missing") << "1031" << false << "Das Dokument fehlt";
    QTest::newRow("English, document missing") << "1033" << false << "document is missing";
}

// When nothing opens the help document, a message says why and names the document's path.
void TestWorkflow::helpWithoutViewer() {
    QFETCH(QString, language);
    QFETCH(bool, installed);
    QFETCH(QString, says);
    QTemporaryDir install;
    QVERIFY(install.isValid());
    const QString document =
        install.path() + (language == QLatin1String("1033")
                              ? QStringLiteral("/Doc/QTX52 RS485 Modbus, Register MS_1_eng.pdf")
                              : QStringLiteral("/Doc/QTX52 RS485 Modbus, Register MS_1.pdf"));
    if (installed) {
        QVERIFY(QDir().mkpath(install.path() + QStringLiteral("/Doc")));
        QFile f(document);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    testing::StoreValues v;
    v.installPath = install.path();
    v.language = language;
    Rig r(v);
    r.tp.ui.setExternalsOpen(false);
    r.f.MenüMain(3).userClick();
    QCOMPARE(r.tp.ui.externals(), QStringList{document});
    QCOMPARE(r.tp.ui.messages().size(), 1);
    const QString text = r.tp.ui.messages().constFirst().text;
    QVERIFY2(text.contains(document), qPrintable(text));
    QVERIFY2(text.contains(says), qPrintable(text));
    QCOMPARE(r.tp.ui.messages().constFirst().title, app::kAppTitle);
}

void TestWorkflow::monitor_data() {
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<bool>("changeMark");
    QTest::addColumn<bool>("commands"); // read again and read device, after switching off
    QTest::addColumn<bool>("apply");
    QTest::newRow("port open, no change") << true << false << true << false;
    QTest::newRow("port open, change pending") << true << true << true << true;
    QTest::newRow("port gone, change pending") << false << true << false << false;
}

void TestWorkflow::monitor() {
    QFETCH(bool, portOpen);
    QFETCH(bool, changeMark);
    QFETCH(bool, commands);
    QFETCH(bool, apply);
    Rig r;
    r.f.Combo_Port(6).setListIndex(1);
    r.g.linkReady = false;
    r.f.alreadyRead = 10;
    const QStringList locked = switchMonitor(r.f, 1);
    QCOMPARE(locked, lockTable()); // the arrows and the second view of coil 13 stay usable
    QCOMPARE(r.g.commState, 1);
    QCOMPARE(r.g.startAddress, qint16(256));
    QVERIFY(r.f.Timer6.enabled() && r.f.alreadyRead == 0);
    QVERIFY(!r.g.linkReady); // the first read waits for any reply still outstanding
    for (forms::CommandButton* b : {r.f.read_out_parameter, r.f.set_parameter, r.f.cmd_read_device})
        QVERIFY(!b->enabled());

    if (changeMark)
        r.mark(QStringLiteral("txt_data_cfg(20)"));
    if (!portOpen)
        r.tp.port.setPortOpen(false);
    r.g.commState = 7;
    QCOMPARE(switchMonitor(r.f, 0), lockTable());
    QVERIFY(!r.f.Timer6.enabled());
    QCOMPARE(r.g.commState, 7);
    QCOMPARE(r.g.startAddress, qint16(256));
    QCOMPARE(r.f.read_out_parameter->enabled(), commands);
    QCOMPARE(r.f.cmd_read_device->enabled(), commands);
    QCOMPARE(r.f.set_parameter->enabled(), apply);
}

QTEST_GUILESS_MAIN(TestWorkflow)
#include "tst_workflow.moc"
