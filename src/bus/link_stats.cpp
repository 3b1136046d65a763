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

QString LinkStats::summary() const {
    QStringList parts{QStringLiteral("requests %1").arg(requests),
                      QStringLiteral("repeats %1").arg(repeats),
                      QStringLiteral("taken %1").arg(taken),
                      QStringLiteral("bad checksum %1").arg(badChecksum),
                      QStringLiteral("other station %1").arg(otherStation),
                      QStringLiteral("unexpected %1").arg(unexpected),
                      QStringLiteral("incomplete %1").arg(incomplete)};
    QStringList ex;
    for (int code = 0; code < int(exceptions.size()); ++code)
        if (exceptions[std::size_t(code)])
            ex << QStringLiteral("%1x%2")
                      .arg(code, 2, 10, QLatin1Char('0'))
                      .arg(exceptions[std::size_t(code)]);
    parts << QStringLiteral("exceptions %1")
                 .arg(ex.isEmpty() ? QStringLiteral("0") : ex.join(QLatin1Char(' ')));
    if (gatewayNoAnswer)
        parts << QStringLiteral("gateway no answer %1").arg(gatewayNoAnswer);
    parts << QStringLiteral("failures %1").arg(failures);
    if (responseCount)
        parts << QStringLiteral("response ms min %1 / mean %2 / max %3")
                     .arg(*responseMin)
                     .arg(responseSum / responseCount)
                     .arg(*responseMax);
    parts << QStringLiteral("line use %1").arg(lineUseText());
    return parts.join(QStringLiteral(", "));
}

} // namespace qtx52::bus
