#pragma once

// The program started as at a desktop, on virtual time, with a fake serial port, a scripted user
// and settings stores that hold nothing (German texts). Numbers are written with a decimal comma,
// whatever the machine's locale says.

#include "app/program.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "support/fake_port.h"
#include "support/scripted_ui.h"

#include <QTemporaryDir>
#include <QTest>

namespace qtx52::testing {

struct MainWindowRig {
    forms::ManualClock clock;
    FakePort port;
    ScriptedUi ui;
    QTemporaryDir dir;
    app::Program program{
        clock, port, ui,
        settings::StorePaths{dir.filePath("machine.ini"), dir.filePath("user.ini")}};
    editor::frm_config& f;
    app::Global& g;

    MainWindowRig() : f(start(program)), g(program.g) {}

    void selectPortState(bool open) { f.Combo_Port(6).setListIndex(open ? 1 : 0); }

    // Brings the tab forward that lets a user reach the control.
    void showTabOf(const forms::Control& c) {
        for (int tab = 0; tab < f.SSTab1->captions().size() && !c.acceptsInput(); ++tab)
            f.SSTab1->setTab(tab);
        QVERIFY(c.acceptsInput());
    }

private:
    static editor::frm_config& start(app::Program& p) {
        app::Main(p);
        p.g.decimalSeparator = QStringLiteral(",");
        return p.frm_config();
    }
};

} // namespace qtx52::testing
