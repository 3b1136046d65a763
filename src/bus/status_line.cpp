#include "bus/status_line.h"

#include "bus/bus_texts.h"
#include "forms/clock.h"

#include <QStringList>

namespace qtx52::bus {

QString countersText(const LinkStats& s, bool english, bool full) {
    const auto item = [english](BusText t, qint64 n) {
        return QStringLiteral("%1 %2").arg(busText(t, english)).arg(n);
    };
    QStringList parts{item(BusText::Requests, s.requests),
                      item(BusText::Repeats, s.repeats),
                      item(BusText::Taken, s.taken),
                      item(BusText::BadChecksum, s.badChecksum),
                      item(BusText::OtherStation, s.otherStation),
                      item(BusText::Unexpected, s.unexpected)};
    if (full)
        parts << item(BusText::Incomplete, s.incomplete);
    QString exceptions = item(BusText::Exceptions, s.exceptionTotal());
    if (full && s.exceptionTotal() > 0) {
        QStringList byCode;
        for (std::size_t code = 0; code < s.exceptions.size(); ++code)
            if (s.exceptions[code])
                byCode << QStringLiteral("%1: %2")
                              .arg(int(code), 2, 10, QLatin1Char('0'))
                              .arg(s.exceptions[code]);
        exceptions += QStringLiteral(" (") + byCode.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    parts << exceptions;
    if (s.gatewayNoAnswer > 0)
        parts << item(BusText::GatewayNoAnswer, s.gatewayNoAnswer);
    parts << item(BusText::Failures, s.failures);
    const QString response = busText(BusText::ResponseTime, english);
    if (s.responseCount > 0)
        parts << QStringLiteral("%1 %2/%3/%4 ms")
                     .arg(response)
                     .arg(*s.responseMin)
                     .arg(s.responseSum / s.responseCount)
                     .arg(*s.responseMax);
    else
        parts << response + QStringLiteral(" -");
    parts << busText(BusText::LineUse, english).arg(s.lineUseText());
    return parts.join(QStringLiteral(" | "));
}

StatusLine::StatusLine(forms::Clock& clock, const LinkStats& stats, link::LinkEvents& events,
                       std::function<bool()> english, bool full)
    : lbl_link_status(QStringLiteral("lbl_link_status"), -1, this), stats_(stats), events_(events),
      english_(std::move(english)), full_(full),
      hold_(clock.createTimer([this] { holdOver(); }, /*singleShot=*/true)) {
    events_.add(this);
    refresh();
}

StatusLine::~StatusLine() {
    events_.remove(this);
}

void StatusLine::refresh() {
    lbl_link_status.setCaption(countersText(stats_, english_ && english_(), full_));
}

void StatusLine::portOpened() {
    // The counters start again from nothing; the line says so at once.
    pending_ = false;
    refresh();
    hold_->start(kRefreshMs);
}

void StatusLine::changedNow() {
    if (hold_->isActive()) {
        pending_ = true;
        return;
    }
    refresh();
    hold_->start(kRefreshMs);
}

void StatusLine::holdOver() {
    if (!pending_)
        return;
    pending_ = false;
    refresh();
    hold_->start(kRefreshMs);
}

} // namespace qtx52::bus
