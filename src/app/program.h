#pragma once

#include "app/global.h"
#include "link/link_events.h"
#include "settings/store_paths.h"

#include <QObject>

#include <functional>
#include <memory>

namespace qtx52::forms {
class Clock;
}
namespace qtx52::link {
class CommPort;
}
namespace qtx52::editor {
class frm_config;
}
namespace qtx52::windows {
class frmState;
class dlg_download;
class fAbout;
} // namespace qtx52::windows

namespace qtx52::app {

class UserInteraction;

// One running program: the shared state, the clock its timers run on, its serial port, the person
// it talks to, the settings stores it reads and its windows. Each window exists at most once and is
// created (loaded) on first use.
class Program {
public:
    Program(forms::Clock& clock, link::CommPort& port, UserInteraction& ui,
            settings::StorePaths stores = settings::StorePaths::standard());
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Global g;
    forms::Clock& clock;
    link::CommPort& port;
    UserInteraction& ui;
    settings::StorePaths stores;
    // Everything the link does, for whoever watches the bus; the send and reply paths report here.
    link::LinkEvents linkEvents;

    editor::frm_config& frm_config();
    bool frm_configLoaded() const { return frmConfig_ != nullptr; }
    // The main window, loaded on first use, for the windows below it that reach it through an
    // interface of their own.
    QObject& mainWindow();
    // Unloads the main window (the window's own unload handling runs first) and ends the program.
    void unloadFrmConfig();

    windows::frmState& frmState();
    bool frmStateLoaded() const { return frmState_ != nullptr; }
    // Unloading destroys the window; the next use loads it anew from its design state.
    void unloadFrmState();

    windows::dlg_download& dlg_download();
    windows::fAbout& fAbout();
    bool fAboutLoaded() const { return fAbout_ != nullptr; }
    void unloadFAbout();

    // Ends the program at once (the exit command, or the main window closing). The desktop
    // program quits its event loop; tests observe the call.
    std::function<void()> quit;
    bool quitRequested() const { return quitRequested_; }
    void requestQuit();

    // The windows, created by their accessors (each in its window's source file). Held as QObject
    // so that this class does not depend on the window classes.
    std::unique_ptr<QObject> frmConfig_;
    std::unique_ptr<QObject> frmState_;
    std::unique_ptr<QObject> dlgDownload_;
    std::unique_ptr<QObject> fAbout_;

private:
    bool quitRequested_ = false;
};

// The program's start: default serial settings, the main window loaded and applied to the port,
// then shown without blocking.
void Main(Program& program);

} // namespace qtx52::app
