#pragma once

// Every text of the monitor's recording that a person reads, in German and English: the column
// names of the CSV header, the control on the Monitor tab and the messages.

#include <QString>

namespace qtx52::app {
struct Global;
}

namespace qtx52::monitor {

enum class RecordText {
    TimeColumn,   // header: the time stamp's column
    WordsColumn,  // header: %1 the value's column name, for the column of its words
    UnitColumn,   // header: %1 the value's column name, %2 its unit
    RecordButton, // the control while nothing is recorded
    StopButton,   // the control while recording
    Recording,    // %1 file name, %2 lines so far
    Recorded,     // %1 file name, %2 lines: after the recording stopped
    FileFilter,   // the save-file question
    CannotOpen,   // %1 file, %2 reason
    NotARecording,
    WriteFailed, // %1 file, %2 reason, %3 lines saved before
    FileGone,    // %1 file
};

// The text in the interface's language (g.languageId).
QString recordText(RecordText which, const app::Global& g);
QString recordText(RecordText which, bool english);

} // namespace qtx52::monitor
