#include "cli/link_target.h"

#include "link/echo_port.h"
#include "link/port_map.h"
#include "link/qt_serial_port.h"
#include "sim/simcommport.h"
#include "sim/station.h"

namespace qtx52::cli {

using sim::Framing;
using sim::SimCommPort;
using sim::Station;

LinkTarget::LinkTarget() = default;
LinkTarget::~LinkTarget() {
    port.reset(); // each refers to the one after it
    device.reset();
    station.reset();
}
LinkTarget::LinkTarget(LinkTarget&&) noexcept = default;
LinkTarget& LinkTarget::operator=(LinkTarget&&) noexcept = default;

QString LinkTarget::describe(int portNumber) const {
    if (station)
        return link::kSimulatedUnitPort;
    return port ? port->describePort(portNumber) : QString();
}

LinkTarget openLinkTarget(const cli::LinkOptions& options, forms::Clock& clock,
                          const settings::StorePaths& stores) {
    LinkTarget t;
    if (options.simulate) {
        t.station = std::make_unique<Station>(clock);
        t.station->setAddress(options.simStation > 0 ? options.simStation : options.address);
        auto port = std::make_unique<SimCommPort>(clock, *t.station);
        Station* station = t.station.get();
        const bool ownLine =
            !options.simMode.isEmpty() || !options.simBaud.isEmpty() || !options.simParity.isNull();
        if (ownLine) {
            // A unit set up on its own: it answers only a master whose settings match.
            const bool ascii = options.simMode == QLatin1String("ASCII");
            link::LineSettings line;
            line.baud = options.simBaud.isEmpty() ? 9600 : options.simBaud.toInt();
            line.parity = options.simParity.isNull() ? 'E' : char(options.simParity.toLatin1());
            line.dataBits = ascii ? 7 : 8;
            line.stopBits = 1;
            station->setLineSettings(line);
            station->setFraming(ascii ? Framing::Ascii : Framing::Rtu);
        } else {
            port->setOpenObserver([station](const link::LineSettings& line) {
                station->setLineSettings(line);
                station->setFraming(line.dataBits == 7 ? Framing::Ascii : Framing::Rtu);
            });
        }
        if (options.echo)
            port->line().setEcho(true);
        t.device = std::move(port);
        const bool echo = options.echo;
        t.port = std::make_unique<link::EchoPort>(*t.device, [echo](int) { return echo; });
        return t;
    }
    // The machine's devices are listed again at every open and whenever the technician looks at
    // the port list, so an adapter plugged in after the start is found.
    auto build = [stores, device = options.device, anyId = options.mbapAnyId] {
        const QStringList found =
            device.isEmpty() ? link::PortMap::discoverDevices() : QStringList();
        link::PortMap map = link::PortMap::build(stores, device, found);
        map.setAnyId(anyId);
        return map;
    };
    const link::PortMap map = build();
    auto serial = std::make_unique<link::QtSerialCommPort>(map, build);
    if (options.gatewayTimeoutMs >= 0)
        serial->setGatewayTimeoutMs(options.gatewayTimeoutMs);
    t.device = std::move(serial);
    const bool echo = options.echo;
    t.port = std::make_unique<link::EchoPort>(
        *t.device, [echo, map](int number) { return echo || map.echoFor(number); });
    return t;
}

} // namespace qtx52::cli
