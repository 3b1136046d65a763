// A serial line that goes away under the program, on a real pseudo-terminal pair: socat is
// killed while a read-out waits for its answer. The port closes through the port-state selector,
// the notice names the device, and the program goes quiet (no event loop spinning on a dead
// descriptor).

#include "app/program.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "link/qt_serial_port.h"
#include "support/pty_pair.h"
#include "support/scripted_ui.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using namespace qtx52;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

class TestE2eLineLoss : public QObject {
    Q_OBJECT
private slots:
    void lostMidTransfer_data() {
        QTest::addColumn<int>("mode"); // position in the mode selector
        QTest::newRow("ASCII") << 0;
        QTest::newRow("RTU") << 1;
    }
    void lostMidTransfer() {
        QFETCH(int, mode);
        testing::PtyPair pair;
        if (!pair.start())
            QSKIP(qPrintable(pair.error()));
        QTemporaryDir dir;
        forms::QtClock clock;
        link::QtSerialCommPort port(link::PortMap::build({}, pair.masterEnd(), {}));
        testing::ScriptedUi ui;
        app::Program program(clock, port, ui, {dir.filePath("m.ini"), dir.filePath("u.ini")});
        app::Main(program);
        editor::frm_config& w = program.frm_config();
        w.Combo_Port(5).setListIndex(mode);
        w.Combo_Port(6).setListIndex(1);
        QVERIFY(port.portOpen());
        w.cmd_read_device->userClick();
        QTest::qWait(30);
        pair.stop();
        QVERIFY(QTest::qWaitFor([&] { return w.Combo_Port(6).listIndex() == 0; }, 3000));
        QVERIFY(!port.portOpen());
        QVERIFY(w.lbl_desc(16).visible());
        QVERIFY2(w.lbl_desc(16).caption().contains(pair.masterEnd()),
                 qPrintable(w.lbl_desc(16).caption()));
        // Afterwards the process sleeps: well under a tenth of a core over a second (the
        // figure itself is measured in the benchmark).
        const double before = cpuSeconds();
        QTest::qWait(1000);
        const double used = cpuSeconds() - before;
        qInfo("CPU after the loss: %.3f s in 1 s", used);
        QVERIFY2(used < 0.1, qPrintable(QString::number(used)));
    }
};

QTEST_GUILESS_MAIN(TestE2eLineLoss)
#include "tst_e2e_line_loss.moc"
