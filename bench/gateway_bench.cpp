// Through a Modbus TCP gateway, in virtual time against the simulated gateway and its stations:
// a full read-out and a write + verify of one station, beside the same on a serial line at the
// gateway's line speed; and the unit finder's sweep of 63 stations with three present, beside its
// floor: the sum of the gateway's own answer times (its 0x0B for each absent station comes in its
// own time) plus one probe timeout.

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "bus/unit_finder.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "link/echo_port.h"
#include "link/mbap_port.h"
#include "params/numbers.h"
#include "sim/gateway.h"
#include "sim/simcommport.h"
#include "sim/station.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace qtx52;

namespace {

class Unattended : public app::UserInteraction {
public:
    void messageBox(const QString& text, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    std::optional<QString> openFileName(const QString&) override { return std::nullopt; }
    std::optional<QString> saveFileName(const QString&) override { return std::nullopt; }
    void showModal(forms::Form& form) override { form.setVisible(false); }
    bool openExternal(const QString&) override { return false; }
};

constexpr int kResponseMs = 10;
const QList<int> kPresent = {3, 17, 40};

std::vector<sim::Station*> raw(const std::vector<std::unique_ptr<sim::Station>>& all) {
    std::vector<sim::Station*> out;
    for (const auto& s : all)
        out.push_back(s.get());
    return out;
}

// The program on a port; read-out and write + verify of station 17 at 9600 baud RTU.
struct Transfers {
    qint64 readOutMs = -1;
    qint64 writeMs = -1;
};

Transfers measure(forms::ManualClock& clock, link::CommPort& port) {
    QTemporaryDir dir;
    Unattended ui;
    app::Program program(clock, port, ui,
                         settings::StorePaths{dir.filePath("m.ini"), dir.filePath("u.ini")});
    app::Main(program);
    editor::frm_config& f = program.frm_config();
    f.Combo_Port(1).setListIndex(0);
    f.Combo_Port(5).setListIndex(1);
    f.txt_Modbus_adress->setText(QStringLiteral("17"));
    f.Combo_Port(6).setListIndex(1);
    auto idle = [&] { return program.g.commState == 0 && !program.frmStateLoaded(); };
    auto timed = [&](auto start) {
        const qint64 t0 = clock.nowMs();
        start();
        clock.advance(1);
        return clock.advanceUntil(idle, 3600000) ? clock.nowMs() - t0 : -1;
    };
    Transfers t;
    t.readOutMs = timed([&] { f.cmd_read_device->userClick(); });
    const double setpoint =
        params::parseNumber(f.txt_data_cfg(11).text(), program.g.decimalSeparator).value_or(20) + 1;
    f.txt_data_cfg(11).setText(params::formatNumber(setpoint, program.g.decimalSeparator));
    t.writeMs = timed([&] { f.set_parameter->userClick(); });
    return t;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    {
        forms::ManualClock clock;
        sim::Station station(clock);
        station.setAddress(17);
        station.unit().setLiveMotion(false);
        station.unit().setReg(6, kResponseMs);
        station.setLineSettings({9600, 'E', 8, 1});
        sim::SimCommPort port(clock, station);
        const Transfers serial = measure(clock, port);

        forms::ManualClock gwClock;
        auto stations = sim::makeStations(gwClock, kPresent, false);
        for (auto& s : stations) {
            s->unit().setLiveMotion(false);
            s->unit().setReg(6, kResponseMs);
        }
        sim::GatewayStreamPort stream(gwClock, raw(stations), {});
        link::MbapPort mbap(stream);
        link::EchoPort front(mbap);
        const Transfers gateway = measure(gwClock, front);
        std::printf("read-out: serial %lld ms, gateway %lld ms (x%.2f)\n",
                    qlonglong(serial.readOutMs), qlonglong(gateway.readOutMs),
                    double(gateway.readOutMs) / double(serial.readOutMs));
        std::printf("write + verify: serial %lld ms, gateway %lld ms (x%.2f)\n",
                    qlonglong(serial.writeMs), qlonglong(gateway.writeMs),
                    double(gateway.writeMs) / double(serial.writeMs));
    }
    for (int timeoutMs : {1000, 300}) {
        forms::ManualClock clock;
        auto stations = sim::makeStations(clock, kPresent, false);
        for (auto& s : stations)
            s->unit().setLiveMotion(false);
        sim::GatewayOptions o;
        o.timeoutMs = timeoutMs;
        sim::GatewayStreamPort stream(clock, raw(stations), o);
        link::MbapPort mbap(stream);
        mbap.setGatewayTimeoutMs(timeoutMs);
        bus::UnitFinder finder(clock, mbap);
        bus::FinderOptions fo;
        fo.lines = {bus::LineChoice{false, 9600, 'E'}};
        fo.findAll = true;
        QList<int> found;
        finder.onFound = [&](const bus::FoundUnit& u) { found << u.station; };
        const qint64 t0 = clock.nowMs();
        qint64 serviceBefore = 0;
        if (finder.start(fo) != bus::UnitFinder::Refusal::None)
            return 1;
        if (!clock.advanceUntil([&] { return !finder.running(); }, 3600000))
            return 1;
        const qint64 took = clock.nowMs() - t0;
        const qint64 floor = stream.gateway().serviceMs() - serviceBefore + fo.probeTimeoutMs;
        QStringList names;
        for (int s : found)
            names << QString::number(s);
        std::printf("sweep of 63 stations behind the gateway (timeout %d ms): %lld ms, floor %lld "
                    "ms (x%.3f), found %s\n",
                    timeoutMs, qlonglong(took), qlonglong(floor), double(took) / double(floor),
                    qPrintable(names.join(QLatin1Char(','))));
    }
    return 0;
}
