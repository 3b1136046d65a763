#include "editor/frm_config.h"

#include "app/program.h"
#include "link/commport.h"

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

namespace qtx52::app {

// The main window's accessors live with the window, as every window's do, so that the program
// does not depend on the window classes.
editor::frm_config& Program::frm_config() {
    if (!frmConfig_) {
        auto* w = new editor::frm_config(*this);
        frmConfig_.reset(w);
        // Its first use loads it, as any window of the program.
        w->form.setLoaded(true);
        w->Form_Load();
    }
    return *static_cast<editor::frm_config*>(frmConfig_.get());
}

void Program::unloadFrmConfig() {
    if (!frmConfig_)
        return;
    static_cast<editor::frm_config*>(frmConfig_.get())->Form_Unload();
    requestQuit();
}

QObject& Program::mainWindow() {
    frm_config();
    return *frmConfig_;
}

void Main(Program& p) {
    Global& g = p.g;
    g.inputFieldCount = 8;
    g.commPort = 2;
    g.baudRate = QStringLiteral("9600");
    g.parity = QStringLiteral("E");
    g.dataBits = QStringLiteral("8");
    g.stopBits = QStringLiteral("1");
    g.startInputMode = 0;
    g.portOpen = false;
    g.modbusMode = QStringLiteral("standard_ascii");

    editor::frm_config& main = p.frm_config(); // loads the window and sets up the selectors

    // The port is closed here, so these settings cannot fail; the selectors' handler has applied
    // the same values already and opens the port only when the user chooses "open".
    p.port.setInputMode(g.startInputMode == 0 ? link::InputMode::Text : link::InputMode::Binary);
    p.port.setSettings(g.baudRate + QLatin1Char(',') + g.parity + QLatin1Char(',') + g.dataBits +
                       QLatin1Char(',') + g.stopBits);
    p.port.setCommPort(g.commPort);
    main.form.setVisible(true);
}

} // namespace qtx52::app
