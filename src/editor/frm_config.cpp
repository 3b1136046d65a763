#include "editor/frm_config.h"

#include "app/program.h"

namespace qtx52::editor {

frm_config::frm_config(app::Program& p)
    : MainWindowTransfer(p), Timer(p.clock, QStringLiteral("Timer"), 200, this) {
    createControls();
    connectHandlers();
}

frm_config::~frm_config() = default;

void frm_config::connectHandlers() {
    connectSequencer();
    connectWritePacing();
    connectPortSettings();
    connectFieldEditing();
    connectSelection();
    connectLoad();
    connectWorkflow();
    connectMonitor();
    connectFiles();
}

} // namespace qtx52::editor
