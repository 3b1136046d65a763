#include "app/program.h"

#include "editor/frm_config.h"
#include "forms/clock.h"
#include "link/commport.h"
#include "link/echo_port.h"

namespace qtx52::app {

Program::Program(forms::Clock& c, link::CommPort& p, UserInteraction& u, settings::StorePaths s)
    : clock(c), port(p), ui(u), stores(std::move(s)) {
    // A wrong echo of an echoing adapter is news for whoever watches the bus.
    if (auto* echo = dynamic_cast<link::EchoPort*>(&port))
        echo->setObserver(&linkEvents);
}

Program::~Program() {
    if (auto* echo = dynamic_cast<link::EchoPort*>(&port); echo && echo->observer() == &linkEvents)
        echo->setObserver(nullptr);
    // The secondary windows refer to the main window: they go first.
    fAbout_.reset();
    dlgDownload_.reset();
    frmState_.reset();
    frmConfig_.reset();
}

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

void Program::requestQuit() {
    if (quitRequested_)
        return;
    quitRequested_ = true;
    if (quit)
        quit();
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
