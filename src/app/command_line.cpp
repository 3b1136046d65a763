#include "app/command_line.h"

#include <QCommandLineParser>

namespace qtx52::app {

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine cl;
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Configuration program for the QTX52-LCD-RS485-Modbus room control unit.\n"
        "Without a command it opens its window; with --read-out, --write or --monitor it runs\n"
        "that command without a window and ends."));
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
                                                    "values."),
                                     QStringLiteral("N"));
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
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("No progress lines on standard error."));
    p.addOptions({help, version, readOut, write, monitor, device, port, simulate, baud, parity,
                  mode, address, quiet});
    // The parser names the executable from the application object, which does not exist yet
    // when the command line is read (and would give the path it was started by): the usage line
    // names the program itself.
    cl.helpText = p.helpText();
    const qsizetype options = cl.helpText.indexOf(QStringLiteral(" [options]"));
    const qsizetype lineEnd = cl.helpText.indexOf(QLatin1Char('\n'));
    if (cl.helpText.startsWith(QStringLiteral("Usage: ")) && options > 0 &&
        (lineEnd < 0 || options < lineEnd))
        cl.helpText.replace(0, options, QStringLiteral("Usage: qtx52-config"));

    if (!p.parse(arguments)) {
        cl.error = p.errorText();
        return cl;
    }
    if (!p.positionalArguments().isEmpty()) {
        cl.error = QStringLiteral("unexpected argument: %1").arg(p.positionalArguments().first());
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

    const int commands = int(p.isSet(readOut)) + int(p.isSet(write)) + int(p.isSet(monitor));
    if (commands > 1) {
        cl.error = QStringLiteral("give only one of --read-out, --write and --monitor");
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
        if (!ok || cl.cycles < 1) {
            cl.error = QStringLiteral("--monitor needs a number of cycles of 1 or more");
            return cl;
        }
    }
    if ((cl.command == CommandLine::Command::ReadOut ||
         cl.command == CommandLine::Command::Write) &&
        cl.file.isEmpty()) {
        cl.error = QStringLiteral("the command needs a file name");
        return cl;
    }

    LinkOptions& link = cl.link;
    const int targets = int(p.isSet(device)) + int(p.isSet(port)) + int(p.isSet(simulate));
    if (targets > 1) {
        cl.error = QStringLiteral("give only one of --device, --port and --simulate");
        return cl;
    }
    link.device = p.value(device);
    link.simulate = p.isSet(simulate);
    if (p.isSet(port)) {
        bool ok = false;
        link.port = p.value(port).toInt(&ok);
        if (!ok || link.port < 1 || link.port > 8) {
            cl.error = QStringLiteral("--port takes a number from 1 to 8");
            return cl;
        }
    }
    link.baud = p.value(baud);
    if (!QStringList{"9600", "19200", "38400", "57600"}.contains(link.baud)) {
        cl.error = QStringLiteral("--baud takes 9600, 19200, 38400 or 57600");
        return cl;
    }
    const QString par = p.value(parity).toUpper();
    if (par != QLatin1String("N") && par != QLatin1String("E") && par != QLatin1String("O")) {
        cl.error = QStringLiteral("--parity takes N, E or O");
        return cl;
    }
    link.parity = par.at(0);
    link.mode = p.value(mode).toUpper();
    if (link.mode != QLatin1String("RTU") && link.mode != QLatin1String("ASCII")) {
        cl.error = QStringLiteral("--mode takes RTU or ASCII");
        return cl;
    }
    bool ok = false;
    link.address = p.value(address).toInt(&ok);
    if (!ok || link.address < 1 || link.address > 63) {
        cl.error = QStringLiteral("--address takes a number from 1 to 63");
        return cl;
    }
    cl.quiet = p.isSet(quiet);
    return cl;
}

} // namespace qtx52::app
