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

namespace qtx52::sim {

class Building {
public:
    explicit Building(forms::Clock& clock) : clock_(clock) {}
    ~Building();

    // The stations of a line, made (varied by address) at first mention.
    void addStations(const QString& line, const QList<int>& addresses);
    Station* station(const QString& line, int address);
    GatewayOptions& options(const QString& line) { return options_[line]; }
    // sim:NAME lines (every line with `all`) become their gateway's port.
    commission::PortMaker maker(bool all = false);
    // The gateway port of a line once the run has made it.
    GatewayStreamPort* stream(const QString& line);

private:
    forms::Clock& clock_;
    QHash<QString, std::vector<std::unique_ptr<Station>>*> stations_;
    std::vector<std::unique_ptr<std::vector<std::unique_ptr<Station>>>> owned_;
    QHash<QString, GatewayOptions> options_;
    QHash<QString, GatewayStreamPort*> streams_;
};

} // namespace qtx52::sim
