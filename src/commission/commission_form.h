#pragma once

// The commissioning window's logic: the plan chosen (its units listed at once, a faulty plan's
// problems by plan line), the results folder, "check only" and "again", Start and Cancel, one row
// per unit (room, line, station, state, result, time), the progress (units done of all, the time
// left) and the button that opens the results folder. A run needs the main window's port closed
// and the main window free, and keeps the main window disabled while it goes; it runs the same
// run as the command line. The main window's logic does not know this window exists.

#include "app/language.h"
#include "commission/run.h"
#include "forms/controls.h"

#include <QHash>
#include <QObject>

#include <memory>
#include <optional>
#include <vector>

namespace qtx52::app {
class Program;
}

namespace qtx52::commission {

class Building;

// The port of each line of a run from the window: sim:NAME lines on the simulated building, every
// other line through `realLine`, or recorded as unreachable where there is none.
PortMaker windowLines(Building& building, PortMaker realLine = {});

class CommissionForm final : public QObject {
    Q_OBJECT
public:
    // `realLine` makes the ports of the lines that are not simulated.
    explicit CommissionForm(app::Program& program, PortMaker realLine = {});
    ~CommissionForm() override;

    forms::Form form;
    forms::Frame frm_plan;
    forms::Label lbl_plan, lbl_out;
    forms::TextBox txt_plan, txt_out;
    forms::CommandButton cmd_plan, cmd_out;
    forms::CheckBox chk_dry_run, chk_again;
    forms::CommandButton cmd_start, cmd_cancel, cmd_open;
    forms::ProgressBar prg_units;
    forms::Label lbl_progress, lbl_state;

    enum Column { Room, Line, Station, State, Outcome, Time, ColumnCount };
    enum class RowState { Waiting, Running, Done, DoneBefore };
    QStringList columnTitles() const;
    int rowCount() const { return int(rows_.size()); }
    QString cell(int row, int column) const;
    // Why the unit ended so and what differs after its write, for a tooltip.
    QString note(int row) const;
    RowState rowState(int row) const { return rows_.at(std::size_t(row)).state; }

    bool running() const { return running_; }
    // The run under way or the last one, until the next Start.
    const Run* run() const { return run_.get(); }
    // The simulated lines of that run.
    Building* building() const { return building_.get(); }

    void cmd_plan_Click();
    void cmd_out_Click();
    void cmd_start_Click();
    void cmd_cancel_Click();
    void cmd_open_Click();
    // The title-bar box: a run under way is cancelled and the window hides once it has ended.
    void Form_Close();

signals:
    void rowsReset();
    void rowChanged(int row);
    // The results folder, for the desktop to show.
    void openFolder(const QString& dir);

private:
    struct Row {
        PlanUnit unit;
        RowState state = RowState::Waiting;
        std::optional<UnitRecord> record;
    };

    app::Language language() const;
    void applyTexts();
    void readPlanFile();
    void showPlan(const Plan& plan);
    void showRunning(bool on);
    void showProgress();
    void markRunning();
    void unitEnded(const QString& room, std::optional<UnitRecord> record);
    void finished();
    void refuse(const QString& text);
    void followOutFolder();
    QString defaultOut(const QString& planPath) const;

    app::Program& program_;
    PortMaker realLine_;
    std::vector<Row> rows_;
    QHash<QString, int> rowOfRoom_;
    QString defaultOut_;
    // The building before the run: the run's ports reach its stations.
    std::unique_ptr<Building> building_;
    std::unique_ptr<Run> run_;
    bool running_ = false;
    bool cancelled_ = false;
    bool disabledMainWindow_ = false;
    bool hideWhenDone_ = false;
};

// The menu bar's entry and the window it opens, created on first use and kept, hidden, when
// closed. The main window's view owns it.
class CommissionDesk final : public QObject {
    Q_OBJECT
public:
    explicit CommissionDesk(app::Program& program, PortMaker realLine = {});
    ~CommissionDesk() override;

    forms::MenuItem mnuCommission;
    CommissionForm& window();
    bool windowLoaded() const { return window_ != nullptr; }
    // The window comes up (and to the front, when it is already up).
    void mnuCommission_Click();

signals:
    void windowShown();

private:
    app::Program& program_;
    PortMaker realLine_;
    std::unique_ptr<CommissionForm> window_;
};

} // namespace qtx52::commission
