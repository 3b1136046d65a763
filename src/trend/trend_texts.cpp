#include "trend/trend_texts.h"

#include "app/global.h"
#include "app/language.h"

#include <array>

namespace qtx52::trend {

namespace {

using Pair = app::NamedText<TrendText>;

constexpr std::array kTexts{
    Pair{TrendText::Window5Min, "Letzte 5 Minuten", "Last 5 minutes"},
    Pair{TrendText::Window30Min, "Letzte 30 Minuten", "Last 30 minutes"},
    Pair{TrendText::Window2H, "Letzte 2 Stunden", "Last 2 hours"},
    Pair{TrendText::Window8H, "Letzte 8 Stunden", "Last 8 hours"},
    Pair{TrendText::WindowSession, "Ganze Sitzung", "Whole session"},
    Pair{TrendText::Pause, "Anhalten", "Pause"},
    Pair{TrendText::Resume, "Weiter", "Resume"},
    Pair{TrendText::SavePicture, "Als PNG speichern…", "Save as PNG…"},
    Pair{TrendText::Live, "Live-Werte", "Live values"},
    Pair{TrendText::SourceLive, "Live-Werte", "Live values"},
    Pair{TrendText::SourceFile, "Aufzeichnung %1: %2 Zeilen", "Recording %1: %2 lines"},
    Pair{TrendText::PictureFilter, "PNG-Bild (*.png)|*.png", "PNG image (*.png)|*.png"},
    Pair{TrendText::RecordingFilter, "CSV-Datei (*.csv)|*.csv", "CSV file (*.csv)|*.csv"},
    Pair{TrendText::CannotOpen, "Die Aufzeichnung %1 kann nicht gelesen werden: %2",
         "Cannot read the recording %1: %2"},
    Pair{TrendText::NotARecording,
         "%1 enthält keine Aufzeichnung der Ausgaberegister. Bitte eine andere Datei wählen.",
         "%1 does not hold a recording of the live values. Please choose another file."},
    Pair{TrendText::NoLines, "%1 enthält keine lesbare Zeile mit Werten.",
         "%1 holds no readable line of values."},
    Pair{TrendText::LinesSkipped,
         "%1: %2 Zeilen konnten nicht gelesen werden und werden nicht gezeigt (die erste ist "
         "Zeile %3).",
         "%1: %2 lines could not be read and are not shown (the first is line %3)."},
    Pair{TrendText::PictureFailed, "Das Bild %1 konnte nicht geschrieben werden.",
         "The picture %1 could not be written."},
    Pair{TrendText::OpenRecording, "Aufzeichnung öffnen…", "Open recording…"},
    Pair{TrendText::NoValues, "Noch keine Werte: Monitor einschalten oder Aufzeichnung öffnen",
         "No values yet: switch the monitor on or open a recording"},
};

} // namespace

QString trendText(TrendText which, bool english) {
    return app::textOf(kTexts, which, english);
}

QString trendText(TrendText which, const app::Global& g) {
    return trendText(which, g.languageId == app::kLanguageEnglish);
}

} // namespace qtx52::trend
