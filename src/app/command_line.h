#pragma once

// The program's command line: how to reach the unit, and an optional command that runs without
// a window.

#include <QString>
#include <QStringList>

namespace qtx52::app {

struct LinkOptions {
    QString device;        // --device PATH: a serial device used whatever port number is chosen
    int port = 0;          // --port N: 1..8 through the port mapping (0: not given)
    bool simulate = false; // --simulate: the built-in simulated unit instead of a device
    QString baud = QStringLiteral("9600");
    QChar parity = QLatin1Char('E');
    QString mode = QStringLiteral("RTU");
    int address = 1;
    bool echo = false; // --echo: the adapter echoes what is sent, on every port number
};

struct CommandLine {
    enum class Command { Window, ReadOut, Write, Monitor, Help, Version };
    Command command = Command::Window;
    QString file;   // --read-out FILE, --write FILE
    int cycles = 0; // --monitor N
    bool quiet = false;
    QString trace; // --trace FILE: one line per frame on the line ("-": standard error)
    bool stats = false; // --stats: the link counters at the end
    LinkOptions link;
    QString error; // not empty: the words were off (exit code 2)
    QString helpText;
};

CommandLine parseCommandLine(const QStringList& arguments);

} // namespace qtx52::app
