#include "editor/frm_config.h"

#include "app/program.h"
#include "link/commport.h"

namespace qtx52::editor {

frm_config::frm_config(app::Program& p)
    : QObject(nullptr), program(p), g(p.g), form(QStringLiteral("frm_config"), this),
      Timer1(p.clock, QStringLiteral("Timer1"), 400, this),
      Timer3(p.clock, QStringLiteral("Timer3"), 500, this),
      Timer4(p.clock, QStringLiteral("Timer4"), 50, this),
      Timer5(p.clock, QStringLiteral("Timer5"), 1000, this),
      Timer6(p.clock, QStringLiteral("Timer6"), 200, this),
      Timer(p.clock, QStringLiteral("Timer"), 200, this), MSComm1(p.port),
      replyVerdicts(p.linkEvents) {
    createControls();
    connectHandlers();
}

frm_config::~frm_config() {
    // The port outlives the window; it must not report to a window that is gone.
    MSComm1.setLostHandler({});
}

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
