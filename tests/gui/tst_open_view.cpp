// Opening a line over the network from the window, on the real widgets offscreen, against
// loopback listeners that answer at once, late or never and a name that does not resolve: the
// event loop runs on while the connection is made, nothing that needs the port can be pressed
// until it is open, a failure says why within the bound in the interface's language, and
// "close" meanwhile ends the attempt without a word. The program's own timers are on the
// virtual clock; the connection is made in real time, every wait bounded.

#include "app/program.h"
#include "editor/frm_config.h"
#include "gui/main_window_view.h"
#include "link/tcp_port.h"
#include "support/silent_server.h"
#include "support/test_program.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

using namespace qtx52;

namespace {

// Long enough for a connection whose first packet was dropped to go through on its repeat.
constexpr int kBoundMs = 2000;

void choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

class TestOpenView : public QObject {
    Q_OBJECT
private slots:
    void openWithoutBlocking_data();
    void openWithoutBlocking();
};

void TestOpenView::openWithoutBlocking_data() {
    QTest::addColumn<QString>("server"); // "answers", "late", "silent", "unknown host"
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("closeMeanwhile");
    QTest::addColumn<QString>("says"); // in the message; empty: no message, the port opens
    QTest::newRow("answers at once") << "answers"
                                     << "1031" << false << "";
    QTest::newRow("answers late") << "late"
                                  << "1031" << false << "";
    QTest::newRow("never answers")
        << "silent"
        << "1031" << false << "Port %1: keine Antwort innerhalb von 2 s.";
    QTest::newRow("never answers, English") << "silent"
                                            << "1033" << false << "port %1: no answer within 2 s.";
    QTest::newRow("name does not resolve")
        << "unknown host"
        << "1033" << false << "No connection to host qtx52-gateway.invalid";
    QTest::newRow("closed while connecting") << "late"
                                             << "1031" << true << "";
}

void TestOpenView::openWithoutBlocking() {
    QFETCH(QString, server);
    QFETCH(QString, language);
    QFETCH(bool, closeMeanwhile);
    QFETCH(QString, says);
    testing::StoreValues values;
    values.language = language;
    testing::TestProgram tp(values);
    QTcpServer listening;
    testing::SilentServer silent;
    QString address;
    if (server == QLatin1String("answers")) {
        QVERIFY(listening.listen(QHostAddress::LocalHost));
        address = QStringLiteral("tcp://127.0.0.1:%1").arg(listening.serverPort());
    } else if (server == QLatin1String("unknown host")) {
        address = QStringLiteral("mbap://qtx52-gateway.invalid");
    } else {
        QVERIFY(silent.port() != 0);
        address = QStringLiteral("mbap://127.0.0.1:%1").arg(silent.port());
    }
    QTimer room;
    room.setSingleShot(true);
    QObject::connect(&room, &QTimer::timeout, [&] { silent.makeRoom(); });
    if (server == QLatin1String("late"))
        room.start(300);
    if (says.contains(QLatin1String("%1")))
        says = says.arg(silent.port());
    link::TcpCommPort port(address);
    port.setConnectTimeoutMs(kBoundMs);
    app::Program p(tp.clock, port, tp.ui,
                   {tp.dir.filePath(QStringLiteral("machine.ini")),
                    tp.dir.filePath(QStringLiteral("user.ini"))});
    app::Main(p);
    editor::frm_config& w = p.frm_config();
    gui::MainWindowView view(p);
    view.show();
    auto* state = qobject_cast<QComboBox*>(view.widgetFor(&w.Combo_Port(6)));
    auto* readDevice = qobject_cast<QPushButton*>(view.widgetFor(w.cmd_read_device));
    auto* device = qobject_cast<QLabel*>(view.widgetFor(w.lbl_port_device));
    QVERIFY(state && readDevice && device);

    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(10);
    QElapsedTimer elapsed;
    elapsed.start();
    choose(state, 1);
    // Connecting: the handler has returned, the window says so and offers nothing of the port (a
    // listener on loopback may have taken the connection at once).
    if (server != QLatin1String("answers")) {
        QVERIFY(w.portOpening());
        QVERIFY(device->text().contains(address));
        QVERIFY(!readDevice->isEnabled());
        const int state0 = p.g.commState;
        QTest::mouseClick(readDevice, Qt::LeftButton);
        QCOMPARE(p.g.commState, state0);
        QVERIFY(!p.frmStateLoaded());
    }
    if (closeMeanwhile) {
        QTest::qWait(100);
        choose(state, 0);
        QVERIFY(!w.portOpening());
        // The room made later lets no connection through to an attempt that was ended.
        QTest::qWait(kBoundMs + 500);
        QVERIFY(!port.portOpen());
        QVERIFY(!readDevice->isEnabled());
        QVERIFY(tp.ui.messages().isEmpty());
        return;
    }
    QVERIFY(QTest::qWaitFor([&] { return !w.portOpening(); }, 3 * kBoundMs));
    const qint64 took = elapsed.elapsed();
    QVERIFY2(took < kBoundMs + 500, qPrintable(QString::number(took)));
    if (took > 200)
        QVERIFY2(ticks > took / 40, qPrintable(QStringLiteral("%1 ticks").arg(ticks)));
    QVERIFY(!device->text().contains(QStringLiteral("…")));
    if (says.isEmpty()) {
        QVERIFY2(tp.ui.messages().isEmpty(), qPrintable(tp.ui.messages().value(0).text));
        QVERIFY(port.portOpen());
        QCOMPARE(state->currentIndex(), 1);
        QVERIFY(readDevice->isEnabled());
        return;
    }
    QCOMPARE(tp.ui.messages().size(), 1);
    QVERIFY2(tp.ui.messages().first().text.contains(says),
             qPrintable(tp.ui.messages().first().text));
    QVERIFY(!port.portOpen());
    QCOMPARE(state->currentIndex(), 0);
    QVERIFY(!readDevice->isEnabled());
}

QTEST_MAIN(TestOpenView)
#include "tst_open_view.moc"
