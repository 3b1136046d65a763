#pragma once

// The commissioning sheet in the desktop program: the file menu's entry "Protokoll als PDF…"
// (enabled once the unit has been read out), the window of the header fields (filled in once,
// kept in the user store), and what the sheet needs beside the unit's values: the set last
// written with "Werte übernehmen" as the intended values, the live values of the last monitor
// cycle and the link's counters. Owned by the main window's view; the main window's logic does
// not know it exists.

#include "bus/link_stats.h"
#include "files/parameter_set.h"
#include "forms/controls.h"
#include "report/sheet_data.h"

#include <QObject>

#include <functional>
#include <optional>

namespace qtx52::app {
class Program;
}

namespace qtx52::report {

// The header fields: a caption and a box each, OK and Cancel.
class SheetHeaderForm : public QObject {
    Q_OBJECT
public:
    explicit SheetHeaderForm(app::Program& program);

    forms::Form form;
    forms::ControlArray<forms::Label> lbl_field{"lbl_field"};
    forms::ControlArray<forms::TextBox> txt_field{"txt_field"};
    forms::CommandButton cmd_ok;
    forms::CommandButton cmd_cancel;
    static constexpr int kFields = 5;

    // Shows the window with the stored values; the values when OK was chosen, none otherwise.
    std::optional<SheetHeader> ask();

private:
    app::Program& program_;
    bool accepted_ = false;
};

class SheetDesk : public QObject {
    Q_OBJECT
public:
    explicit SheetDesk(app::Program& program);
    ~SheetDesk() override;

    forms::MenuItem mnuSheet;
    SheetHeaderForm header;

    // The wall-clock time of the sheet and of the live values: the system's unless a test sets
    // another.
    std::function<QDateTime()> now;

    void mnuSheet_Click();
    // What the sheet would hold now, with the editor's parameter file attached as `fileName`.
    SheetInputs inputs(const QString& fileName) const;
    void applyTexts();

private:
    app::Program& program_;
    bus::LinkStats stats_;
    std::optional<files::ParameterSet> written_;
    QString writtenAt_;
    std::optional<LiveSnapshot> live_;
};

} // namespace qtx52::report
