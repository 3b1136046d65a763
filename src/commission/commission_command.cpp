#include "commission/commission_command.h"

#include "cli/stop_signals.h"
#include "commission/line_ports.h"
#include "forms/clock.h"
#include "settings/registry.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>

#include <cstdio>
#include <map>
#include <memory>

namespace qtx52::commission {

namespace {

constexpr qint64 kProgressEveryMs = 5000;

void printLine(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

struct Texts {
    app::Language language;
    QString t(const char* de, const char* en) const {
        return QString::fromUtf8(app::pick(language, de, en));
    }
};

} // namespace

int runCommission(const cli::CommandLine& cl) {
    std::unique_ptr<QCoreApplication> application;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "qtx52-config";
        static char* argv[] = {name, nullptr};
        // The sheets are laid out with Qt's text document, which needs the fonts of a GUI
        // application; without a display it runs on the offscreen platform.
        if (!cl.dryRun && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (cl.dryRun)
            application = std::make_unique<QCoreApplication>(argc, argv);
        else
            application = std::make_unique<QGuiApplication>(argc, argv);
    }
    // Read after the application exists: the machine store may lie beside the executable.
    const settings::StorePaths stores = settings::StorePaths::standard();
    settings::CRegistry registry(stores);
    const QString languageId =
        registry.MachineSetting(settings::kProductKey, QStringLiteral("Language"));
    QString separator = registry.Werte(settings::kInternationalKey, QStringLiteral("sDecimal"));
    if (separator.isEmpty())
        separator = QStringLiteral(",");
    const Texts tx{cli::languageOf(languageId)};
    const bool english = tx.language == app::Language::English;

    const Plan plan = readPlan(cl.file, separator, languageId);
    if (!plan.ok()) {
        for (const PlanProblem& problem : plan.problems)
            printLine(cl.file + QStringLiteral(": ") + problemText(problem, tx.language));
        printLine(tx.t("Nichts gesendet: der Plan lässt sich so nicht ausführen.",
                       "Nothing was sent: the plan cannot be run as it stands."));
        return kExitPlan;
    }

    forms::QtClock clock;
    LinePorts ports(clock, stores, cl.link, cl.link.simulate);
    ports.prepare(plan);
    RunOptions options;
    options.dryRun = cl.dryRun;
    options.again = cl.again;
    Run run(clock, stores, ports.maker(), options);
    QEventLoop loop;
    run.say = [](const QString& text) { printLine(text); };
    run.onUnit = [&tx, english, quiet = cl.quiet](const UnitRecord& r) {
        if (quiet)
            return;
        QString line = tx.t("%1 (%2, Station %3): %4", "%1 (%2, station %3): %4")
                           .arg(r.room, r.line)
                           .arg(r.station)
                           .arg(resultText(r.result, english));
        if (!r.reason.isEmpty())
            line += QStringLiteral(" – ") + r.reason;
        for (const QString& difference : r.differences)
            line += QStringLiteral("\n  ") + difference;
        printLine(line);
    };
    run.onFinished = [&loop] { loop.quit(); };

    const qint64 startMs = clock.nowMs();
    const int total = int(plan.units.size());
    const auto progressLine = [&] {
        const int done = int(run.records().size()) + run.skipped();
        const qint64 elapsedMs = clock.nowMs() - startMs;
        QString line = tx.t("%1/%2 Geräte fertig nach %3 s", "%1/%2 units done after %3 s")
                           .arg(done)
                           .arg(total)
                           .arg(elapsedMs / 1000);
        if (!run.records().empty() && done < total) {
            const qint64 perUnit = elapsedMs / qint64(run.records().size());
            line += tx.t(", noch etwa %1 s", ", about %1 s left")
                        .arg((perUnit * (total - done) + 999) / 1000);
        }
        printLine(line);
    };
    std::unique_ptr<forms::ClockTimer> progress;
    if (cl.progress) {
        progress = clock.createTimer(progressLine);
        progress->start(kProgressEveryMs);
    }
    cli::StopSignals stop([&](int) {
        printLine(tx.t("Abbruch: die Geräte in Arbeit werden fertig geschrieben und geprüft, "
                       "die übrigen nicht begonnen.",
                       "Stopping: the units being written finish their write and read-back, the "
                       "others are not begun."));
        run.cancel();
    });

    if (run.start(plan, cl.out) && !run.finished())
        loop.exec();
    progress.reset();

    std::map<int, int> counts;
    for (const UnitRecord& r : run.records())
        ++counts[int(r.result)];
    QStringList parts;
    for (const auto& [result, count] : counts)
        parts << QStringLiteral("%1 %2").arg(count).arg(resultText(Result(result), english));
    if (run.skipped() > 0)
        parts << tx.t("%1 schon früher fertig", "%1 done before").arg(run.skipped());
    printLine(
        tx.t("%1 Geräte: %2", "%1 units: %2").arg(total).arg(parts.join(QStringLiteral(", "))));
    if (!run.buildingSheet().isEmpty())
        printLine(tx.t("Gebäudeprotokoll: %1", "Building sheet: %1").arg(run.buildingSheet()));
    return run.exitCode();
}

} // namespace qtx52::commission
