#include "support/serial_rig.h"

namespace qtx52::testing {

bool SerialRig::start(const QString& mode) {
    mode_ = mode;
    if (!pty.start() ||
        !pty.startSim({"--mode", mode, "--address", "1", "--baud", "9600", "--parity", "N"}))
        return false;
    port = std::make_unique<link::QtSerialCommPort>(link::PortMap::build({}, pty.masterEnd(), {}));
    program = std::make_unique<app::Program>(
        clock, *port, ui, settings::StorePaths{dir.filePath("m.ini"), dir.filePath("u.ini")});
    return true;
}

bool SerialRig::open() {
    app::Main(*program);
    editor::frm_config& w = window();
    w.Combo_Port(2).setListIndex(0);                                       // None
    w.Combo_Port(5).setListIndex(mode_ == QLatin1String("ascii") ? 0 : 1); // ASCII / RTU
    w.Combo_Port(6).setListIndex(1);                                       // open
    return port->portOpen();
}

} // namespace qtx52::testing
