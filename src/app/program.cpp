#include "app/program.h"

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

void Program::requestQuit() {
    if (quitRequested_)
        return;
    quitRequested_ = true;
    if (quit)
        quit();
}

} // namespace qtx52::app
