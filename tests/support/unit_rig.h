#pragma once

// The whole program against the simulated unit on its simulated line, in virtual time: the unit at
// one framing, baud rate and response time, the window loaded with its line selectors set to the
// same and the port open, as a technician would start a transfer.

#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "link/echo_port.h"
#include "link/transaction.h"
#include "sim/simcommport.h"
#include "sim/station.h"
#include "support/test_program.h"

#include <QStringList>

#include <memory>
#include <optional>

namespace qtx52::testing {

// The baud rates of the selector, in its order.
inline const QStringList kBauds = {"9600", "19200", "38400", "57600"};

struct UnitRig {
    // echoStripped, when given: the line echoes every request, as adapters that hear their own
    // transmission do, and the program's port checks and drops the echo (true) or passes it on.
    UnitRig(link::Framing framing, const QString& baud, quint16 responseTimeMs = 10,
            std::optional<bool> echoStripped = std::nullopt);

    // The request texts sent so far, without framing and checksum.
    QStringList requests() const;
    // No transfer under way: the chain at rest and the status window gone.
    bool idle() const { return g.commState == 0 && !p.frmStateLoaded(); }
    // A configuration register or an input register of the unit as the editor shows it.
    double unitValue(int reg);
    double unitInput(int element);
    // The number a text box shows, read with the program's decimal separator.
    std::optional<double> shown(const forms::TextBox& box) const;

    TestProgram tp;
    sim::Station station{tp.clock};
    sim::SimCommPort port{tp.clock, station};
    std::unique_ptr<link::EchoPort> echo; // in front of the port when the line echoes
    app::Program p;
    app::Global& g = p.g;
    editor::frm_config* f = nullptr;
    link::Framing framing;
};

// Every field, reference and coil box of the editor holds the unit's value and nothing is marked
// (a failed check ends the calling test function's check, QTest::currentTestFailed() tells).
void verifyEditorMatchesUnit(UnitRig& r);

} // namespace qtx52::testing
