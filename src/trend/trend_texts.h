#pragma once

// Every text of the trend on the Monitor tab that a person reads, in German and English.

#include <QString>

namespace qtx52::app {
struct Global;
}

namespace qtx52::trend {

enum class TrendText {
    Window5Min,
    Window30Min,
    Window2H,
    Window8H,
    WindowSession,
    Pause,
    Resume,
    SavePicture,
    Live,          // back to the live values after a file was shown
    SourceLive,    // the caption while the live values are shown
    SourceFile,    // %1 file name, %2 lines
    PictureFilter, // the save-file question
    RecordingFilter,
    CannotOpen,    // %1 file, %2 reason
    NotARecording, // %1 file
    NoLines,       // %1 file
    LinesSkipped,  // %1 file, %2 lines left out, %3 the first of them
    PictureFailed, // %1 file
    OpenRecording, // the file menu's entry
    NoValues,      // the chart while nothing has come
};

QString trendText(TrendText which, bool english);
QString trendText(TrendText which, const app::Global& g);

} // namespace qtx52::trend
