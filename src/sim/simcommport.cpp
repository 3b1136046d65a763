#include "sim/simcommport.h"

#include <utility>

namespace qtx52::sim {

using link::CommError;

SimCommPort::SimCommPort(forms::Clock& clock, Station& station)
    : clock_(&clock), line_(clock, station) {
    line_.setReceiver([this](const QByteArray& bytes) {
        if (open_ && !gone_) {
            inBuffer_.append(bytes);
            reportArrival();
        }
    });
}

CommError SimCommPort::setCommPort(int number) {
    pendingPort_ = number;
    return {};
}

CommError SimCommPort::setSettings(const QString& settings) {
    link::LineSettings parsed;
    if (!link::LineSettings::parse(settings, &parsed))
        return {link::commerr::SettingsRejected,
                QStringLiteral("Settings \"%1\" are not valid.").arg(settings)};
    pendingSettings_ = parsed;
    return {};
}

CommError SimCommPort::setPortOpen(bool open) {
    if (!open) {
        open_ = false;
        line_.cancel();
        inBuffer_.clear();
        return {};
    }
    if (open_)
        return {};
    if (gone_)
        return goneError_;
    if (pendingPort_ < FirstPort || pendingPort_ > LastPort)
        return {link::commerr::InvalidPortNumber,
                QStringLiteral("There is no COM%1 on this computer.").arg(pendingPort_)};
    active_ = pendingSettings_;
    activePort_ = pendingPort_;
    inBuffer_.clear();
    open_ = true;
    if (openObserver_)
        openObserver_(active_);
    return {};
}

CommError SimCommPort::output(const QByteArray& frame) {
    if (!open_)
        return {link::commerr::PortNotOpen, QStringLiteral("The port is not open.")};
    if (gone_)
        return {link::commerr::WriteFailed,
                QStringLiteral("COM%1 has been removed.").arg(activePort_)};
    sent_.append(Sent{clock_->nowMs(), frame});
    line_.transmit(frame, active_);
    return {};
}

QByteArray SimCommPort::input() {
    if (!open_)
        return {};
    return std::exchange(inBuffer_, QByteArray());
}

void SimCommPort::setPortGone(bool gone, CommError error) {
    gone_ = gone;
    if (!gone)
        return;
    goneError_ = error ? error
                       : CommError{link::commerr::HardwareUnavailable,
                                   QStringLiteral("The serial adapter is not available.")};
    line_.cancel();
}

} // namespace qtx52::sim

namespace qtx52::sim {

void SimCommPort::loseDevice() {
    const bool wasOpen = open_;
    setPortGone(true);
    if (!wasOpen)
        return;
    setPortOpen(false);
    CommError why{link::commerr::WriteFailed,
                  QStringLiteral("COM%1 has been removed.").arg(activePort_)};
    why.cause = link::CommCause::Lost;
    why.device = describePort(activePort_);
    why.detail = QStringLiteral("the serial adapter was removed");
    reportLost(why);
}

} // namespace qtx52::sim
