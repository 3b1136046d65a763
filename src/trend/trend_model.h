#pragma once

// The trend on the Monitor tab, without a window: the live values of every cycle of the running
// monitor in a ring per value (8 hours at the monitor's rate), or a recording opened from a file,
// and what the chart shows of them: which values (a check box each), over which time (the last
// minutes or hours, or the whole session), paused or following, and the values at the cursor.
// The view draws what chart() gives and hands in the pointer; it keeps nothing itself.
//
// The trend listens to the main window's monitorRangeRead(), as the recording does; the window
// logic does not know it exists.

#include "forms/controls.h"
#include "trend/decimate.h"
#include "trend/recording_reader.h"

#include <QDateTime>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace qtx52::app {
class Program;
}
namespace qtx52::editor {
class frm_config;
}

namespace qtx52::trend {

// Entries of cmb_window.
enum class Window { Last5Min, Last30Min, Last2H, Last8H, Session };

// What the chart draws at a width: the time span, and the values shown in one band per unit,
// each band scaled to what its values reach in the span.
struct ChartSeries {
    int series;  // index into the shown series
    int element; // the monitor value, for its colour
    std::vector<Column> columns;
};
struct ChartLane {
    QString unit;
    float min = 0;
    float max = 1;
    std::vector<ChartSeries> series;
};
struct Chart {
    qint64 from = 0;
    qint64 to = 0;
    std::vector<ChartLane> lanes;
    bool empty = true; // nothing to draw at all
};

class TrendModel : public QObject {
    Q_OBJECT
public:
    explicit TrendModel(app::Program& program);
    ~TrendModel() override;

    // The hours the live ring holds at the monitor's rate.
    static constexpr int kHours = 8;

    forms::ControlArray<forms::CheckBox> chk_series{"chk_series"}; // by monitor value 0..17
    forms::ListBox cmb_window;
    forms::CommandButton cmd_pause;
    forms::CommandButton cmd_save;
    forms::CommandButton cmd_live;
    forms::Label lbl_source;
    forms::Label lbl_cursor;
    // The file menu's "Aufzeichnung öffnen…".
    forms::MenuItem mnuOpenRecording;

    // The wall-clock time of a live row: the system's unless a test sets another.
    std::function<QDateTime()> now;
    // Draws the chart into a picture file; set by the view, which owns the drawing.
    std::function<bool(const QString& path)> writePicture;

    // The values shown: the live ring, or the recording opened.
    const TrendBuffer& buffer() const;
    const std::vector<SeriesInfo>& series() const;
    bool showingFile() const { return file_ != nullptr; }
    bool paused() const { return pausedTo_.has_value(); }

    std::pair<qint64, qint64> span() const;
    Chart chart(int width) const;

    // The cursor at a time (none: the pointer left the chart); lbl_cursor tells the values there.
    void setCursor(std::optional<qint64> timeMs);
    std::optional<qint64> cursor() const { return cursor_; }

    // Opens a recording into the chart; false, with the reason told, when it cannot be shown.
    bool openRecording(const QString& path);
    // The file menu's entry: asks for the file first.
    void openRecordingClick();
    void cmd_pause_Click();
    void cmd_save_Click();
    void cmd_live_Click();

    // Applies the interface's language to the captions.
    void applyTexts();
    bool english() const;
    // The decimal separator the values are shown with.
    QString separator() const;

signals:
    // The chart has something new to draw.
    void dataChanged();

private:
    void onRangeRead();
    void showSource();
    void showCursor();

    app::Program& program_;
    editor::frm_config& w_;
    std::vector<SeriesInfo> liveSeries_;
    TrendBuffer live_;
    std::unique_ptr<Recording> file_;
    QString fileName_;
    std::optional<qint64> pausedTo_;
    std::optional<qint64> cursor_;
    bool monitorWasOn_ = false;
};

} // namespace qtx52::trend
