#pragma once

// The program as it runs on a desk, for end-to-end tests: Main on the Qt clock, the QSerialPort
// backend on one end of a pseudo-terminal pair and qtx52-sim on the other.

#include "app/program.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "link/qt_serial_port.h"
#include "support/pty_pair.h"
#include "support/scripted_ui.h"

#include <QTemporaryDir>

#include <memory>

namespace qtx52::testing {

class SerialRig {
public:
    // Starts socat and qtx52-sim in the given framing ("rtu" or "ascii") at station 1, 9600
    // baud without parity (pseudo-terminals may refuse parity, and both ends agree anyway).
    // False with the reason in error() when the pair or the simulator cannot be had.
    bool start(const QString& mode);
    const QString& error() const { return pty.error(); }
    // Runs Main, chooses no parity and the framing in the selectors and opens the port as a
    // technician would; false when the port did not open.
    bool open();

    editor::frm_config& window() { return program->frm_config(); }

    PtyPair pty;
    QTemporaryDir dir;
    forms::QtClock clock;
    ScriptedUi ui;
    std::unique_ptr<link::QtSerialCommPort> port;
    std::unique_ptr<app::Program> program;

private:
    QString mode_;
};

} // namespace qtx52::testing
