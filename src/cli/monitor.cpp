// --monitor N: the live values, one CSV line per cycle, and into the file of --log.

#include "app/program.h"
#include "cli/runner.h"
#include "cli/runner_steps.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "monitor/monitor_recorder.h"

namespace qtx52::cli {

using namespace steps;

void CommandRunner::startMonitor() {
    editor::frm_config& f = program_->frm_config();
    recorder_ = std::make_unique<monitor::MonitorRecorder>(*program_);
    recorder_->unitsKnown = false;
    recorder_->report = [this](const QString& line) { say(line); };
    // Told from inside the reply path: the command ends at its next look, not in the middle.
    connect(recorder_.get(), &monitor::MonitorRecorder::failed, this,
            [this] { recordFailed_ = true; });
    connect(recorder_.get(), &monitor::MonitorRecorder::cycle, this, [this](const QString& line) {
        if (finished_ || recordFailed_ || phase_ != Phase::Monitoring ||
            (cl_.cycles > 0 && cycles_ >= cl_.cycles))
            return;
        ++cycles_;
        deadlineMs_ = clock_.nowMs() + kCycleLimitMs;
        result(line);
        // The file holds the lines printed and no more, even if the next cycle comes quickly.
        if (cl_.cycles > 0 && cycles_ >= cl_.cycles)
            recorder_->stop();
    });
    if (!cl_.log.isEmpty() && !recorder_->start(cl_.log)) {
        finish(kExitFile);
        return;
    }
    if (cl_.cycles > 0)
        step(text(CliText::Monitoring, {QString::number(cl_.cycles)}));
    else
        step(text(CliText::MonitoringUntilInterrupted));
    result(recorder_->header());
    f.chk_read_out->userClick();
    if (f.chk_read_out->value() != 1) {
        say(text(CliText::MonitorNotStarted));
        finish(kExitLink);
        return;
    }
    phase_ = Phase::Monitoring;
    deadlineMs_ = clock_.nowMs() + kCycleLimitMs;
}

void CommandRunner::interrupt() {
    if (finished_)
        return;
    // Asked to stop, also during the read-out it starts with: nothing has failed.
    step(QStringLiteral("interrupted after %1 cycles").arg(cycles_));
    finish(kExitOk);
}

} // namespace qtx52::cli
