#include "commission/line_ports.h"

#include "cli/link_target.h"

namespace qtx52::commission {

namespace {

class TargetLine final : public LinePort {
public:
    TargetLine(cli::LinkTarget target, int number) : target_(std::move(target)), number_(number) {}
    link::CommPort& port() override { return *target_.port; }
    int portNumber() const override { return number_; }

private:
    cli::LinkTarget target_;
    int number_;
};

bool simulated(const QString& line) {
    return line.startsWith(QStringLiteral("sim:"));
}

} // namespace

LinePorts::LinePorts(forms::Clock& clock, settings::StorePaths stores, cli::LinkOptions base,
                     bool simulateAll)
    : clock_(clock), stores_(std::move(stores)), base_(std::move(base)), simulateAll_(simulateAll),
      building_(clock) {}

void LinePorts::prepare(const Plan& plan) {
    QHash<QString, QList<int>> stations;
    for (const PlanUnit& unit : plan.units)
        if (simulateAll_ || simulated(unit.line))
            stations[unit.line] << unit.station;
    for (auto it = stations.cbegin(); it != stations.cend(); ++it)
        building_.addStations(it.key(), it.value());
}

PortMaker LinePorts::maker() {
    PortMaker simulatedLine = building_.maker(true);
    return [this, simulatedLine](const QString& line) -> std::unique_ptr<LinePort> {
        if (simulateAll_ || simulated(line))
            return simulatedLine(line);
        cli::LinkOptions options = base_;
        options.simulate = false;
        bool isNumber = false;
        const int number = line.toInt(&isNumber);
        // A number goes through the port mapping; anything else is the line's device, which
        // every port number then reaches.
        options.device = isNumber ? QString() : line;
        options.port = isNumber ? number : 0;
        return std::make_unique<TargetLine>(cli::openLinkTarget(options, clock_, stores_),
                                            isNumber ? number : 0);
    };
}

} // namespace qtx52::commission
