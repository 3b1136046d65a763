// A building's commissioning in virtual time on simulated lines behind gateways:
//  - 8 lines x 32 units: the run's time against the busiest line's own floor, the sum of its
//    units' times as each unit took them (identity read-out, write, read-back);
//  - 64 lines x 63 units: the process's peak resident memory (run to the end);
//  - one line of 32 units against 32 separate --write runs, each a program of its own.
// Sheets are left out: their time is measured apart (qtx52-bench-trend).

#include "cli/runner.h"
#include "commission/run.h"
#include "commission/sim_building.h"
#include "forms/clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <map>

using namespace qtx52;

namespace {

// The sample set with its location number (register 4) set, so that every unit is written.
QByteArray sampleSet(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    for (const auto& [at, text] :
         {std::pair{65, QByteArray(" 1 ")}, std::pair{18, QByteArray("7")}}) {
        QList<QByteArray> pieces = lines[at - 1].split(';');
        pieces[2] = text + "\r";
        lines[at - 1] = pieces.join(';');
    }
    return lines.join('\n');
}

struct Building {
    int lines;
    int units;
};

struct Outcome {
    qint64 runMs = 0;
    qint64 floorMs = 0; // the busiest line's sum of unit times
    int verified = 0;
    int total = 0;
    double cpuS = 0;
};

QByteArray planOf(const Building& b) {
    QByteArray plan = "line;station;room;set\n";
    for (int l = 0; l < b.lines; ++l)
        for (int u = 1; u <= b.units; ++u)
            plan += QStringLiteral("sim:l%1;%2;R%1-%2;set.txt\n").arg(l).arg(u).toUtf8();
    return plan;
}

Outcome runBuilding(const Building& b, const QTemporaryDir& dir) {
    forms::ManualClock clock;
    const settings::StorePaths stores{dir.filePath("m.ini"), dir.filePath("u.ini")};
    QFile plan(dir.filePath(QStringLiteral("plan-%1x%2.csv").arg(b.lines).arg(b.units)));
    plan.open(QIODevice::WriteOnly);
    plan.write(planOf(b));
    plan.close();
    commission::Building building(clock);
    QList<int> stations;
    for (int u = 1; u <= b.units; ++u)
        stations << u;
    for (int l = 0; l < b.lines; ++l)
        building.addStations(QStringLiteral("sim:l%1").arg(l), stations);
    commission::RunOptions options;
    options.sheets = false;
    commission::Run run(clock, stores, building.maker(), options);
    const commission::Plan p = commission::readPlan(plan.fileName(), ",", "1031");
    QElapsedTimer cpu;
    cpu.start();
    const qint64 t0 = clock.nowMs();
    run.start(p, dir.filePath(QStringLiteral("out-%1x%2").arg(b.lines).arg(b.units)));
    clock.advanceUntil([&run] { return run.finished(); }, 24 * 3600 * 1000LL);
    Outcome o;
    o.runMs = clock.nowMs() - t0;
    o.cpuS = cpu.elapsed() / 1000.0;
    std::map<QString, qint64> perLine;
    for (const commission::UnitRecord& r : run.records()) {
        perLine[r.line] += r.durationMs;
        o.verified += r.result == commission::Result::Verified;
        ++o.total;
    }
    for (const auto& [line, ms] : perLine)
        o.floorMs = std::max(o.floorMs, ms);
    return o;
}

// The same units one --write run each, one after another on the one line.
qint64 separateWrites(int units, const QTemporaryDir& dir, int* verified) {
    forms::ManualClock clock;
    const settings::StorePaths stores{dir.filePath("m.ini"), dir.filePath("u.ini")};
    commission::Building building(clock);
    QList<int> stations;
    for (int u = 1; u <= units; ++u)
        stations << u;
    building.addStations(QStringLiteral("sim:w"), stations);
    const std::unique_ptr<commission::LinePort> line = building.maker()(QStringLiteral("sim:w"));
    const cli::CommandOutput quiet{[](const QString&) {}, [](const QString&) {}};
    const qint64 t0 = clock.nowMs();
    *verified = 0;
    for (int u = 1; u <= units; ++u) {
        const cli::CommandLine cl =
            cli::parseCommandLine({"qtx52-config", "--write", dir.filePath("set.txt"), "--address",
                                   QString::number(u), "--quiet"});
        cli::CommandRunner runner(cl, clock, line->port(), stores, quiet);
        runner.start();
        clock.advanceUntil([&runner] { return runner.finished(); }, 3600 * 1000);
        *verified += runner.exitCode() == 0;
        clock.advance(1); // the next run starts from its own tick
    }
    return clock.nowMs() - t0;
}

long maxRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString sample =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QStringLiteral(QTX52_SOURCE_DIR "/tests/files/data/parameters_de.txt");
    QTemporaryDir dir;
    QFile set(dir.filePath("set.txt"));
    const QByteArray bytes = sampleSet(sample);
    if (bytes.isEmpty() || !set.open(QIODevice::WriteOnly) || set.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot read the sample set %s\n", qPrintable(sample));
        return 1;
    }
    set.close();
    // The sample writes its numbers with ",", as the stores here say.
    QFile user(dir.filePath("u.ini"));
    user.open(QIODevice::WriteOnly);
    user.write("[Control Panel\\International]\n\"sDecimal\"=\",\"\n");
    user.close();

    const Outcome o = runBuilding({8, 32}, dir);
    std::printf("8 lines x 32 units: run %.1f s, busiest line's floor %.1f s, over it %+.2f %% "
                "(target within 5 %%); %d/%d verified; %.1f s CPU\n",
                o.runMs / 1000.0, o.floorMs / 1000.0,
                o.floorMs > 0 ? 100.0 * double(o.runMs - o.floorMs) / double(o.floorMs) : 0.0,
                o.verified, o.total, o.cpuS);

    int writesVerified = 0;
    const qint64 separate = separateWrites(32, dir, &writesVerified);
    const Outcome one = runBuilding({1, 32}, dir);
    std::printf("1 line x 32 units: run %.1f s (%d/%d verified) against 32 separate --write runs "
                "%.1f s (%d verified): %.2f of their time\n",
                one.runMs / 1000.0, one.verified, one.total, separate / 1000.0, writesVerified,
                separate > 0 ? double(one.runMs) / double(separate) : 0.0);

    const long before = maxRssKb();
    const Outcome big = runBuilding({64, 63}, dir);
    std::printf("64 lines x 63 units: peak resident memory %.1f MB (%.1f MB before the run; target "
                "under 150 MB); run %.1f s virtual, %d/%d verified, %.1f s CPU\n",
                maxRssKb() / 1024.0, before / 1024.0, big.runMs / 1000.0, big.verified, big.total,
                big.cpuS);
    return 0;
}
