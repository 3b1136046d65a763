// The desktop program: the configuration window on a real clock and a real (or simulated) port,
// or, with a command on the command line, a run without a window.

#include "app/program.h"
#include "cli/cli_texts.h"
#include "cli/command_line.h"
#include "cli/link_target.h"
#include "forms/clock.h"
#include "gui/gui_interaction.h"
#include "gui/main_window_view.h"
#include "gui/status_window_view.h"
#include "settings/store_paths.h"

#if __has_include("cli/runner.h")
#include "cli/runner.h"
#define QTX52_HAVE_CLI 1
#endif

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>

using namespace qtx52;

namespace {

void print(std::FILE* to, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), to);
    if (!text.endsWith(QLatin1Char('\n')))
        std::fputc('\n', to);
}

bool displayAvailable() {
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const cli::CommandLine cl = cli::parseCommandLine(arguments);

    if (!cl.error.isEmpty()) {
        // In the interface's language; the machine store may lie beside the executable, which
        // only the application object knows.
        QCoreApplication core(argc, argv);
        const app::Language language = cli::storeLanguage(settings::StorePaths::standard());
        print(stderr, QStringLiteral("qtx52-config: ") + cli::usageError(cl, language));
        print(stderr, cli::cliText(cli::CliText::UsageTryHelp, language));
        return 2;
    }
    switch (cl.command) {
    case cli::CommandLine::Command::Help:
        print(stdout, cl.helpText);
        return 0;
    case cli::CommandLine::Command::Version:
        print(stdout, QStringLiteral("qtx52-config 1.5"));
        return 0;
    case cli::CommandLine::Command::ReadOut:
    case cli::CommandLine::Command::Write:
    case cli::CommandLine::Command::Monitor:
    case cli::CommandLine::Command::Scan:
    case cli::CommandLine::Command::Diff:
#ifdef QTX52_HAVE_CLI
        return cli::runCommand(cl);
#else
        print(stderr, cli::cliText(cli::CliText::NoCliInBuild, app::Language::English));
        return 2;
#endif
    case cli::CommandLine::Command::Window:
        break;
    }

    if (!displayAvailable()) {
        QCoreApplication core(argc, argv);
        print(stderr, QStringLiteral("qtx52-config: ") +
                          cli::cliText(cli::CliText::NoDisplay,
                                       cli::storeLanguage(settings::StorePaths::standard())));
        return 1;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qtx52-config"));
    QApplication::setApplicationVersion(QStringLiteral("1.5"));

    forms::QtClock clock;
    cli::LinkTarget target = cli::openLinkTarget(cl.link, clock, settings::StorePaths::standard());
    gui::GuiInteraction ui;
    app::Program program(clock, *target.port, ui);
    // exit(), not quit(): Qt 6's quit() first asks every window to close, and the main window
    // leaves that to the program, so the quit would be cancelled.
    program.quit = [] { QCoreApplication::exit(0); };
    app::Main(program);
    if (program.quitRequested())
        return 0;

    gui::MainWindowView window(program);
    ui.setOwner(&window);
    window.show();
    return application.exec();
}
