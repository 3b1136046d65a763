#pragma once

// The commissioning window's texts in German and English.

#include "app/language.h"
#include "commission/results.h"

#include <QString>

namespace qtx52::commission {

enum class WindowText {
    Menu,
    Caption,
    Plan,
    Out,
    ChoosePlan,
    PlanFilter,
    DryRun,
    Again,
    Start,
    Cancel,
    OpenFolder,
    ColumnRoom,
    ColumnLine,
    ColumnStation,
    ColumnState,
    ColumnResult,
    ColumnTime,
    Waiting,
    Running,
    Done,
    DoneBefore,
    PlanReady,   // %1 units, %2 lines
    PlanFaults,  // the problems follow, one a line
    NothingSent, // the problems follow
    PortOpen,
    MainWindowBusy,
    NoOut,
    OutUnwritable, // %1 the folder
    NoFolder,      // %1 the folder
    Progress,      // %1 done, %2 of all
    ProgressLeft,  // %1 done, %2 of all, %3 m:ss
    Cancelling,
    Finished,     // %1 the counts
    CancelledRun, // %1 the counts
    DoneBeforeCount,
    Seconds, // %1 the number
};

QString windowText(WindowText text, app::Language language);
// The result as the window shows it.
QString resultText(Result result, app::Language language);

} // namespace qtx52::commission
