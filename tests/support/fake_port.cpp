#include "support/fake_port.h"

namespace qtx52::testing {

link::CommError FakePort::setCommPort(int number) {
    if (number < 1 || number > 255)
        return {link::commerr::InvalidPortNumber,
                QStringLiteral("invalid port number %1").arg(number)};
    commPort_ = number;
    return {};
}

link::CommError FakePort::setSettings(const QString& settings) {
    link::LineSettings parsed;
    if (!link::LineSettings::parse(settings, &parsed))
        return {link::commerr::SettingsRejected,
                QStringLiteral("invalid settings \"%1\"").arg(settings)};
    settings_ = settings;
    settingsHistory_.append(settings);
    return {};
}

link::CommError FakePort::setPortOpen(bool open) {
    if (open == open_)
        return {};
    if (open && openFailure_)
        return error(*openFailure_);
    open_ = open;
    if (open)
        ++openCount_;
    else
        received_.clear(); // closing drops what was waiting, as a real port does
    return {};
}

link::CommError FakePort::output(const QByteArray& frame) {
    if (!open_)
        return {link::commerr::PortNotOpen, QStringLiteral("port not open")};
    if (outputFailure_)
        return error(*outputFailure_);
    outputs_.append(frame);
    if (!replies_.isEmpty())
        received_ += replies_.takeFirst();
    else if (responder)
        received_ += responder(frame);
    return {};
}

QByteArray FakePort::input() {
    QByteArray out;
    out.swap(received_);
    return out;
}

void FakePort::failOpenWith(int errorNumber, const QString& reason) {
    if (errorNumber == 0)
        openFailure_.reset();
    else
        openFailure_ = Failure{
            errorNumber,
            reason.isEmpty() ? QStringLiteral("open failed (%1)").arg(errorNumber) : reason};
}

void FakePort::failOutputWith(int errorNumber, const QString& reason) {
    if (errorNumber == 0)
        outputFailure_.reset();
    else
        outputFailure_ = Failure{
            errorNumber,
            reason.isEmpty() ? QStringLiteral("write failed (%1)").arg(errorNumber) : reason};
}

QList<QByteArray> FakePort::takeOutputs() {
    QList<QByteArray> out;
    out.swap(outputs_);
    return out;
}

} // namespace qtx52::testing
