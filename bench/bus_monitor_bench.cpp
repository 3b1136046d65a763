// What following the bus costs the desktop program: frames pushed through the link's reports into
// the traffic log, the bus monitor's table and the two counter lines, with the ring full, so that
// every frame also lets the oldest row go. Real processor time per frame, for a line far faster
// than any RS485 line carries (57600 baud RTU brings about 120 frames a second).
//
//   qtx52-bus-bench [FRAMES]

#include "app/program.h"
#include "app/ui.h"
#include "bus/bus_desk.h"
#include "bus/bus_monitor_form.h"
#include "forms/clock.h"
#include "link/framing.h"
#include "sim/simcommport.h"
#include "sim/station.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace qtx52;

namespace {

class Unattended : public app::UserInteraction {
public:
    void messageBox(const QString&, const QString&) override {}
    std::optional<QString> openFileName(const QString&) override { return std::nullopt; }
    std::optional<QString> saveFileName(const QString&) override { return std::nullopt; }
    void showModal(forms::Form& form) override { form.setVisible(false); }
    bool openExternal(const QString&) override { return true; }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(1, atoi(argv[1])) : 200'000;
    QTemporaryDir dir;
    forms::ManualClock clock;
    sim::Station station{clock};
    sim::SimCommPort port{clock, station};
    Unattended ui;
    app::Program program{clock, port, ui,
                         settings::StorePaths{dir.filePath("m.ini"), dir.filePath("u.ini")}};
    app::Main(program);
    bus::BusDesk desk(program);
    bus::BusMonitorForm& monitor = desk.monitor();

    const QByteArray request = link::frameRtu(QStringLiteral("01030100000A"));
    const QByteArray reply =
        link::frameRtu(QStringLiteral("010314") + QString(40, QLatin1Char('0')));
    const auto push = [&](int n) {
        for (int i = 0; i < n; ++i) {
            clock.advance(4);
            if (i % 2 == 0)
                program.linkEvents.frameSent({request, 1});
            else
                program.linkEvents.frameReceived({reply, link::Verdict::Taken, 0, 1});
        }
    };
    push(monitor.capacity()); // the ring full before the measurement
    QElapsedTimer t;
    t.start();
    push(frames);
    const qint64 ns = t.nsecsElapsed();
    std::printf("bus monitor following, ring of %d rows full: %d frames in %.1f ms, %.2f us per "
                "frame (%d rows kept, %lld let go)\n",
                monitor.capacity(), frames, ns / 1e6, ns / 1e3 / frames, monitor.rowCount(),
                static_cast<long long>(desk.watch.log.droppedCount()));
    return monitor.rowCount() == monitor.capacity() ? 0 : 1;
}
