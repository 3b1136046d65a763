#pragma once

// The recording control on the Monitor tab: a button that asks for a file and starts recording
// the monitor's cycles into it, and stops the recording on the next click, with a label that says
// where the lines go and how many there are. Headless like every control of the program; the
// desktop program's main window view puts its widgets on the tab.

#include "app/language.h"
#include "forms/controls.h"
#include "monitor/monitor_recorder.h"

#include <QObject>

namespace qtx52::app {
class Program;
}

namespace qtx52::monitor {

class RecordControl : public QObject {
    Q_OBJECT
public:
    explicit RecordControl(app::Program& program);
    ~RecordControl() override;

    MonitorRecorder recorder;
    forms::CommandButton cmd_record;
    forms::Label lbl_record;

    void cmd_record_Click();

private:
    void show();

    app::Program& program_;
    // Writes the texts again when the technician switches the language.
    app::LanguageFollower languageFollower_{program_, [this] { show(); }};
};

} // namespace qtx52::monitor
