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
    if (auto* serial = dynamic_cast<const link::QtSerialCommPort*>(port.get()))
        return serial->portMap().deviceFor(portNumber);
    return {};
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
    const QStringList found =
        options.device.isEmpty() ? link::PortMap::discoverDevices() : QStringList();
    t.port = std::make_unique<link::QtSerialCommPort>(
        link::PortMap::build(stores, options.device, found));
    return t;
}

} // namespace qtx52::sim
