#pragma once

// A commissioning run: the checked plan's units grouped by line, one worker per line, all lines
// at once on the one event loop (each with its own program and port, nothing shared between
// them), the results recorded as each unit ends, a summary and the exit code.

#include "commission/line_worker.h"

#include <QObject>

#include <map>
#include <memory>

namespace qtx52::commission {

// Exit codes.
inline constexpr int kExitDone = 0;      // every unit verified or already commissioned
inline constexpr int kExitNoAnswer = 3;  // a unit did not answer, its line was lost, or cancelled
inline constexpr int kExitDiffers = 4;   // a unit differs after its write
inline constexpr int kExitPlan = 5;      // the plan or a set is wrong: nothing was sent
inline constexpr int kExitRefused = 6;   // a unit refused a request
inline constexpr int kExitWrongUnit = 7; // a unit was not the unit the plan names

// The port a line is reached through, held for the run.
class LinePort {
public:
    virtual ~LinePort() = default;
    virtual link::CommPort& port() = 0;
};
// Makes the port of a line (its plan text: device, tcp://, port number or sim:NAME); nullptr
// when it cannot be had, which the run records as a lost line for its units.
using PortMaker = std::function<std::unique_ptr<LinePort>(const QString& line)>;

class Run : public QObject {
    Q_OBJECT
public:
    Run(forms::Clock& clock, settings::StorePaths stores, PortMaker makePort, RunOptions options);
    ~Run() override;

    // Starts every line; false, with exit code 5 and nothing sent, when the plan has a fault or
    // the results folder cannot be written.
    bool start(const Plan& plan, const QString& outDir);
    void cancel();
    bool finished() const { return finished_; }
    int exitCode() const;
    // "12 verified, 1 already, …" and what was skipped as done before.
    QString summary() const;
    // "17/40 units done, 3 s per unit, about 69 s left".
    QString progress() const;

    std::function<void(const UnitRecord&)> onUnit;
    std::function<void(const QString&)> say;
    std::function<void()> onFinished;

    int skipped() const { return skipped_; }
    const std::vector<UnitRecord>& records() const { return records_; }

private:
    struct Line;
    void lineFinished();

    forms::Clock& clock_;
    settings::StorePaths stores_;
    PortMaker makePort_;
    RunOptions options_;
    ResultStore store_;
    std::vector<std::unique_ptr<Line>> lines_;
    std::vector<UnitRecord> records_;
    int total_ = 0;
    int skipped_ = 0;
    qint64 startMs_ = 0;
    bool finished_ = false;
    bool planRefused_ = false;
};

} // namespace qtx52::commission
