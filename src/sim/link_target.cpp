#include "sim/link_target.h"

#include "link/port_map.h"
#include "link/qt_serial_port.h"
#include "sim/simcommport.h"
#include "sim/station.h"

namespace qtx52::sim {

LinkTarget::LinkTarget() = default;
LinkTarget::~LinkTarget() {
    port.reset(); // the port refers to the station
    station.reset();
}
LinkTarget::LinkTarget(LinkTarget&&) noexcept = default;
LinkTarget& LinkTarget::operator=(LinkTarget&&) noexcept = default;

QString LinkTarget::describe(int portNumber) const {
    if (station)
        return QStringLiteral("simulated unit");
    return port ? port->describePort(portNumber) : QString();
}

LinkTarget openLinkTarget(const app::LinkOptions& options, forms::Clock& clock,
                          const settings::StorePaths& stores) {
    LinkTarget t;
    if (options.simulate) {
        t.station = std::make_unique<Station>(clock);
        t.station->setAddress(options.address);
        auto port = std::make_unique<SimCommPort>(clock, *t.station);
        Station* station = t.station.get();
        port->setOpenObserver([station](const link::LineSettings& line) {
            station->setLineSettings(line);
            station->setFraming(line.dataBits == 7 ? Framing::Ascii : Framing::Rtu);
        });
        t.port = std::move(port);
        return t;
    }
    // The machine's devices are listed again at every open and whenever the technician looks at
    // the port list, so an adapter plugged in after the start is found.
    auto build = [stores, device = options.device] {
        const QStringList found =
            device.isEmpty() ? link::PortMap::discoverDevices() : QStringList();
        return link::PortMap::build(stores, device, found);
    };
    t.port = std::make_unique<link::QtSerialCommPort>(build(), build);
    return t;
}

} // namespace qtx52::sim
