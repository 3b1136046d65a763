#include "monitor/record_texts.h"

#include "app/global.h"
#include "app/language.h"

#include <array>

namespace qtx52::monitor {

namespace {

using Pair = app::NamedText<RecordText>;

constexpr std::array kTexts{
    Pair{RecordText::TimeColumn, "Zeit", "Time"},
    Pair{RecordText::WordsColumn, "%1 (Text)", "%1 (text)"},
    Pair{RecordText::UnitColumn, "%1 [%2]", "%1 [%2]"},
    Pair{RecordText::RecordButton, "Aufzeichnen…", "Record…"},
    Pair{RecordText::StopButton, "Stopp", "Stop"},
    Pair{RecordText::Recording, "Aufzeichnung in %1: %2 Zeilen", "Recording to %1: %2 lines"},
    Pair{RecordText::Recorded, "%1: %2 Zeilen aufgezeichnet", "%1: %2 lines recorded"},
    Pair{RecordText::FileFilter, "CSV-Datei (*.csv)|*.csv", "CSV file (*.csv)|*.csv"},
    Pair{RecordText::CannotOpen, "Die Aufzeichnung kann nicht in %1 geschrieben werden: %2",
         "Cannot record to %1: %2"},
    Pair{RecordText::NotARecording,
         "%1 enthält keine Aufzeichnung der Ausgaberegister. Bitte eine andere Datei wählen.",
         "%1 does not hold a recording of the live values. Please choose another file."},
    Pair{RecordText::WriteFailed,
         "Die Aufzeichnung wurde beendet: %1 kann nicht geschrieben werden (%2). %3 Zeilen sind "
         "gespeichert.",
         "Recording stopped: %1 cannot be written (%2). %3 lines were saved."},
    Pair{RecordText::FileGone, "Die Aufzeichnung wurde beendet: %1 ist nicht mehr vorhanden.",
         "Recording stopped: %1 is gone."},
};

} // namespace

QString recordText(RecordText which, bool english) {
    return app::textOf(kTexts, which, english);
}

QString recordText(RecordText which, const app::Global& g) {
    return recordText(which, g.languageId == app::kLanguageEnglish);
}

} // namespace qtx52::monitor
