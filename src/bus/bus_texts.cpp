#include "bus/bus_texts.h"

#include <array>

namespace qtx52::bus {

namespace {

struct Entry {
    BusText key;
    const char* de;
    const char* en;
};

// clang-format off
constexpr Entry kTexts[] = {
    {BusText::MonitorMenu,       "Busmonitor",                 "Bus monitor"},
    {BusText::MonitorCaption,    "Busmonitor",                 "Bus monitor"},
    {BusText::FinderMenu,        "Gerät suchen",               "Find unit"},
    {BusText::FinderCaption,     "Gerät suchen",               "Find unit"},
    {BusText::Pause,             "Anhalten",                   "Pause"},
    {BusText::Follow,            "Weiter",                     "Resume"},
    {BusText::Clear,             "Leeren",                     "Clear"},
    {BusText::SaveText,          "Als Text speichern ...",     "Save as text ..."},
    {BusText::SaveCsv,           "Als CSV speichern ...",      "Save as CSV ..."},
    {BusText::TextFilter,        "Textdatei (*.txt)|*.txt",    "Text file (*.txt)|*.txt"},
    {BusText::CsvFilter,         "CSV-Datei (*.csv)|*.csv",    "CSV file (*.csv)|*.csv"},
    {BusText::SaveFailed,        "Datei konnte nicht geschrieben werden: ",
                                 "The file could not be written: "},
    {BusText::Dropped,           "%1 ältere Telegramme verworfen",
                                 "%1 older frames let go"},
    {BusText::ColumnTime,        "Zeit [ms]",                  "Time [ms]"},
    {BusText::ColumnDirection,   "Richtung",                   "Direction"},
    {BusText::ColumnGap,         "Abstand [ms]",               "Gap [ms]"},
    {BusText::ColumnHex,         "Bytes (hex)",                "Bytes (hex)"},
    {BusText::ColumnAscii,       "ASCII",                      "ASCII"},
    {BusText::ColumnMeaning,     "Bedeutung",                  "Meaning"},
    {BusText::ColumnVerdict,     "Ergebnis",                   "Verdict"},
    {BusText::ColumnTry,         "Versuch",                    "Try"},
    {BusText::Out,               "gesendet",                   "sent"},
    {BusText::In,                "empfangen",                  "received"},
    {BusText::TryFirst,          "erster",                     "first"},
    {BusText::TryRepeat,         "Wiederholung %1",            "repeat %1"},
    {BusText::Requests,          "Anfragen",                   "Requests"},
    {BusText::Repeats,           "Wiederholungen",             "Repeats"},
    {BusText::Taken,             "angenommen",                 "taken"},
    {BusText::BadChecksum,       "Prüfsumme falsch",           "bad checksum"},
    {BusText::OtherStation,      "andere Station",             "other station"},
    {BusText::Unexpected,        "unerwartet",                 "unexpected"},
    {BusText::Incomplete,        "unvollständig",              "incomplete"},
    {BusText::Exceptions,        "Ausnahmen",                  "exceptions"},
    {BusText::GatewayNoAnswer,   "Gateway ohne Antwort",       "gateway without answer"},
    {BusText::Failures,          "Fehlschläge",                "failures"},
    {BusText::ResponseTime,      "Antwortzeit min/mittel/max", "response time min/mean/max"},
    {BusText::LineUse,           "Leitung belegt %1",          "line use %1"},
    {BusText::Framings,          "Modus",                      "Mode"},
    {BusText::BaudRates,         "Baudrate",                   "Baud rate"},
    {BusText::Parities,          "Parität",                    "Parity"},
    {BusText::ParityEven,        "Gerade (E)",                 "Even (E)"},
    {BusText::ParityNone,        "Keine (N)",                  "None (N)"},
    {BusText::ParityOdd,         "Ungerade (O)",               "Odd (O)"},
    {BusText::Stations,          "Stationen von",              "Stations from"},
    {BusText::StationsTo,        "bis",                        "to"},
    {BusText::ProbeTimeout,      "Wartezeit je Versuch [ms]",  "Probe timeout [ms]"},
    {BusText::FindAll,           "Alle Geräte suchen (nicht beim ersten anhalten)",
                                 "All units (do not stop at the first)"},
    {BusText::Start,             "Start",                      "Start"},
    {BusText::Cancel,            "Abbrechen",                  "Cancel"},
    {BusText::Use,               "Übernehmen",                 "Use"},
    {BusText::Close,             "Schließen",                  "Close"},
    {BusText::Remaining,         "noch %1",                    "%1 left"},
    {BusText::Probing,           "%1, Station %2",             "%1, station %2"},
    {BusText::Searching,         "Suche läuft ...",            "Searching ..."},
    {BusText::FoundUnits,        "%1 Gerät(e) gefunden",       "%1 unit(s) found"},
    {BusText::NoneFound,         "Kein Gerät gefunden",        "No unit found"},
    {BusText::Cancelled,         "Suche abgebrochen",          "Search cancelled"},
    {BusText::PortInUse,         "Der Port ist im Hauptfenster geöffnet. Bitte den Port dort "
                                 "schließen, dann die Suche starten.",
                                 "The port is open in the main window. Close it there, then "
                                 "start the search."},
    {BusText::NothingToProbe,    "Bitte mindestens einen Modus, eine Baudrate und eine Parität "
                                 "wählen.",
                                 "Choose at least one mode, one baud rate and one parity."},
    {BusText::BadStations,       "Stationen: nur Werte zwischen 1 und 63 erlaubt, die erste "
                                 "nicht größer als die letzte!",
                                 "Stations: only values from 1 to 63, the first not above the "
                                 "last!"},
    {BusText::BadTimeout,        "Wartezeit: nur Werte zwischen 10 und 5000 ms erlaubt!",
                                 "Probe timeout: only values from 10 to 5000 ms!"},
    {BusText::PortFailed,        "Der Port konnte nicht geöffnet werden: ",
                                 "The port could not be opened: "},
    {BusText::UseWhilePortOpen,  "Der Port ist im Hauptfenster geöffnet. Bitte zuerst schließen, "
                                 "dann übernehmen.",
                                 "The port is open in the main window. Close it first, then use "
                                 "the settings."},
    {BusText::ResultStation,     "Station",                    "Station"},
    {BusText::ResultFraming,     "Modus",                      "Mode"},
    {BusText::ResultBaud,        "Baudrate",                   "Baud rate"},
    {BusText::ResultParity,      "Parität",                    "Parity"},
    {BusText::ResultCoding,      "Gerätecodierung",            "Device coding"},
    {BusText::ResultFirmware,    "Firmwareversion",            "Firmware version"},
    {BusText::ResultResponseTime, "Min-Response-Time [ms]",    "Min-Response-Time [ms]"},
};
// clang-format on

static_assert(std::size(kTexts) == std::size_t(BusText::Count), "one entry per text");

constexpr bool inOrder() {
    for (std::size_t i = 0; i < std::size(kTexts); ++i)
        if (kTexts[i].key != BusText(i))
            return false;
    return true;
}
static_assert(inOrder(), "the table lists the texts in the order of BusText");

} // namespace

QString busText(BusText text, bool english) {
    const std::size_t i = std::size_t(text);
    if (i >= std::size(kTexts))
        return {};
    return QString::fromUtf8(english ? kTexts[i].en : kTexts[i].de);
}

QString verdictText(link::Verdict verdict, bool english) {
    using link::Verdict;
    const auto pick = [english](const char* de, const char* en) {
        return QString::fromUtf8(english ? en : de);
    };
    switch (verdict) {
    case Verdict::Taken:
        return pick("angenommen", "taken");
    case Verdict::Exception:
        return pick("Ausnahme", "exception");
    case Verdict::BadChecksum:
        return pick("verworfen: Prüfsumme", "dropped: checksum");
    case Verdict::OtherStation:
        return pick("verworfen: andere Station", "dropped: another station");
    case Verdict::NotTheAnswer:
        return pick("verworfen: keine Antwort auf die Anfrage",
                    "dropped: not the answer to the request");
    case Verdict::Stale:
        return pick("verworfen: veraltet", "dropped: stale");
    case Verdict::Incomplete:
        return pick("verworfen: unvollständig", "dropped: incomplete");
    case Verdict::Noise:
        return pick("verworfen: Störung", "dropped: noise");
    case Verdict::WrongEcho:
        return pick("verworfen: falsches Echo", "dropped: wrong echo");
    case Verdict::AfterEcho:
        return pick("verworfen: nach falschem Echo", "dropped: after a wrong echo");
    case Verdict::NoEcho:
        return pick("Echo fehlt", "echo missing");
    }
    return {};
}

} // namespace qtx52::bus
