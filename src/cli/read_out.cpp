// --read-out FILE: reads the unit out and saves the parameter file through the file menu.

#include "app/program.h"
#include "cli/command_ui.h"
#include "cli/runner.h"
#include "cli/runner_steps.h"
#include "editor/frm_config.h"

namespace qtx52::cli {

using namespace steps;

void CommandRunner::startReadOut() {
    editor::frm_config& f = program_->frm_config();
    step(text(CliText::ReadingOut));
    f.cmd_read_device->userClick();
    if (program_->g.commState != 6) {
        say(text(CliText::ReadOutNotStarted));
        finish(kExitLink);
        return;
    }
    phase_ = Phase::ReadingOut;
    startWaiting(kReadOutRequests);
}

void CommandRunner::readOutDone() {
    if (cl_.command == CommandLine::Command::Monitor)
        startMonitor();
    else if (cl_.command == CommandLine::Command::ReadOut)
        saveFile();
    else if (cl_.command == CommandLine::Command::Diff)
        diffWithUnit();
    else
        writeFile();
}

void CommandRunner::saveFile() {
    step(text(CliText::Saving, {cl_.file}));
    const int messages = ui_->messageCount();
    ui_->answerSave(cl_.file);
    program_->frm_config().ParMenüMain_Click(kMenuSave);
    if (ui_->messageCount() != messages) {
        finish(kExitFile);
        return;
    }
    result(text(CliText::Saved, {QString::number(cl_.link.address), cl_.file}));
    if (!cl_.report.isEmpty() && !writeReport(std::nullopt)) {
        finish(kExitFile);
        return;
    }
    finish(kExitOk);
}

} // namespace qtx52::cli
