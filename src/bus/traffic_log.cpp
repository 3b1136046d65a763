#include "bus/traffic_log.h"

#include "app/csv.h"

#include "forms/clock.h"

#include <QStringList>

#include <algorithm>

namespace qtx52::bus {

QString verdictWords(link::Verdict v) {
    using link::Verdict;
    switch (v) {
    case Verdict::Taken:
        return QStringLiteral("taken");
    case Verdict::Exception:
        return QStringLiteral("exception");
    case Verdict::BadChecksum:
        return QStringLiteral("dropped: checksum");
    case Verdict::OtherStation:
        return QStringLiteral("dropped: another station");
    case Verdict::NotTheAnswer:
        return QStringLiteral("dropped: not the answer to the request");
    case Verdict::Stale:
        return QStringLiteral("dropped: stale");
    case Verdict::Incomplete:
        return QStringLiteral("dropped: incomplete");
    case Verdict::Noise:
        return QStringLiteral("dropped: noise");
    case Verdict::WrongEcho:
        return QStringLiteral("dropped: wrong echo");
    case Verdict::AfterEcho:
        return QStringLiteral("dropped: after a wrong echo");
    case Verdict::NoEcho:
        return QStringLiteral("echo missing");
    }
    return {};
}

TrafficLog::TrafficLog(forms::Clock& clock, int capacity)
    : clock_(clock), capacity_(capacity < 1 ? 1 : capacity), startMs_(clock.nowMs()) {}

void TrafficLog::clear() {
    entries_.clear();
    dropped_ = 0;
}

void TrafficLog::portOpened() {
    startMs_ = clock_.nowMs();
    lastMs_ = -1;
}

void TrafficLog::frameSent(const link::SentFrame& f) {
    TrafficEntry e;
    e.direction = Direction::Out;
    e.bytes = f.bytes;
    e.attempt = f.attempt;
    e.transactionId = f.transactionId;
    e.framing = framing_ = f.framing;
    add(std::move(e));
}

void TrafficLog::frameReceived(const link::ReceivedFrame& f) {
    TrafficEntry e;
    e.direction = Direction::In;
    e.bytes = f.bytes;
    e.attempt = f.attempt;
    e.verdict = f.verdict;
    e.transactionId = f.transactionId;
    // An adapter's echo is read as the request it echoes.
    e.framing = f.framing.value_or(framing_);
    add(std::move(e), f.firstByteMs);
}

void TrafficLog::add(TrafficEntry e, qint64 atMs) {
    const qint64 now = clock_.nowMs();
    // The time the bytes came, not the time they were reported; never before the frame ahead.
    qint64 at = atMs >= 0 && atMs <= now ? atMs : now;
    if (lastMs_ >= 0)
        at = std::max(at, lastMs_);
    e.ms = at - startMs_;
    e.gapMs = lastMs_ < 0 ? 0 : at - lastMs_;
    lastMs_ = at;
    e.wall = QDateTime::currentDateTime().addMSecs(at - now);
    e.meaning = describeFrame(e.bytes, e.direction, e.framing);
    entries_.push_back(std::move(e));
    while (qsizetype(entries_.size()) > capacity_) {
        entries_.pop_front();
        ++dropped_;
    }
    if (onEntry)
        onEntry(entries_.back());
}

namespace {

QString shownBytes(const TrafficEntry& e) {
    QString hex = QString::fromLatin1(e.bytes.toHex(' ').toUpper());
    if (e.meaning.ascii) {
        QByteArray text = e.bytes;
        text.replace("\r", "\\r").replace("\n", "\\n");
        hex += QStringLiteral(" \"%1\"").arg(QString::fromLatin1(text));
    }
    return hex;
}

QString checksumWords(const FrameMeaning& m) {
    if (!m.whole)
        return QStringLiteral("no checksum");
    return m.checksumOk ? QStringLiteral("checksum ok") : QStringLiteral("checksum WRONG");
}

QString tryWords(const TrafficEntry& e) {
    if (e.attempt <= 0)
        return QStringLiteral("-");
    return e.attempt == 1 ? QStringLiteral("first")
                          : QStringLiteral("repeat %1").arg(e.attempt - 1);
}

} // namespace

QString TrafficLog::line(const TrafficEntry& e) {
    const bool out = e.direction == Direction::Out;
    QString s = QStringLiteral("%1 ms (+%2) %3 %4 | station %5, %6, %7")
                    .arg(e.ms, 8)
                    .arg(e.gapMs)
                    .arg(out ? QStringLiteral("->") : QStringLiteral("<-"))
                    .arg(shownBytes(e))
                    .arg(e.meaning.station)
                    .arg(e.meaning.text)
                    .arg(checksumWords(e.meaning));
    if (e.transactionId >= 0 && !e.bytes.isEmpty())
        s += QStringLiteral(" | MBAP transaction %1, unit %2")
                 .arg(e.transactionId)
                 .arg(quint8(e.bytes[0]));
    if (out)
        s += QStringLiteral(" | try %1").arg(tryWords(e));
    else
        s += QStringLiteral(" | %1, answered try %2").arg(verdictWords(e.verdict), tryWords(e));
    return s;
}

QString TrafficLog::csvHeader() {
    return QStringLiteral("time;ms;gap_ms;direction;bytes;station;meaning;checksum;verdict;try");
}

QString TrafficLog::csvLine(const TrafficEntry& e) {
    const bool out = e.direction == Direction::Out;
    return QStringList{e.wall.toString(Qt::ISODateWithMs),
                       QString::number(e.ms),
                       QString::number(e.gapMs),
                       out ? QStringLiteral("out") : QStringLiteral("in"),
                       QString::fromLatin1(e.bytes.toHex(' ').toUpper()),
                       QString::number(e.meaning.station),
                       app::csvField(e.meaning.text),
                       checksumWords(e.meaning),
                       out ? QString() : verdictWords(e.verdict),
                       tryWords(e)}
        .join(QLatin1Char(';'));
}

} // namespace qtx52::bus
