// The commands without a window through the port the command line chooses. This lives with the
// simulated unit because --simulate needs it, and the core cannot see it.

#include "cli/link_target.h"
#include "cli/runner.h"
#include "forms/clock.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

namespace qtx52::cli {

using namespace app;

int runCommand(const CommandLine& commandLine) {
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "qtx52-config";
        static char* argv[] = {name, nullptr};
        // The sheet is laid out with Qt's text document, which needs the fonts of a GUI
        // application; without a display it runs on the offscreen platform.
        if (!commandLine.report.isEmpty()) {
            if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            app = std::make_unique<QGuiApplication>(argc, argv);
        } else {
            app = std::make_unique<QCoreApplication>(argc, argv);
        }
    }
    if (commandLine.command == CommandLine::Command::Diff && !commandLine.otherFile.isEmpty())
        return runFileDiff(commandLine, CommandOutput::standard(),
                           storeLanguage(settings::StorePaths::standard()));
    forms::QtClock clock;
    // Read after the application exists: the machine store may lie beside the executable.
    const settings::StorePaths stores = settings::StorePaths::standard();
    cli::LinkTarget target = cli::openLinkTarget(commandLine.link, clock, stores);
    return runCommand(commandLine, clock, *target.port, stores);
}

} // namespace qtx52::cli
