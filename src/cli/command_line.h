#pragma once

// The program's command line: how to reach the unit, and an optional command that runs without
// a window.

#include "cli/cli_texts.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qtx52::cli {

struct LinkOptions {
    QString device;        // --device PATH: a serial device used whatever port number is chosen
    int port = 0;          // --port N: 1..8 through the port mapping (0: not given)
    bool simulate = false; // --simulate: the built-in simulated unit instead of a device
    QString baud = QStringLiteral("9600");
    QChar parity = QLatin1Char('E');
    QString mode = QStringLiteral("RTU");
    int address = 1;
    bool echo = false; // --echo: the adapter echoes what is sent, on every port number
    // Through a Modbus TCP gateway (an mbap:// line): replies matched without their transaction
    // id (--mbap-any-id), and the gateway's own timeout (--gateway-timeout; -1 not given).
    bool mbapAnyId = false;
    int gatewayTimeoutMs = -1;
    // --fast: each read of a chain follows the reply to the one before as soon as the line has
    // been silent, instead of at the pacing tick.
    bool fast = false;
    // The simulated unit's own station and line (--sim-station, --sim-mode, --sim-baud,
    // --sim-parity). Without --sim-mode, --sim-baud and --sim-parity the unit takes the line
    // settings the program opens with; without --sim-station it is at --address.
    int simStation = 0;
    QString simMode;
    QString simBaud;
    QChar simParity;
};

// --scan: which stations and line settings the unit finder probes. The narrowing lists are
// empty when every value is to be probed.
struct ScanOptions {
    int firstStation = 1;
    int lastStation = 63;
    bool all = false;         // --scan-all: go on after the first unit found
    int probeTimeoutMs = 150; // --probe-timeout MS
    QList<bool> ascii;        // from --mode when given
    QList<qint32> bauds;      // from --baud when given
    QList<char> parities;     // from --parity when given
};

struct CommandLine {
    enum class Command { Window, ReadOut, Write, Monitor, Scan, Diff, Commission, Help, Version };
    Command command = Command::Window;
    QString file;      // --read-out FILE, --write FILE, --diff FILE, --commission PLAN
    QString otherFile; // --diff FILE OTHER: the second set; empty to compare with the unit
    QString report;    // --report FILE: the commissioning sheet after --read-out or --write
    int cycles = 0;    // --monitor N (0: until interrupted)
    QString log;       // --log FILE: the monitor's lines also go to this CSV file
    bool quiet = false;
    QString trace;      // --trace FILE: one line per frame on the line ("-": standard error)
    bool stats = false; // --stats: the link counters at the end
    // --commission: the results folder (--out), identify and compare only (--dry-run), units
    // done before too (--again), a line every few seconds (--progress).
    QString out;
    bool dryRun = false;
    bool again = false;
    bool progress = false;
    LinkOptions link;
    ScanOptions scan;
    QString error; // not empty: the words were off (exit code 2); in English
    // The same as a text of the command line's table, for the interface's language.
    std::optional<CliText> errorText;
    QStringList errorArgs;
    QString helpText;
};

CommandLine parseCommandLine(const QStringList& arguments);

// The usage error of a parsed command line in the language.
QString usageError(const CommandLine& commandLine, Language language);

} // namespace qtx52::cli
