#pragma once

// The port the program talks through, chosen by the command line: a real serial device, or the
// built-in simulated unit.

#include "cli/command_line.h"
#include "link/commport.h"
#include "settings/store_paths.h"

#include <memory>

namespace qtx52::forms {
class Clock;
}

namespace qtx52::sim {
class Station;
}

namespace qtx52::cli {

struct LinkTarget {
    LinkTarget();
    ~LinkTarget();
    LinkTarget(LinkTarget&&) noexcept;
    LinkTarget& operator=(LinkTarget&&) noexcept;

    std::unique_ptr<sim::Station> station;  // the simulated unit, with --simulate only
    std::unique_ptr<link::CommPort> device; // the serial device or the simulated unit's port
    // What the program talks through: the device behind the echo check, which strips the echo of
    // adapters that echo (--echo, or "Echo" in the settings stores) and passes all else through.
    std::unique_ptr<link::CommPort> port;
    // A text for the technician: which device (or the simulated unit) each port number reaches.
    QString describe(int portNumber) const;
};

// With --simulate: a simulated unit at the given station address that takes the line settings
// and framing the program opens the port with. Otherwise the QSerialPort backend, with --device
// overriding the port mapping of the settings stores. With --echo the simulated unit's line echoes
// too.
LinkTarget openLinkTarget(const cli::LinkOptions& options, forms::Clock& clock,
                          const settings::StorePaths& stores);

} // namespace qtx52::cli
