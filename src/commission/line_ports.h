#pragma once

// The ports of a plan's lines as the command line reaches them: a device path, tcp://HOST:PORT
// (a serial device server), mbap://HOST[:PORT] (a Modbus TCP gateway) or a port number 1..8
// through the port mapping of the settings stores, each its own port with the echo check in
// front; sim:NAME lines (every line with `simulateAll`) on the simulated building in process,
// with the stations the plan names on them.

#include "cli/command_line.h"
#include "commission/run.h"
#include "commission/sim_building.h"
#include "settings/store_paths.h"

namespace qtx52::commission {

class LinePorts {
public:
    LinePorts(forms::Clock& clock, settings::StorePaths stores, cli::LinkOptions base,
              bool simulateAll);
    // Puts the plan's stations on its simulated lines.
    void prepare(const Plan& plan);
    PortMaker maker();
    Building& building() { return building_; }

private:
    forms::Clock& clock_;
    settings::StorePaths stores_;
    cli::LinkOptions base_;
    bool simulateAll_;
    Building building_;
};

} // namespace qtx52::commission
