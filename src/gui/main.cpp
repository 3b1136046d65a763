// The desktop program: the configuration window on a real clock and a real (or simulated) port,
// or, with a command on the command line, a run without a window.

#include "app/cli_texts.h"
#include "app/command_line.h"
#include "app/program.h"
#include "forms/clock.h"
#include "gui/gui_interaction.h"
#include "gui/main_window_view.h"
#include "gui/status_window_view.h"
#include "settings/store_paths.h"
#include "sim/link_target.h"

#if __has_include("app/cli.h")
#include "app/cli.h"
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
    const app::CommandLine cl = app::parseCommandLine(arguments);

    if (!cl.error.isEmpty()) {
        // In the interface's language; the machine store may lie beside the executable, which
        // only the application object knows.
        QCoreApplication core(argc, argv);
        const app::Language language = app::storeLanguage(settings::StorePaths::standard());
        print(stderr, QStringLiteral("qtx52-config: ") + app::usageError(cl, language));
        print(stderr, app::cliText(app::CliText::UsageTryHelp, language));
        return 2;
    }
    switch (cl.command) {
    case app::CommandLine::Command::Help:
        print(stdout, cl.helpText);
        return 0;
    case app::CommandLine::Command::Version:
        print(stdout, QStringLiteral("qtx52-config 1.5"));
        return 0;
    case app::CommandLine::Command::ReadOut:
    case app::CommandLine::Command::Write:
    case app::CommandLine::Command::Monitor:
    case app::CommandLine::Command::Scan:
#ifdef QTX52_HAVE_CLI
        return app::runCommand(cl);
#else
        print(stderr, app::cliText(app::CliText::NoCliInBuild, app::Language::English));
        return 2;
#endif
    case app::CommandLine::Command::Window:
        break;
    }

    if (!displayAvailable()) {
        QCoreApplication core(argc, argv);
        print(stderr, QStringLiteral("qtx52-config: ") +
                          app::cliText(app::CliText::NoDisplay,
                                       app::storeLanguage(settings::StorePaths::standard())));
        return 1;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qtx52-config"));
    QApplication::setApplicationVersion(QStringLiteral("1.5"));

    forms::QtClock clock;
    sim::LinkTarget target = sim::openLinkTarget(cl.link, clock, settings::StorePaths::standard());
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
