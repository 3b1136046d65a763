#pragma once

// The simulated building of a commissioning run: each line "sim:NAME" a Modbus TCP gateway on the
// in-process clock with its own stations (each its own register image, firmware and response
// time), reached through the program's MBAP framing. Lines share nothing.

#include "commission/run.h"
#include "sim/gateway.h"
#include "sim/station.h"

#include <QHash>

#include <memory>
#include <vector>

namespace qtx52::commission {

class Building {
public:
    explicit Building(forms::Clock& clock) : clock_(clock) {}
    ~Building();

    // The stations of a line, made (varied by address) at first mention.
    void addStations(const QString& line, const QList<int>& addresses);
    sim::Station* station(const QString& line, int address);
    sim::GatewayOptions& options(const QString& line) { return options_[line]; }
    // sim:NAME lines (every line with `all`) become their gateway's port.
    PortMaker maker(bool all = false);
    // The gateway port of a line once the run has made it.
    sim::GatewayStreamPort* stream(const QString& line);

private:
    forms::Clock& clock_;
    QHash<QString, std::vector<std::unique_ptr<sim::Station>>*> stations_;
    std::vector<std::unique_ptr<std::vector<std::unique_ptr<sim::Station>>>> owned_;
    QHash<QString, sim::GatewayOptions> options_;
    QHash<QString, sim::GatewayStreamPort*> streams_;
};

} // namespace qtx52::commission
