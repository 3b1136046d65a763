#include "monitor/record_control.h"

#include "app/program.h"
#include "app/ui.h"
#include "monitor/record_texts.h"

#include <QFileInfo>

namespace qtx52::monitor {

RecordControl::RecordControl(app::Program& program)
    : recorder(program), cmd_record(QStringLiteral("cmd_record"), -1, this),
      lbl_record(QStringLiteral("lbl_record"), -1, this), program_(program) {
    connect(&cmd_record, &forms::CommandButton::click, this, [this] { cmd_record_Click(); });
    connect(&recorder, &MonitorRecorder::stateChanged, this, [this] { show(); });
    show();
}

RecordControl::~RecordControl() {
    // The recording ends with its control; the captions it would update are gone by then.
    disconnect(&recorder, nullptr, this, nullptr);
    recorder.stop();
}

void RecordControl::cmd_record_Click() {
    if (recorder.recording()) {
        recorder.stop();
        return;
    }
    const std::optional<QString> path =
        program_.ui.saveFileName(recordText(RecordText::FileFilter, program_.g));
    if (!path || path->isEmpty())
        return;
    recorder.start(*path);
}

void RecordControl::show() {
    const app::Global& g = program_.g;
    cmd_record.setCaption(
        recordText(recorder.recording() ? RecordText::StopButton : RecordText::RecordButton, g));
    if (recorder.path().isEmpty()) {
        lbl_record.setCaption(QString());
        return;
    }
    const QString name = QFileInfo(recorder.path()).fileName();
    lbl_record.setCaption(
        recordText(recorder.recording() ? RecordText::Recording : RecordText::Recorded, g)
            .arg(name)
            .arg(recorder.lines()));
}

} // namespace qtx52::monitor
