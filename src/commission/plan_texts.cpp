// The plan's problems in German and English.

#include "commission/plan.h"

#include "app/language.h"

namespace qtx52::commission {

namespace {

using Pair = app::BothLanguages;

Pair textOf(PlanFault fault) {
    switch (fault) {
    case PlanFault::Unreadable:
        return {"Der Plan %1 lässt sich nicht lesen: %2", "The plan %1 cannot be read: %2"};
    case PlanFault::Empty:
        return {"Der Plan enthält keine Geräte", "The plan holds no units"};
    case PlanFault::UnknownColumn:
        return {"unbekannte Spalte \"%1\"", "unknown column \"%1\""};
    case PlanFault::DoubledColumn:
        return {"Spalte \"%1\" steht zweimal", "column \"%1\" stands twice"};
    case PlanFault::MissingColumn:
        return {"Spalte \"%1\" fehlt", "column \"%1\" is missing"};
    case PlanFault::FieldCount:
        return {"%1 Felder, die Kopfzeile hat %2", "%1 fields, the header has %2"};
    case PlanFault::OpenQuote:
        return {"ein Anführungszeichen wird nicht geschlossen", "a quote is never closed"};
    case PlanFault::NoLine:
        return {"keine Linie angegeben", "no line given"};
    case PlanFault::BadLine:
        return {"Linie \"%1\" ist weder Gerätepfad, tcp://HOST:PORT, mbap://HOST[:PORT], Port "
                "1..8 noch sim:NAME",
                "line \"%1\" is neither a device path, tcp://HOST:PORT, mbap://HOST[:PORT], port "
                "1..8 nor sim:NAME"};
    case PlanFault::BadStation:
        return {"Station \"%1\" ist keine Zahl von 1 bis 63",
                "station \"%1\" is not a number from 1 to 63"};
    case PlanFault::StationTwice:
        return {"Station %1 steht auf Linie %2 zweimal", "station %1 stands twice on line %2"};
    case PlanFault::BadMode:
        return {"Modus \"%1\" ist weder RTU noch ASCII", "mode \"%1\" is neither RTU nor ASCII"};
    case PlanFault::BadBaud:
        return {"Baudrate \"%1\" ist nicht 9600, 19200, 38400 oder 57600",
                "baud rate \"%1\" is not 9600, 19200, 38400 or 57600"};
    case PlanFault::BadParity:
        return {"Parität \"%1\" ist nicht N, E oder O", "parity \"%1\" is not N, E or O"};
    case PlanFault::SettingsDiffer:
        return {"%1 %2 widerspricht %3 weiter oben für Linie %4",
                "%1 %2 contradicts %3 given above for line %4"};
    case PlanFault::NoRoom:
        return {"kein Raum angegeben", "no room given"};
    case PlanFault::RoomTwice:
        return {"Raum \"%1\" steht schon in Zeile %2", "room \"%1\" already stands on line %2"};
    case PlanFault::BadCoding:
        return {"%1 \"%2\" ist keine Zahl von 0 bis 65535",
                "%1 \"%2\" is not a number from 0 to 65535"};
    case PlanFault::SetMissing:
        return {"kein Parametersatz angegeben", "no parameter set given"};
    case PlanFault::SetUnreadable:
        return {"Parametersatz %1 lässt sich nicht lesen", "parameter set %1 cannot be read"};
    case PlanFault::SetIncomplete:
        return {"Parametersatz %1 ist unvollständig", "parameter set %1 is incomplete"};
    case PlanFault::SetValues:
        return {"Parametersatz %1 lässt sich nicht schreiben: %2",
                "parameter set %1 cannot be written: %2"};
    case PlanFault::BadFast:
        return {"Schnell lesen \"%1\" ist weder ja noch nein", "fast \"%1\" is neither yes nor no"};
    }
    return {"?", "?"};
}

} // namespace

QString problemText(const PlanProblem& problem, app::Language language) {
    const Pair pair = textOf(problem.fault);
    // Each %n once, so that a quoted value holding "%2" stays as it is.
    const QString pattern = QString::fromUtf8(app::pick(language, pair.de, pair.en));
    QString text;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('%') && i + 1 < pattern.size() && pattern.at(i + 1).isDigit()) {
            text += problem.args.value(pattern.at(i + 1).digitValue() - 1);
            ++i;
        } else {
            text += c;
        }
    }
    if (problem.planLine <= 0)
        return text;
    return app::pick(language, QStringLiteral("Zeile %1: %2"), QStringLiteral("line %1: %2"))
        .arg(problem.planLine)
        .arg(text);
}

} // namespace qtx52::commission
