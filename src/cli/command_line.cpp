#include "cli/command_line.h"

#include <QCommandLineParser>

namespace qtx52::cli {

namespace {

void usage(CommandLine& cl, CliText text, const QStringList& args = {}) {
    cl.errorText = text;
    cl.errorArgs = args;
    cl.error = cliText(text, Language::English, args);
}

// The parser's own complaint, in words of the table where it is one of the usual ones.
void parserError(CommandLine& cl, const QCommandLineParser& p) {
    cl.error = p.errorText();
    const QStringList unknown = p.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString name = unknown.first();
        usage(cl, CliText::UsageUnknownOption,
              {(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name});
        return;
    }
    // "Missing value after '--write'." and "Unexpected value after '--quiet'.": the option is
    // the quoted word.
    const QString text = p.errorText();
    const qsizetype open = text.indexOf(QLatin1Char('\''));
    const qsizetype close = text.lastIndexOf(QLatin1Char('\''));
    if (open < 0 || close <= open)
        return;
    QString option = text.mid(open + 1, close - open - 1);
    const qsizetype equals = option.indexOf(QLatin1Char('='));
    if (equals >= 0)
        option.truncate(equals);
    if (text.startsWith(QLatin1String("Missing value")))
        usage(cl, CliText::UsageMissingValue, {option});
    else if (text.startsWith(QLatin1String("Unexpected value")))
        usage(cl, CliText::UsageUnexpectedValue, {option});
}

} // namespace

QString usageError(const CommandLine& cl, Language language) {
    if (cl.errorText)
        return cliText(*cl.errorText, language, cl.errorArgs);
    return cl.error;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine cl;
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Configuration program for the QTX52-LCD-RS485-Modbus room control unit.\n"
        "Without a command it opens its window; with --read-out, --write, --monitor, --scan,\n"
        "--diff or --commission it runs that command without a window and ends."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the program version and end."));
    const QCommandLineOption readOut(QStringLiteral("read-out"),
                                     QStringLiteral("Read the unit out and save the parameters "
                                                    "to FILE."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption write(QStringLiteral("write"),
                                   QStringLiteral("Write the parameters of FILE to the unit and "
                                                  "verify them."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption monitor(QStringLiteral("monitor"),
                                     QStringLiteral("Print N full cycles of the unit's live "
                                                    "values after a header line; 0 runs until "
                                                    "interrupted (Ctrl+C)."),
                                     QStringLiteral("N"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("With --monitor: also record the lines to the CSV "
                                                "file FILE (appended to a recording already "
                                                "there)."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("Serial device to use, e.g. /dev/ttyUSB0 or a "
                                                   "pseudo-terminal."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port number 1..8 (COM1..COM8) through the port "
                                                 "mapping."),
                                  QStringLiteral("N"));
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Talk to the built-in simulated unit."));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Baud rate: 9600, 19200, 38400 or 57600 "
                                                 "(default 9600)."),
                                  QStringLiteral("B"), QStringLiteral("9600"));
    const QCommandLineOption parity(QStringLiteral("parity"),
                                    QStringLiteral("Parity: N, E or O (default E)."),
                                    QStringLiteral("P"), QStringLiteral("E"));
    const QCommandLineOption mode(QStringLiteral("mode"),
                                  QStringLiteral("Framing: RTU or ASCII (default RTU)."),
                                  QStringLiteral("M"), QStringLiteral("RTU"));
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Station address 1..63 (default 1)."),
                                     QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption echo(QStringLiteral("echo"),
                                  QStringLiteral("The adapter echoes what is sent: check and drop "
                                                 "the echo of each request."));
    const QCommandLineOption anyId(QStringLiteral("mbap-any-id"),
                                   QStringLiteral("On an mbap:// line: the gateway does not echo "
                                                  "the transaction id; match its replies by unit "
                                                  "id and function."));
    const QCommandLineOption gatewayTimeout(
        QStringLiteral("gateway-timeout"),
        QStringLiteral("On an mbap:// line: how long the gateway waits for a unit before it "
                       "answers 0x0B itself, in ms (default 1000); added to the repeat interval."),
        QStringLiteral("MS"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("No progress lines on standard error."));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write every frame on the line to FILE, one "
                                                  "line each (- for standard error)."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption stats(QStringLiteral("stats"),
                                   QStringLiteral("Print the link counters at the end (always "
                                                  "printed when a command fails)."));
    const QCommandLineOption fast(QStringLiteral("fast"),
                                  QStringLiteral("Fast reads: each request follows the reply to "
                                                 "the one before as soon as the line allows, "
                                                 "instead of at the pacing interval."));
    const QCommandLineOption scan(QStringLiteral("scan"),
                                  QStringLiteral("Look for units on the line (reads only): every "
                                                 "station at every line setting, narrowed by "
                                                 "--mode, --baud and --parity when given."));
    const QCommandLineOption scanStations(QStringLiteral("scan-stations"),
                                          QStringLiteral("Stations to probe with --scan, e.g. "
                                                         "1-63 (the default) or 37."),
                                          QStringLiteral("RANGE"));
    const QCommandLineOption scanAll(QStringLiteral("scan-all"),
                                     QStringLiteral("With --scan: go on after the first unit "
                                                    "found."));
    const QCommandLineOption probeTimeout(QStringLiteral("probe-timeout"),
                                          QStringLiteral("With --scan: how long a probe waits "
                                                         "for a reply beyond its wire time, in "
                                                         "ms (default 150)."),
                                          QStringLiteral("MS"), QStringLiteral("150"));
    const QCommandLineOption simStation(QStringLiteral("sim-station"),
                                        QStringLiteral("With --simulate: the simulated unit's "
                                                       "station address (default --address)."),
                                        QStringLiteral("N"));
    const QCommandLineOption simMode(QStringLiteral("sim-mode"),
                                     QStringLiteral("With --simulate: the simulated unit's "
                                                    "framing, RTU or ASCII."),
                                     QStringLiteral("M"));
    const QCommandLineOption simBaud(QStringLiteral("sim-baud"),
                                     QStringLiteral("With --simulate: the simulated unit's baud "
                                                    "rate."),
                                     QStringLiteral("B"));
    const QCommandLineOption simParity(QStringLiteral("sim-parity"),
                                       QStringLiteral("With --simulate: the simulated unit's "
                                                      "parity, N, E or O. Any of --sim-mode, "
                                                      "--sim-baud and --sim-parity fixes the "
                                                      "unit's line (RTU 9600 E for the rest); "
                                                      "without them it follows the program's."),
                                       QStringLiteral("P"));
    p.addOptions({help,    version,      readOut,   write, monitor,        scan,  scanStations,
                  scanAll, probeTimeout, device,    port,  simulate,       baud,  parity,
                  mode,    address,      echo,      quiet, trace,          stats, simStation,
                  simMode, simBaud,      simParity, anyId, gatewayTimeout, fast});
    p.addOption(log);
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("With --read-out or --write: also write the "
                                                   "commissioning sheet to the PDF file FILE, the "
                                                   "parameter file attached."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption diff(QStringLiteral("diff"),
                                  QStringLiteral("Compare the parameter file FILE with a second "
                                                 "one given after it, or with the unit; exit 4 "
                                                 "when they differ."),
                                  QStringLiteral("FILE"));
    p.addOption(report);
    p.addOption(diff);
    const QCommandLineOption commission(
        QStringLiteral("commission"),
        QStringLiteral("Commission the units of the plan PLAN.csv (one row per unit: line, "
                       "station, room, set, ...): each identified, written and verified, lines at "
                       "once; results, read-backs and sheets into --out. Exit 0 all verified or "
                       "already, 3 no answer, line lost or cancelled, 4 differs, 5 plan or set "
                       "wrong (nothing sent), 6 refused, 7 wrong unit."),
        QStringLiteral("PLAN"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("With --commission: the results folder DIR "
                                                "(commissioning.csv and .json, units/, sheets/); "
                                                "units recorded there as done are skipped."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("With --commission: check the plan and "
                                                   "identify every unit; write nothing."));
    const QCommandLineOption again(QStringLiteral("again"),
                                   QStringLiteral("With --commission: also run the units --out "
                                                  "records as done."));
    const QCommandLineOption progress(QStringLiteral("progress"),
                                      QStringLiteral("With --commission: a line with the units "
                                                     "done and the time left every 5 s."));
    p.addOptions({commission, out, dryRun, again, progress});
    // Before the application object exists Qt cannot know the program's name and writes a
    // placeholder; the program is always called by this name.
    cl.helpText = p.helpText();
    const qsizetype usageEnd = cl.helpText.indexOf(QLatin1Char('\n'));
    cl.helpText.replace(0, usageEnd < 0 ? cl.helpText.size() : usageEnd,
                        QStringLiteral("Usage: qtx52-config [options]"));

    if (!p.parse(arguments)) {
        parserError(cl, p);
        return cl;
    }
    // Only --diff takes a second file after it.
    if (!p.positionalArguments().isEmpty() &&
        !(p.isSet(diff) && p.positionalArguments().size() == 1)) {
        usage(cl, CliText::UsageUnexpectedArgument, {p.positionalArguments().first()});
        return cl;
    }
    if (p.isSet(help)) {
        cl.command = CommandLine::Command::Help;
        return cl;
    }
    if (p.isSet(version)) {
        cl.command = CommandLine::Command::Version;
        return cl;
    }

    const int commands = int(p.isSet(readOut)) + int(p.isSet(write)) + int(p.isSet(monitor)) +
                         int(p.isSet(scan)) + int(p.isSet(diff)) + int(p.isSet(commission));
    if (commands > 1) {
        usage(cl, CliText::UsageOneCommand);
        return cl;
    }
    if (p.isSet(readOut)) {
        cl.command = CommandLine::Command::ReadOut;
        cl.file = p.value(readOut);
    } else if (p.isSet(write)) {
        cl.command = CommandLine::Command::Write;
        cl.file = p.value(write);
    } else if (p.isSet(monitor)) {
        cl.command = CommandLine::Command::Monitor;
        bool ok = false;
        cl.cycles = p.value(monitor).toInt(&ok);
        if (!ok || cl.cycles < 0) {
            usage(cl, CliText::UsageMonitorCycles);
            return cl;
        }
    } else if (p.isSet(scan)) {
        cl.command = CommandLine::Command::Scan;
    } else if (p.isSet(commission)) {
        cl.command = CommandLine::Command::Commission;
        cl.file = p.value(commission);
        cl.out = p.value(out);
        cl.dryRun = p.isSet(dryRun);
        cl.again = p.isSet(again);
        cl.progress = p.isSet(progress);
        if (cl.file.isEmpty() || (cl.out.isEmpty() && !cl.dryRun)) {
            usage(cl, CliText::UsageCommissionOut);
            return cl;
        }
        if (p.isSet(device) || p.isSet(port)) {
            usage(cl, CliText::UsageCommissionTarget);
            return cl;
        }
    } else if (p.isSet(diff)) {
        cl.command = CommandLine::Command::Diff;
        cl.file = p.value(diff);
        cl.otherFile = p.positionalArguments().value(0);
        if (cl.file.isEmpty()) {
            usage(cl, CliText::UsageDiff);
            return cl;
        }
    }
    if (cl.command != CommandLine::Command::Commission &&
        (p.isSet(out) || p.isSet(dryRun) || p.isSet(again) || p.isSet(progress))) {
        usage(cl, CliText::UsageCommissionOptions);
        return cl;
    }
    if (p.isSet(report)) {
        cl.report = p.value(report);
        if ((cl.command != CommandLine::Command::ReadOut &&
             cl.command != CommandLine::Command::Write) ||
            cl.report.isEmpty()) {
            usage(cl, CliText::UsageReport);
            return cl;
        }
    }
    if (p.isSet(log)) {
        cl.log = p.value(log);
        if (cl.command != CommandLine::Command::Monitor || cl.log.isEmpty()) {
            usage(cl, CliText::UsageLog);
            return cl;
        }
    }
    if ((p.isSet(scanStations) || p.isSet(scanAll) || p.isSet(probeTimeout)) &&
        cl.command != CommandLine::Command::Scan) {
        usage(cl, CliText::UsageScanOptions);
        return cl;
    }
    if (p.isSet(scanStations)) {
        const QStringList ends = p.value(scanStations).split(QLatin1Char('-'));
        bool okFirst = false, okLast = false;
        const int first = ends.value(0).trimmed().toInt(&okFirst);
        const int last = ends.size() == 1 ? first : ends.value(1).trimmed().toInt(&okLast);
        if (ends.size() == 1)
            okLast = okFirst;
        if (ends.size() > 2 || !okFirst || !okLast || first < 1 || last > 63 || first > last) {
            usage(cl, CliText::UsageScanStations);
            return cl;
        }
        cl.scan.firstStation = first;
        cl.scan.lastStation = last;
    }
    cl.scan.all = p.isSet(scanAll);
    {
        bool ok = false;
        cl.scan.probeTimeoutMs = p.value(probeTimeout).toInt(&ok);
        if (!ok || cl.scan.probeTimeoutMs < 0 || cl.scan.probeTimeoutMs > 10000) {
            usage(cl, CliText::UsageProbeTimeout);
            return cl;
        }
    }
    if ((cl.command == CommandLine::Command::ReadOut ||
         cl.command == CommandLine::Command::Write) &&
        cl.file.isEmpty()) {
        usage(cl, CliText::UsageNeedsFile);
        return cl;
    }

    LinkOptions& link = cl.link;
    const int targets = int(p.isSet(device)) + int(p.isSet(port)) + int(p.isSet(simulate));
    if (targets > 1) {
        usage(cl, CliText::UsageOneTarget);
        return cl;
    }
    link.device = p.value(device);
    link.simulate = p.isSet(simulate);
    if (p.isSet(port)) {
        bool ok = false;
        link.port = p.value(port).toInt(&ok);
        if (!ok || link.port < 1 || link.port > 8) {
            usage(cl, CliText::UsagePort);
            return cl;
        }
    }
    link.baud = p.value(baud);
    if (!QStringList{"9600", "19200", "38400", "57600"}.contains(link.baud)) {
        usage(cl, CliText::UsageBaud);
        return cl;
    }
    const QString par = p.value(parity).toUpper();
    if (par != QLatin1String("N") && par != QLatin1String("E") && par != QLatin1String("O")) {
        usage(cl, CliText::UsageParity);
        return cl;
    }
    link.parity = par.at(0);
    link.mode = p.value(mode).toUpper();
    if (link.mode != QLatin1String("RTU") && link.mode != QLatin1String("ASCII")) {
        usage(cl, CliText::UsageMode);
        return cl;
    }
    bool ok = false;
    link.address = p.value(address).toInt(&ok);
    if (!ok || link.address < 1 || link.address > 63) {
        usage(cl, CliText::UsageAddress);
        return cl;
    }
    if (cl.command == CommandLine::Command::Scan) {
        // A scan probes every value of what was not given.
        if (p.isSet(mode))
            cl.scan.ascii = {link.mode == QLatin1String("ASCII")};
        if (p.isSet(baud))
            cl.scan.bauds = {link.baud.toInt()};
        if (p.isSet(parity))
            cl.scan.parities = {char(link.parity.toLatin1())};
    }
    if ((p.isSet(simStation) || p.isSet(simMode) || p.isSet(simBaud) || p.isSet(simParity)) &&
        !link.simulate) {
        usage(cl, CliText::UsageSimOptions);
        return cl;
    }
    if (p.isSet(simStation)) {
        link.simStation = p.value(simStation).toInt(&ok);
        if (!ok || link.simStation < 1 || link.simStation > 63) {
            usage(cl, CliText::UsageSimStation);
            return cl;
        }
    }
    if (p.isSet(simMode)) {
        link.simMode = p.value(simMode).toUpper();
        if (link.simMode != QLatin1String("RTU") && link.simMode != QLatin1String("ASCII")) {
            usage(cl, CliText::UsageSimMode);
            return cl;
        }
    }
    if (p.isSet(simBaud)) {
        link.simBaud = p.value(simBaud);
        if (!QStringList{"9600", "19200", "38400", "57600"}.contains(link.simBaud)) {
            usage(cl, CliText::UsageSimBaud);
            return cl;
        }
    }
    if (p.isSet(simParity)) {
        const QString sp = p.value(simParity).toUpper();
        if (sp != QLatin1String("N") && sp != QLatin1String("E") && sp != QLatin1String("O")) {
            usage(cl, CliText::UsageSimParity);
            return cl;
        }
        link.simParity = sp.at(0);
    }
    link.echo = p.isSet(echo);
    link.mbapAnyId = p.isSet(anyId);
    if (p.isSet(gatewayTimeout)) {
        bool ok = false;
        link.gatewayTimeoutMs = p.value(gatewayTimeout).toInt(&ok);
        if (!ok || link.gatewayTimeoutMs < 0 || link.gatewayTimeoutMs > 60000) {
            usage(cl, CliText::UsageGatewayTimeout);
            return cl;
        }
    }
    cl.quiet = p.isSet(quiet);
    cl.trace = p.value(trace);
    cl.stats = p.isSet(stats);
    cl.link.fast = p.isSet(fast);
    return cl;
}

} // namespace qtx52::cli
