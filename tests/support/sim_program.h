#pragma once

// The whole program against the simulated unit in virtual time, as it stands after start: the main
// window loaded in the interface language given, the port still closed, the unit's live values
// held still. What a test opens beside the window (views, the bus windows) is the test's own.

#include "app/program.h"
#include "editor/frm_config.h"
#include "sim/simcommport.h"
#include "sim/station.h"
#include "support/test_program.h"

namespace qtx52::testing {

struct SimProgram {
    explicit SimProgram(const QString& language = QStringLiteral("1031"));

    editor::frm_config& w() { return p.frm_config(); }

    TestProgram tp;
    sim::Station station{tp.clock};
    sim::SimCommPort port{tp.clock, station};
    app::Program p;
};

} // namespace qtx52::testing
