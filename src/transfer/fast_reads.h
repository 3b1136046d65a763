#pragma once

// The "Fast reads" line setting beside the serial settings: a check box that switches the main
// window's chains between the pacing ticks and following each reply as soon as the line allows.
// Kept in the user store, so the technician's choice holds at the next start. Headless like every
// control of the program; the desktop program's main window view puts its widget beside the line
// settings, and the window logic only sees the switch it sets.

#include "forms/controls.h"

#include <QObject>

namespace qtx52::app {
class Program;
}

namespace qtx52::transfer {

class MainWindowTransfer;

// The value under the product key of the user store ("1" on, anything else off).
inline constexpr char kFastReadsValue[] = "FastReads";

class FastReadsControl : public QObject {
    Q_OBJECT
public:
    // Shows what the user store holds and applies it to the window.
    FastReadsControl(app::Program& program, MainWindowTransfer& window);

    forms::CheckBox chk_fast_reads;

    // The box changed (the technician or the program): the main window follows, the store keeps it.
    void chk_fast_reads_Click();

private:
    app::Program& program_;
    MainWindowTransfer& window_;
};

} // namespace qtx52::transfer
