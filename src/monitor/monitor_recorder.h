#pragma once

// The monitor's values as CSV: one line per full cycle of the running monitor (all 18 values read
// in one pass over registers 256..273), with a time stamp, the values as the Monitor tab shows
// them and the words of the coded values; a header line of names and units in the interface's
// language. The lines can go into a file, each written and flushed at once, so that a crash loses
// at most the line being written. A write that fails stops the recording with a message.
//
// The separator is ";", as in the program's parameter files: the values are shown with the
// user's decimal separator, which is "," unless set otherwise. Files are UTF-8 with CR LF line
// ends; a field holding ";", a quote or a line break is quoted.
//
// The recorder listens to the main window's monitorRangeRead() and reads the monitor's boxes; the
// window logic does not know it exists.

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace qtx52::app {
class Program;
}
namespace qtx52::forms {
class ClockTimer;
class Label;
} // namespace qtx52::forms
namespace qtx52::editor {
class frm_config;
}

namespace qtx52::monitor {

// The unit caption beside a monitor value on the Monitor tab, which follows the unit's settings
// (°C or °F, K or %rH); nullptr for the values without one.
const forms::Label* unitLabel(const editor::frm_config& w, int element);
// A monitor value's caption as a column name: without the colon that ends it on the window.
QString columnName(int element, bool english);

class MonitorRecorder : public QObject {
    Q_OBJECT
public:
    explicit MonitorRecorder(app::Program& program);
    ~MonitorRecorder() override;

    // The wall-clock time of a line: the system's local time unless a test sets another.
    std::function<QDateTime()> now;
    // How a failure is told. Unset: a message box of the program, shown after the reply whose
    // cycle failed to be written has been dealt with (never from inside the reply path).
    std::function<void(const QString&)> report;

    // Whether the unit labels beside the values are the unit's own (a read-out has set them).
    // When they are not, the header names the columns without units rather than with wrong ones.
    bool unitsKnown = true;

    // The header and the line of the values shown now.
    QString header() const;
    QString line() const;

    // Records every full cycle into `path` from now on: appended when the file already holds a
    // recording, with the header first when it is new or empty. False, with the reason told, when
    // the file cannot be used; nothing is recorded then.
    bool start(const QString& path);
    // Stops and closes the file; every line is already on disk.
    void stop();
    bool recording() const { return file_ != nullptr; }
    QString path() const { return path_; }
    // Lines of values written since the last start.
    int lines() const { return lines_; }

signals:
    // A full cycle of the running monitor, as its CSV line (whether or not it is recorded).
    void cycle(const QString& line);
    // Started, a line written, stopped.
    void stateChanged();
    // The recording stopped because its file could not be written.
    void failed(const QString& message);

private:
    void onRangeRead();
    bool writeLine(const QString& text);
    void fail(const QString& message, bool fromReplyPath);

    app::Program& program_;
    editor::frm_config& w_;
    std::unique_ptr<QFile> file_;
    QString path_;
    QString lastHeader_; // the header last written into the file
    int lines_ = 0;
    std::unique_ptr<forms::ClockTimer> messageTimer_;
    QString pendingMessage_;
};

} // namespace qtx52::monitor
