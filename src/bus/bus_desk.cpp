#include "bus/bus_desk.h"

#include "app/language.h"
#include "app/program.h"
#include "bus/bus_monitor_form.h"
#include "bus/bus_texts.h"
#include "bus/finder_form.h"

namespace qtx52::bus {

BusDesk::BusDesk(app::Program& program)
    : program_(program), watch(program),
      statusLine(program.clock, watch.stats, program.linkEvents, [this] { return english(); }),
      mnuBusMonitor(QStringLiteral("mnuBusMonitor"), -1, this),
      mnuFindUnit(QStringLiteral("mnuFindUnit"), -1, this) {
    applyTexts();
    connect(&mnuBusMonitor, &forms::MenuItem::click, this, [this] { mnuBusMonitor_Click(); });
    connect(&mnuFindUnit, &forms::MenuItem::click, this, [this] { mnuFindUnit_Click(); });
}

BusDesk::~BusDesk() {
    // The windows stop watching before the log and the counters they show go.
    finder_.reset();
    monitor_.reset();
}

void BusDesk::applyTexts() {
    mnuBusMonitor.setCaption(busText(BusText::MonitorMenu, english()));
    mnuFindUnit.setCaption(busText(BusText::FinderMenu, english()));
    statusLine.refresh();
}

bool BusDesk::english() const {
    return program_.g.languageId == app::kLanguageEnglish;
}

BusMonitorForm& BusDesk::monitor() {
    if (!monitor_)
        monitor_ =
            std::make_unique<BusMonitorForm>(program_, watch.log, watch.stats, program_.linkEvents);
    return *monitor_;
}

FinderForm& BusDesk::finder() {
    if (!finder_)
        finder_ = std::make_unique<FinderForm>(program_);
    return *finder_;
}

void BusDesk::mnuBusMonitor_Click() {
    BusMonitorForm& m = monitor();
    m.form.setVisible(true);
    emit windowShown(&m.form);
}

void BusDesk::mnuFindUnit_Click() {
    FinderForm& f = finder();
    f.form.setVisible(true);
    emit windowShown(&f.form);
}

} // namespace qtx52::bus
