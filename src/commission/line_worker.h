#pragma once

// One line of a commissioning run: one headless program on the line's port, driving the main
// window's logic as a technician would, unit after unit. Per unit: the read-out (it starts with
// register 6 and holds registers 0 and 1) identifies it; a unit that does not answer, or reports
// another coding or firmware than the plan says, gets nothing. A unit that holds the set already
// gets nothing either; otherwise the set is loaded through the file menu, the changed group is
// written, the unit is read again and compared with the set. A lost line ends this unit and every
// unit left on the line.

#include "commission/plan.h"
#include "commission/results.h"
#include "settings/store_paths.h"

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <memory>

namespace qtx52::forms {
class Clock;
class ClockTimer;
} // namespace qtx52::forms
namespace qtx52::link {
class CommPort;
}
namespace qtx52::app {
class Program;
}
namespace qtx52::cli {
class CommandUi;
}

namespace qtx52::commission {

struct RunOptions {
    bool dryRun = false; // identify and compare only, write nothing
    bool again = false;  // run units an earlier run recorded as done
};

class LineWorker : public QObject {
    Q_OBJECT
public:
    // The port stays the caller's and outlives the worker.
    LineWorker(forms::Clock& clock, link::CommPort& port, settings::StorePaths stores,
               std::vector<PlanUnit> units, RunOptions options, ResultStore* store);
    ~LineWorker() override;

    void start();
    // Stops before the next unit; the unit under way ends its write and read-back first.
    void cancel() { cancelled_ = true; }
    bool finished() const { return finished_; }
    // Each unit as it ends (not the units skipped as done before).
    std::function<void(const UnitRecord&)> onUnit;
    std::function<void(const PlanUnit&)> onSkipped;
    std::function<void()> onFinished;
    // Messages of the program (a refusal's text), for the technician.
    std::function<void(const QString&)> say;

private:
    enum class Phase { Idle, Opening, Identifying, Writing };
    struct LinkWatch;

    void nextUnit();
    void poll();
    void identified();
    void verify();
    void end(Result result, const QString& reason = {});
    bool openPort(const PlanUnit& unit);
    qint64 limitMs(int requests) const;
    void watchStatusWindow();
    UnitValues held() const;

    forms::Clock& clock_;
    link::CommPort& port_;
    std::vector<PlanUnit> units_;
    std::size_t next_ = 0;
    RunOptions options_;
    ResultStore* store_;
    std::unique_ptr<cli::CommandUi> ui_;
    std::unique_ptr<app::Program> program_;
    std::unique_ptr<LinkWatch> watch_;
    std::unique_ptr<forms::ClockTimer> poll_;
    std::unique_ptr<forms::ClockTimer> later_;
    Phase phase_ = Phase::Idle;
    UnitRecord record_;
    qint64 unitStartMs_ = 0;
    qint64 deadlineMs_ = 0;
    QString lastMessage_;
    QPointer<QObject> watchedStatusWindow_;
    std::deque<std::pair<int, bool>> closings_; // transfer state, last request answered
    bool cancelled_ = false;
    bool lineLost_ = false;
    bool finished_ = false;
};

} // namespace qtx52::commission
