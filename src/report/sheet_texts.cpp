#include "report/sheet_texts.h"

#include "app/language.h"

#include <array>

namespace qtx52::report {

namespace {

using Pair = app::NamedText<SheetText>;

constexpr std::array kTexts{
    Pair{SheetText::Title, "Inbetriebnahmeprotokoll", "Commissioning sheet"},
    Pair{SheetText::Project, "Projekt", "Project"},
    Pair{SheetText::Building, "Gebäude", "Building"},
    Pair{SheetText::Room, "Raum", "Room"},
    Pair{SheetText::Technician, "Techniker", "Technician"},
    Pair{SheetText::Company, "Firma", "Company"},
    Pair{SheetText::MadeAt, "Erstellt am", "Made on"},
    Pair{SheetText::ProgramVersion, "Programmversion", "Program version"},
    Pair{SheetText::Unit, "Gerät", "Unit"},
    Pair{SheetText::Coding, "Gerätecodierung", "Device coding"},
    Pair{SheetText::Firmware, "Firmware", "Firmware"},
    Pair{SheetText::Station, "Station", "Station"},
    Pair{SheetText::Line, "Leitung", "Line"},
    Pair{SheetText::Framing, "Übertragungsart", "Framing"},
    Pair{SheetText::BaudRate, "Baudrate", "Baud rate"},
    Pair{SheetText::Parity, "Parität", "Parity"},
    Pair{SheetText::ResponseTime, "Min-Response-Time", "Min-Response-Time"},
    Pair{SheetText::Parameters, "Parameter", "Parameters"},
    Pair{SheetText::Parameter, "Parameter", "Parameter"},
    Pair{SheetText::Value, "Wert im Gerät", "Value in the unit"},
    Pair{SheetText::Intended, "Sollwert", "Intended"},
    Pair{SheetText::Differs, "≠", "≠"},
    Pair{SheetText::Mark, "≠", "≠"},
    Pair{SheetText::DiffersCount, "%1 Werte weichen vom Sollwert ab (≠).",
         "%1 values differ from the intended ones (≠)."},
    Pair{SheetText::SameAsIntended, "Alle Werte entsprechen dem Sollwert.",
         "Every value is the intended one."},
    Pair{SheetText::IntendedFrom, "Sollwerte aus %1.", "Intended values from %1."},
    Pair{SheetText::ConfigBits, "Konfigurationsbits 0–13", "Configuration bits 0–13"},
    Pair{SheetText::LiveValues, "Messwerte um %1", "Live values at %1"},
    Pair{SheetText::NoLiveValues, "Der Monitor lief in dieser Sitzung nicht.",
         "The monitor did not run in this session."},
    Pair{SheetText::LinkCounters, "Verbindung in dieser Sitzung", "The link in this session"},
    Pair{SheetText::Requests, "Anfragen", "Requests"},
    Pair{SheetText::Repeats, "Wiederholungen", "Repeats"},
    Pair{SheetText::Taken, "Antworten", "Replies"},
    Pair{SheetText::BadChecksum, "Prüfsummenfehler", "Bad checksums"},
    Pair{SheetText::Failures, "Ausfälle", "Failures"},
    Pair{SheetText::ResponseTimes, "Antwortzeit %1 … %2 ms", "Response time %1 … %2 ms"},
    Pair{SheetText::Signatures, "Unterschriften", "Signatures"},
    Pair{SheetText::SignatureTechnician, "Techniker", "Technician"},
    Pair{SheetText::SignatureOwner, "Betreiber / Abnahme", "Owner / acceptance"},
    Pair{SheetText::DatePlace, "Ort, Datum", "Place, date"},
    Pair{SheetText::Attached,
         "Die Parameterdatei „%1“ ist diesem Dokument als Anhang beigefügt; jedes PDF-Programm "
         "kann sie speichern.",
         "The parameter file \"%1\" is attached to this document; any PDF reader can save it."},
    Pair{SheetText::Page, "Seite %1 von %2", "Page %1 of %2"},
    Pair{SheetText::On, "ein", "on"},
    Pair{SheetText::Off, "aus", "off"},
    Pair{SheetText::Menu, "Protokoll als PDF…", "Commissioning sheet as PDF…"},
    Pair{SheetText::FileFilter, "PDF-Datei (*.pdf)|*.pdf", "PDF file (*.pdf)|*.pdf"},
    Pair{SheetText::HeaderTitle, "Protokollangaben", "Sheet details"},
    Pair{SheetText::Ok, "OK", "OK"},
    Pair{SheetText::Cancel, "Abbrechen", "Cancel"},
    Pair{SheetText::CannotWrite, "Das Protokoll %1 konnte nicht geschrieben werden: %2",
         "The sheet %1 could not be written: %2"},
    Pair{SheetText::NoParity, "keine", "none"},
    Pair{SheetText::EvenParity, "gerade", "even"},
    Pair{SheetText::OddParity, "ungerade", "odd"},
    Pair{SheetText::BuildingTitle, "Inbetriebnahme des Gebäudes", "Commissioning of the building"},
    Pair{SheetText::Plan, "Plan", "Plan"},
    Pair{SheetText::Results, "Ergebnisse", "Results"},
    Pair{SheetText::Result, "Ergebnis", "Result"},
    Pair{SheetText::Time, "Zeit", "Time"},
    Pair{SheetText::UnitSheet, "Protokoll", "Sheet"},
    Pair{SheetText::CodingShort, "Kodierung", "Coding"},
};

} // namespace

QString sheetText(SheetText which, bool english) {
    return app::textOf(kTexts, which, english);
}

} // namespace qtx52::report
