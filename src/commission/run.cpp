#include "commission/run.h"

#include "forms/clock.h"

#include <QHash>

namespace qtx52::commission {

struct Run::Line {
    std::unique_ptr<LinePort> port;
    std::unique_ptr<LineWorker> worker;
};

Run::Run(forms::Clock& clock, settings::StorePaths stores, PortMaker makePort, RunOptions options)
    : clock_(clock), stores_(std::move(stores)), makePort_(std::move(makePort)), options_(options) {
}

Run::~Run() {
    // The workers' programs go before the ports they talk through.
    for (auto& line : lines_)
        line->worker.reset();
}

bool Run::start(const Plan& plan, const QString& outDir) {
    startMs_ = clock_.nowMs();
    if (!plan.ok()) {
        // Nothing goes to any unit from a plan that cannot be run whole.
        planRefused_ = true;
        finished_ = true;
        return false;
    }
    QString error;
    if (!options_.dryRun && !store_.open(outDir, &error)) {
        if (say)
            say(QStringLiteral("cannot write the results: %1").arg(error));
        planRefused_ = true;
        finished_ = true;
        return false;
    }
    // The lines in the order the plan first names them, each with its units in plan order.
    std::vector<QString> order;
    QHash<QString, std::vector<PlanUnit>> byLine;
    for (const PlanUnit& unit : plan.units) {
        if (!byLine.contains(unit.line))
            order.push_back(unit.line);
        byLine[unit.line].push_back(unit);
    }
    total_ = int(plan.units.size());
    for (const QString& name : order) {
        auto line = std::make_unique<Line>();
        line->port = makePort_(name);
        std::vector<PlanUnit> units = byLine.value(name);
        if (!line->port) {
            // Nothing reaches this line: its units are recorded as on a lost line.
            for (const PlanUnit& unit : units) {
                UnitRecord r;
                r.time = QDateTime::currentDateTime();
                r.room = unit.room;
                r.line = unit.line;
                r.station = unit.station;
                r.set = unit.setFile;
                r.setSha256 = unit.set.sha256;
                r.result = Result::LineLost;
                r.reason = QStringLiteral("the line cannot be reached");
                records_.push_back(r);
                if (!options_.dryRun)
                    store_.record(r);
                if (onUnit)
                    onUnit(r);
            }
            continue;
        }
        line->worker =
            std::make_unique<LineWorker>(clock_, line->port->port(), stores_, std::move(units),
                                         options_, options_.dryRun ? nullptr : &store_);
        line->worker->onUnit = [this](const UnitRecord& r) {
            records_.push_back(r);
            if (onUnit)
                onUnit(r);
        };
        line->worker->onSkipped = [this](const PlanUnit&) { ++skipped_; };
        line->worker->onFinished = [this] { lineFinished(); };
        line->worker->say = [this, name](const QString& text) {
            if (say)
                say(name + QStringLiteral(": ") + text);
        };
        lines_.push_back(std::move(line));
    }
    for (auto& line : lines_)
        line->worker->start();
    lineFinished();
    return true;
}

void Run::cancel() {
    for (auto& line : lines_)
        if (line->worker)
            line->worker->cancel();
}

void Run::lineFinished() {
    if (finished_)
        return;
    for (const auto& line : lines_)
        if (!line->worker->finished())
            return;
    finished_ = true;
    if (onFinished)
        onFinished();
}

int Run::exitCode() const {
    // The most telling result wins: values that are wrong on a unit first.
    if (planRefused_)
        return kExitPlan;
    int code = kExitDone;
    const auto rank = [](int c) {
        switch (c) {
        case kExitDiffers:
            return 5;
        case kExitRefused:
            return 4;
        case kExitWrongUnit:
            return 3;
        case kExitNoAnswer:
            return 2;
        default:
            return 0;
        }
    };
    for (const UnitRecord& r : records_) {
        int c = kExitDone;
        switch (r.result) {
        case Result::Verified:
        case Result::Already:
            break;
        case Result::Differs:
            c = options_.dryRun ? kExitDone : kExitDiffers;
            break;
        case Result::Refused:
            c = kExitRefused;
            break;
        case Result::WrongUnit:
            c = kExitWrongUnit;
            break;
        case Result::NoAnswer:
        case Result::LineLost:
        case Result::Cancelled:
            c = kExitNoAnswer;
            break;
        }
        if (rank(c) > rank(code))
            code = c;
    }
    return code;
}

QString Run::summary() const {
    std::map<int, int> counts;
    for (const UnitRecord& r : records_)
        ++counts[int(r.result)];
    QStringList parts;
    for (const auto& [result, count] : counts)
        parts << QStringLiteral("%1 %2").arg(count).arg(resultWord(Result(result)));
    if (skipped_ > 0)
        parts << QStringLiteral("%1 done before").arg(skipped_);
    return QStringLiteral("%1 units: %2").arg(total_).arg(parts.join(QStringLiteral(", ")));
}

QString Run::progress() const {
    const int done = int(records_.size()) + skipped_;
    const qint64 elapsed = clock_.nowMs() - startMs_;
    QString left;
    if (!records_.empty() && done < total_) {
        // The lines run at once: the time left follows the rate of the whole run.
        const qint64 perUnit = elapsed / qint64(records_.size());
        left = QStringLiteral(", about %1 s left").arg((perUnit * (total_ - done) + 999) / 1000);
    }
    return QStringLiteral("%1/%2 units done after %3 s%4")
        .arg(done)
        .arg(total_)
        .arg(elapsed / 1000)
        .arg(left);
}

} // namespace qtx52::commission
