#pragma once

// What watches the bus in the desktop program, beside the main window: the traffic log and the
// counters from the first moment on, the status line, the two menu entries and the two windows
// they open (the bus monitor and the unit finder, each created on first use and kept, hidden,
// when closed). The main window's logic does not know it exists; its view adds the entries.

#include "app/language.h"
#include "bus/bus_watch.h"
#include "bus/status_line.h"
#include "forms/controls.h"

#include <QObject>

#include <memory>

namespace qtx52::app {
class Program;
}

namespace qtx52::bus {

class BusMonitorForm;
class FinderForm;

class BusDesk final : public QObject {
    Q_OBJECT
    app::Program& program_;

public:
    explicit BusDesk(app::Program& program);
    ~BusDesk() override;

    BusWatch watch;
    StatusLine statusLine;
    forms::MenuItem mnuBusMonitor;
    forms::MenuItem mnuFindUnit;

    BusMonitorForm& monitor();
    bool monitorLoaded() const { return monitor_ != nullptr; }
    FinderForm& finder();
    bool finderLoaded() const { return finder_ != nullptr; }

    // The menu entries: the window comes up (and to the front, when it is already up).
    void mnuBusMonitor_Click();
    void mnuFindUnit_Click();

signals:
    void windowShown(qtx52::forms::Form* form);

private:
    bool english() const;
    void applyTexts();

    std::unique_ptr<BusMonitorForm> monitor_;
    std::unique_ptr<FinderForm> finder_;
    // Writes the texts again when the technician switches the language.
    app::LanguageFollower languageFollower_{program_, [this] { applyTexts(); }};
};

} // namespace qtx52::bus
