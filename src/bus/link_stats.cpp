#include "bus/link_stats.h"

#include "forms/clock.h"
#include "link/transaction.h"

#include <QStringList>

#include <algorithm>

namespace qtx52::bus {

LinkStats::LinkStats(forms::Clock& clock)
    : clock_(&clock), sinceMs_(clock.nowMs()), untilMs_(sinceMs_) {}

std::optional<double> LinkStats::lineUse() const {
    const qint64 elapsed = untilMs_ - sinceMs_;
    if (characterMs_ <= 0 || elapsed <= 0)
        return std::nullopt;
    return std::min(1.0, double(charactersOnLine) * characterMs_ / double(elapsed));
}

QString LinkStats::lineUseText() const {
    const std::optional<double> use = lineUse();
    return use ? QStringLiteral("%1 %").arg(qRound(*use * 100)) : QStringLiteral("-");
}

void LinkStats::reset() {
    *this = LinkStats(*clock_);
}

qint64 LinkStats::exceptionTotal() const {
    qint64 n = 0;
    for (qint64 e : exceptions)
        n += e;
    return n;
}

void LinkStats::frameSent(const link::SentFrame& f) {
    if (f.attempt <= 1)
        ++requests;
    else
        ++repeats;
    lastByteMs_ = f.lastByteMs >= 0 ? f.lastByteMs : clock_->nowMs();
    charactersOnLine += f.bytes.size();
    untilMs_ = clock_->nowMs();
    if (f.characterMs > 0)
        characterMs_ = f.characterMs;
    // Once a request has gone out again, a reply may answer any of its tries: the time from the
    // last one is no measure of the unit, so only replies to a single try are timed.
    timeable_ = f.attempt <= 1;
}

void LinkStats::frameReceived(const link::ReceivedFrame& f) {
    using link::Verdict;
    charactersOnLine += f.bytes.size();
    untilMs_ = clock_->nowMs();
    switch (f.verdict) {
    case Verdict::Taken:
        ++taken;
        if (timeable_ && lastByteMs_ >= 0) {
            timeable_ = false; // a second answer to the same try is no new measure
            const qint64 first = f.firstByteMs >= 0 ? f.firstByteMs : clock_->nowMs();
            const qint64 ms = std::max<qint64>(0, first - lastByteMs_);
            responseMin = responseMin ? std::min(*responseMin, ms) : ms;
            responseMax = responseMax ? std::max(*responseMax, ms) : ms;
            responseSum += ms;
            ++responseCount;
        }
        break;
    case Verdict::Exception:
        // A gateway saying it had no answer is no word of the unit's.
        if (link::isGatewayCode(f.exceptionCode))
            ++gatewayNoAnswer;
        else
            ++exceptions[f.exceptionCode];
        break;
    case Verdict::BadChecksum:
        ++badChecksum;
        break;
    case Verdict::OtherStation:
        ++otherStation;
        break;
    case Verdict::NotTheAnswer:
    case Verdict::Stale:
    case Verdict::WrongEcho:
    case Verdict::NoEcho:
        ++unexpected;
        break;
    case Verdict::AfterEcho:
    case Verdict::Incomplete:
    case Verdict::Noise:
        ++incomplete;
        break;
    }
}

} // namespace qtx52::bus
