#include "commission/window_texts.h"

#include "app/language.h"

namespace qtx52::commission {

namespace {

using Pair = app::BothLanguages;

Pair textOf(WindowText text) {
    switch (text) {
    case WindowText::Menu:
        return {"Inbetriebnahme…", "Commissioning…"};
    case WindowText::Caption:
        return {"Inbetriebnahme", "Commissioning"};
    case WindowText::Plan:
        return {"Plan:", "Plan:"};
    case WindowText::Out:
        return {"Ergebnisordner:", "Results folder:"};
    case WindowText::ChoosePlan:
        return {"…", "…"};
    case WindowText::PlanFilter:
        return {"Plan (*.csv)|*.csv", "Plan (*.csv)|*.csv"};
    case WindowText::DryRun:
        return {"Nur prüfen (nichts schreiben)", "Check only (write nothing)"};
    case WindowText::Again:
        return {"Erledigte Geräte wiederholen", "Repeat units already done"};
    case WindowText::Start:
        return {"Start", "Start"};
    case WindowText::Cancel:
        return {"Abbrechen", "Cancel"};
    case WindowText::OpenFolder:
        return {"Ergebnisordner öffnen", "Open results folder"};
    case WindowText::ColumnRoom:
        return {"Raum", "Room"};
    case WindowText::ColumnLine:
        return {"Linie", "Line"};
    case WindowText::ColumnStation:
        return {"Station", "Station"};
    case WindowText::ColumnState:
        return {"Stand", "State"};
    case WindowText::ColumnResult:
        return {"Ergebnis", "Result"};
    case WindowText::ColumnTime:
        return {"Dauer", "Time"};
    case WindowText::Waiting:
        return {"wartet", "waiting"};
    case WindowText::Running:
        return {"läuft", "running"};
    case WindowText::Done:
        return {"fertig", "done"};
    case WindowText::DoneBefore:
        return {"schon erledigt", "done before"};
    case WindowText::PlanReady:
        return {"%1 Geräte auf %2 Linien", "%1 units on %2 lines"};
    case WindowText::PlanFaults:
        return {"Der Plan lässt sich so nicht ausführen:", "The plan cannot be run as it is:"};
    case WindowText::NothingSent:
        return {"Der Plan lässt sich so nicht ausführen, an kein Gerät wurde etwas gesendet:",
                "The plan cannot be run as it is; nothing was sent to any unit:"};
    case WindowText::PortOpen:
        return {"Der Port des Hauptfensters ist geöffnet. Bitte zuerst schließen.",
                "The main window has its port open. Please close it first."};
    case WindowText::MainWindowBusy:
        return {"Das Hauptfenster ist beschäftigt (Übertragung oder Gerätesuche).",
                "The main window is busy (a transfer or the unit finder)."};
    case WindowText::NoOut:
        return {"Bitte einen Ergebnisordner angeben.", "Please give a results folder."};
    case WindowText::OutUnwritable:
        return {"Der Ergebnisordner %1 lässt sich nicht schreiben.",
                "The results folder %1 cannot be written."};
    case WindowText::NoFolder:
        return {"Den Ordner %1 gibt es noch nicht.", "The folder %1 does not exist yet."};
    case WindowText::Progress:
        return {"%1 von %2 Geräten fertig", "%1 of %2 units done"};
    case WindowText::ProgressLeft:
        return {"%1 von %2 Geräten fertig, noch etwa %3", "%1 of %2 units done, about %3 left"};
    case WindowText::Cancelling:
        return {"Wird abgebrochen: das laufende Gerät wird noch fertig.",
                "Cancelling: the units under way finish first."};
    case WindowText::Finished:
        return {"Fertig: %1", "Finished: %1"};
    case WindowText::CancelledRun:
        return {"Abgebrochen: %1", "Cancelled: %1"};
    case WindowText::DoneBeforeCount:
        return {"%1 schon erledigt", "%1 done before"};
    case WindowText::Seconds:
        return {"%1 s", "%1 s"};
    }
    return {"?", "?"};
}

Pair resultOf(Result result) {
    switch (result) {
    case Result::Verified:
        return {"geprüft", "verified"};
    case Result::Already:
        return {"schon eingestellt", "already"};
    case Result::Differs:
        return {"weicht ab", "differs"};
    case Result::Refused:
        return {"abgelehnt", "refused"};
    case Result::NoAnswer:
        return {"keine Antwort", "no answer"};
    case Result::WrongUnit:
        return {"falsches Gerät", "wrong unit"};
    case Result::LineLost:
        return {"Linie verloren", "line lost"};
    case Result::Cancelled:
        return {"abgebrochen", "cancelled"};
    }
    return {"?", "?"};
}

} // namespace

QString windowText(WindowText text, app::Language language) {
    const Pair pair = textOf(text);
    return QString::fromUtf8(app::pick(language, pair.de, pair.en));
}

QString resultText(Result result, app::Language language) {
    const Pair pair = resultOf(result);
    return QString::fromUtf8(app::pick(language, pair.de, pair.en));
}

} // namespace qtx52::commission
