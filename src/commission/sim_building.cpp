#include "commission/sim_building.h"

#include "link/mbap_port.h"

namespace qtx52::commission {

namespace {

class GatewayLine final : public commission::LinePort {
public:
    GatewayLine(forms::Clock& clock, std::vector<sim::Station*> stations,
                sim::GatewayOptions options)
        : stream(clock, std::move(stations), options), mbap(stream) {}
    link::CommPort& port() override { return mbap; }
    sim::GatewayStreamPort stream;
    link::MbapPort mbap;
};

} // namespace

Building::~Building() = default;

void Building::addStations(const QString& line, const QList<int>& addresses) {
    if (!stations_.contains(line)) {
        owned_.push_back(std::make_unique<std::vector<std::unique_ptr<sim::Station>>>());
        stations_.insert(line, owned_.back().get());
    }
    std::vector<std::unique_ptr<sim::Station>>& all = *stations_.value(line);
    QList<int> fresh;
    for (const int a : addresses)
        if (!station(line, a))
            fresh << a;
    for (auto& s : sim::makeStations(clock_, fresh, true)) {
        s->unit().setLiveMotion(false);
        all.push_back(std::move(s));
    }
}

sim::Station* Building::station(const QString& line, int address) {
    if (!stations_.contains(line))
        return nullptr;
    for (auto& s : *stations_.value(line))
        if (s->address() == address)
            return s.get();
    return nullptr;
}

sim::GatewayStreamPort* Building::stream(const QString& line) {
    return streams_.value(line);
}

PortMaker Building::maker(bool all) {
    return [this, all](const QString& line) -> std::unique_ptr<commission::LinePort> {
        if (!all && !line.startsWith(QStringLiteral("sim:")))
            return nullptr;
        std::vector<sim::Station*> stations;
        if (stations_.contains(line))
            for (auto& s : *stations_.value(line))
                stations.push_back(s.get());
        auto port = std::make_unique<GatewayLine>(clock_, stations, options_.value(line));
        streams_.insert(line, &port->stream);
        return port;
    };
}

} // namespace qtx52::commission
