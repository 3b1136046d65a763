#include "cli/cli_texts.h"

#include "settings/registry.h"

namespace qtx52::cli {

namespace {

CliTextEntry entry(CliText id, const char* de, const char* en) {
    return {id, QString::fromUtf8(de), QString::fromUtf8(en)};
}

// Fills %1..%9 in one pass, so that a value holding a "%" sequence is taken as it is.
QString fill(const QString& text, const QStringList& args) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('%') && i + 1 < text.size() && text.at(i + 1) >= QLatin1Char('1') &&
            text.at(i + 1) <= QLatin1Char('9')) {
            const int n = text.at(i + 1).unicode() - '1';
            if (n < args.size()) {
                out += args.at(n);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace

const std::vector<CliTextEntry>& cliTextTable() {
    using T = CliText;
    static const std::vector<CliTextEntry> table = {
        entry(T::UsageTryHelp, "Hilfe mit 'qtx52-config --help'.", "Try 'qtx52-config --help'."),
        entry(T::UsageUnknownOption, "unbekannte Option: %1", "unknown option: %1"),
        entry(T::UsageMissingValue, "%1 braucht einen Wert", "%1 needs a value"),
        entry(T::UsageUnexpectedValue, "%1 nimmt keinen Wert", "%1 takes no value"),
        entry(T::UsageUnexpectedArgument, "unerwartetes Argument: %1", "unexpected argument: %1"),
        entry(T::UsageOneCommand, "nur eines von --read-out, --write, --monitor und --scan angeben",
              "give only one of --read-out, --write, --monitor and --scan"),
        entry(T::UsageMonitorCycles, "--monitor braucht eine Anzahl Zyklen, 0 für kein Ende",
              "--monitor needs a number of cycles, 0 for no end"),
        entry(T::UsageLog, "--log nimmt einen Dateinamen und gehört zu --monitor",
              "--log takes a file name and goes with --monitor"),
        entry(T::UsageScanOptions,
              "--scan-stations, --scan-all und --probe-timeout gehören zu --scan",
              "--scan-stations, --scan-all and --probe-timeout go with --scan"),
        entry(T::UsageScanStations, "--scan-stations nimmt A-B mit 1 <= A <= B <= 63",
              "--scan-stations takes A-B with 1 <= A <= B <= 63"),
        entry(T::UsageProbeTimeout, "--probe-timeout nimmt 0 bis 10000 ms",
              "--probe-timeout takes 0 to 10000 ms"),
        entry(T::UsageGatewayTimeout, "--gateway-timeout nimmt 0 bis 60000 ms",
              "--gateway-timeout takes 0 to 60000 ms"),
        entry(T::UsageNeedsFile, "der Befehl braucht einen Dateinamen",
              "the command needs a file name"),
        entry(T::UsageOneTarget, "nur eines von --device, --port und --simulate angeben",
              "give only one of --device, --port and --simulate"),
        entry(T::UsagePort, "--port nimmt eine Zahl von 1 bis 8",
              "--port takes a number from 1 to 8"),
        entry(T::UsageBaud, "--baud nimmt 9600, 19200, 38400 oder 57600",
              "--baud takes 9600, 19200, 38400 or 57600"),
        entry(T::UsageParity, "--parity nimmt N, E oder O", "--parity takes N, E or O"),
        entry(T::UsageMode, "--mode nimmt RTU oder ASCII", "--mode takes RTU or ASCII"),
        entry(T::UsageAddress, "--address nimmt eine Zahl von 1 bis 63",
              "--address takes a number from 1 to 63"),
        entry(T::UsageSimOptions,
              "--sim-station, --sim-mode, --sim-baud und --sim-parity gehören zu --simulate",
              "--sim-station, --sim-mode, --sim-baud and --sim-parity go with --simulate"),
        entry(T::UsageSimStation, "--sim-station nimmt eine Zahl von 1 bis 63",
              "--sim-station takes a number from 1 to 63"),
        entry(T::UsageSimMode, "--sim-mode nimmt RTU oder ASCII", "--sim-mode takes RTU or ASCII"),
        entry(T::UsageSimBaud, "--sim-baud nimmt 9600, 19200, 38400 oder 57600",
              "--sim-baud takes 9600, 19200, 38400 or 57600"),
        entry(T::UsageSimParity, "--sim-parity nimmt N, E oder O", "--sim-parity takes N, E or O"),
        entry(T::UsageNoCommand, "kein Befehl, der ohne Fenster läuft",
              "no command to run without a window"),
        entry(T::NoCliInBuild, "Befehle ohne Fenster gibt es in diesem Build nicht.",
              "Commands without a window are not available in this build."),
        entry(T::NoDisplay,
              "kein Bildschirm für das Fenster. Auf einem Desktop starten, oder mit --help die "
              "Befehle ansehen, die keinen brauchen.",
              "no display available for the window. Run it on a desktop, or use --help for the "
              "commands that need none."),
        entry(T::FileUnreadable, "Die Datei \"%1\" kann nicht gelesen werden.",
              "The file \"%1\" cannot be read."),
        entry(T::FileMissing, "Die Datei \"%1\" gibt es nicht.", "The file \"%1\" does not exist."),
        entry(T::FileNoPermission,
              "Die Datei \"%1\" darf nicht gelesen werden (keine Berechtigung).",
              "The file \"%1\" may not be read (no permission)."),
        entry(T::FileIsFolder, "\"%1\" ist ein Ordner, keine Parameterdatei.",
              "\"%1\" is a folder, not a parameter file."),
        entry(T::FileRefused, "\"%1\" wird nicht verwendet: %2", "\"%1\" is not used: %2"),
        entry(T::FileValuesRefused,
              "%1: nichts wurde gesendet; diese Werte können nicht geschrieben werden:",
              "%1: nothing was sent; these values cannot be written:"),
        entry(T::OtherKindOfUnit,
              "%1 ist für eine andere Art von Gerät: Gerätecodierung %2 in der Datei, %3 im "
              "Gerät; nichts wurde geschrieben",
              "%1 is for another kind of unit: device coding %2 in the file, %3 in the unit; "
              "nothing was written"),
        entry(T::OtherFirmware,
              "Warnung: %1 wurde von Firmware %2 gespeichert, das Gerät hat Firmware %3",
              "warning: %1 was saved from firmware %2, the unit has firmware %3"),
        entry(T::SelectorsRefuse,
              "die Auswahllisten bieten diese Verbindungseinstellungen nicht an",
              "the selectors do not offer these link settings"),
        entry(T::Opening, "öffne %1%2: %3 Baud, Parität %4, %5, Station %6",
              "opening %1%2: %3 baud, parity %4, %5, station %6"),
        entry(T::SimulatedUnit, "simuliertes Gerät", "simulated unit"),
        entry(T::PortNotOpened, "die Schnittstelle konnte nicht geöffnet werden",
              "the port could not be opened"),
        entry(T::ReadingOut, "lese das Gerät aus", "reading the unit out"),
        entry(T::ReadOutNotStarted, "das Auslesen kann nicht beginnen",
              "the read-out cannot be started"),
        entry(T::Saving, "speichere %1", "saving %1"),
        entry(T::Saved, "Parameter der Station %1 in %2 gespeichert",
              "saved the parameters of station %1 to %2"),
        entry(T::Loading, "lade %1", "loading %1"),
        entry(T::OtherStation,
              "die Datei wurde von Station \"%1\" gespeichert; geschrieben wird Station %2",
              "the file was saved from station \"%1\"; writing to station %2"),
        entry(T::ChangesHeading, "zu ändernde Felder: %1 (Gerät -> Datei)",
              "fields to change: %1 (unit -> file)"),
        entry(T::Change, "%1: %2 -> %3", "%1: %2 -> %3"),
        entry(T::Writing, "schreibe die Parameter", "writing the parameters"),
        entry(T::WriteNotStarted, "die Parameter können nicht geschrieben werden",
              "the parameters cannot be written"),
        entry(T::ReadingBack, "lese das Gerät zur Kontrolle aus", "reading the unit back"),
        entry(T::NothingToWrite, "nichts zu schreiben: das Gerät hat bereits die Parameter aus %1",
              "nothing to write: the unit already holds the parameters of %1"),
        entry(T::Difference, "%1: Datei \"%2\", Gerät \"%3\"", "%1: file \"%2\", unit \"%3\""),
        entry(T::CoilDifference, "%1: Datei %2, Gerät %3", "%1: file %2, unit %3"),
        entry(T::Verified,
              "geprüft: das Gerät hat die Werte aus %1 (Register %2 bis %3, %4 %5 bis %6); "
              "geänderte Felder: %7",
              "verified: the unit holds the values of %1 (Register %2 to %3, %4 %5 to %6); "
              "fields changed: %7"),
        entry(T::FieldsDiffer, "%1 Felder weichen von %2 ab", "%1 fields differ from %2"),
        entry(T::FieldsDifferUnwritten,
              "%1 Felder weichen von %2 ab, doch der Editor hat keinen Wert als Änderung "
              "übernommen; nichts wurde geschrieben",
              "%1 fields differ from %2, but the editor took none of them as a change; nothing "
              "was written"),
        entry(T::Monitoring, "beobachte %1 Zyklen", "monitoring %1 cycles"),
        entry(T::MonitoringUntilInterrupted, "beobachte bis zum Abbruch (Strg+C)",
              "monitoring until interrupted (Ctrl+C)"),
        entry(T::MonitorNotStarted, "der Monitor lässt sich nicht einschalten",
              "the monitor cannot be switched on"),
        entry(T::StillWaiting,
              "warte noch auf das Gerät: %1 Anfragen gesendet, %2 s von höchstens %3 s",
              "still waiting for the unit: %1 requests sent, %2 s of at most %3 s"),
        entry(T::NotInTime, "das Gerät hat nicht rechtzeitig fertig geantwortet",
              "the unit did not finish answering in time"),
        entry(T::EndedEarly,
              "die Übertragung endete, bevor das Gerät jede Anfrage beantwortet hatte",
              "the transfer ended before the unit had answered every request"),
        entry(T::LinkCounters, "Bus: %1", "link: %1"),
        entry(T::Interrupted, "abgebrochen nach %1 Zyklen", "interrupted after %1 cycles"),
        entry(T::ScanProbing,
              "prüfe %1, Stationen %2-%3 (Einstellung %4 von %5, höchstens noch %6 s)",
              "probing %1, stations %2-%3 (setting %4 of %5, at most %6 s left)"),
        entry(T::ScanDeviceServer,
              "%1 ist ein Geräteserver: Baudrate und Parität stellt er selbst ein; geprüft werden "
              "Modus und Stationen",
              "%1 is a device server: it sets the baud rate and parity itself; probing framings "
              "and stations"),
        entry(T::ScanNoneFound, "kein Gerät gefunden nach %1 Anfragen bei %2 Einstellungen in %3 s",
              "no unit found after %1 probes at %2 line settings in %3 s"),
        entry(T::ScanOneFound, "1 Gerät gefunden nach %1 Anfragen bei %2 Einstellungen in %3 s",
              "1 unit found after %1 probes at %2 line settings in %3 s"),
        entry(T::ScanFound, "%1 Geräte gefunden nach %2 Anfragen bei %3 Einstellungen in %4 s",
              "%1 units found after %2 probes at %3 line settings in %4 s"),
        entry(T::ScanPortInUse, "die Schnittstelle ist belegt", "the port is in use"),
        entry(T::ScanNothingToProbe, "nichts zu prüfen", "nothing to probe"),
        entry(T::ScanPortFailed, "die Schnittstelle kann nicht verwendet werden: %1",
              "the port cannot be used: %1"),
        entry(T::UsageReport,
              "--report nimmt einen Dateinamen und gehört zu --read-out oder --write",
              "--report takes a file name and goes with --read-out or --write"),
        entry(T::UsageDiff,
              "--diff nimmt eine Parameterdatei und eine zweite oder das Gerät (--device, --port, "
              "--simulate)",
              "--diff takes a parameter file and a second one or the unit (--device, --port, "
              "--simulate)"),
        entry(T::DiffSame, "%1 und %2 haben dieselben Werte", "%1 and %2 hold the same values"),
        entry(T::DiffField, "%1: %2 \"%3\", %4 \"%5\"", "%1: %2 \"%3\", %4 \"%5\""),
        entry(T::DiffCount, "%1 Felder unterscheiden sich zwischen %2 und %3",
              "%1 fields differ between %2 and %3"),
        entry(T::DiffMissing, "fehlt", "missing"),
        entry(T::DiffUnit, "Gerät", "unit"),
        entry(T::ReportWritten, "Protokoll %1 geschrieben", "wrote the sheet %1"),
        entry(T::ReportFailed, "das Protokoll %1 konnte nicht geschrieben werden: %2",
              "the sheet %1 could not be written: %2"),
        entry(T::UsageCommissionOptions,
              "--out, --dry-run, --again und --progress gehören zu --commission",
              "--out, --dry-run, --again and --progress go with --commission"),
        entry(T::UsageCommissionOut,
              "--commission nimmt einen Plan und braucht --out ORDNER (außer mit --dry-run)",
              "--commission takes a plan and needs --out DIR (except with --dry-run)"),
        entry(T::UsageCommissionTarget,
              "mit --commission nennt der Plan die Leitungen: kein --device und kein --port",
              "with --commission the plan names the lines: no --device and no --port"),
    };
    return table;
}

QString cliText(CliText id, Language language, const QStringList& args) {
    for (const CliTextEntry& e : cliTextTable())
        if (e.id == id)
            return fill(language == Language::English ? e.en : e.de, args);
    return QString();
}

Language languageOf(const QString& languageId) {
    // Only the exact English code selects English; anything else, nothing included, is German.
    return languageId == app::kLanguageEnglish ? Language::English : Language::German;
}

Language storeLanguage(const settings::StorePaths& stores) {
    return languageOf(app::interfaceLanguageId(stores));
}

} // namespace qtx52::cli
