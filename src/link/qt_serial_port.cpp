#include "link/qt_serial_port.h"

#include <QFileInfo>
#include <QSerialPort>

namespace qtx52::link {

namespace {

QSerialPort::Parity toQt(char parity) {
    switch (parity) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    default:
        return QSerialPort::NoParity;
    }
}

} // namespace

QtSerialCommPort::QtSerialCommPort(PortMap map)
    : map_(std::move(map)), port_(std::make_unique<QSerialPort>()) {
    LineSettings::parse(settingsText_, &line_);
}

QtSerialCommPort::~QtSerialCommPort() = default;

CommError QtSerialCommPort::setCommPort(int number) {
    if (number < 1 || number > 255)
        return {commerr::InvalidPortNumber, QStringLiteral("invalid port number %1").arg(number)};
    number_ = number;
    return {};
}

CommError QtSerialCommPort::setSettings(const QString& settings) {
    LineSettings parsed;
    if (!LineSettings::parse(settings, &parsed))
        return {commerr::SettingsRejected, QStringLiteral("invalid settings \"%1\"").arg(settings)};
    settingsText_ = settings;
    line_ = parsed;
    // On an open port the new settings are tried at once; a device that refuses them (a
    // pseudo-terminal refuses parity and 7 data bits) gets them again at the next open.
    if (port_->isOpen())
        applySettings();
    return {};
}

bool QtSerialCommPort::applySettings() {
    bool ok = port_->setBaudRate(line_.baud);
    ok = port_->setDataBits(QSerialPort::DataBits(line_.dataBits)) && ok;
    ok = port_->setParity(toQt(line_.parity)) && ok;
    ok =
        port_->setStopBits(line_.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) && ok;
    port_->clearError();
    return ok;
}

bool QtSerialCommPort::portOpen() const {
    return port_->isOpen();
}

CommError QtSerialCommPort::setPortOpen(bool open) {
    if (!open) {
        if (port_->isOpen())
            port_->close();
        return {};
    }
    if (port_->isOpen())
        return {};
    const QString dev = device();
    if (dev.isEmpty())
        return {commerr::InvalidPortNumber,
                QStringLiteral("no serial device for COM%1").arg(number_)};
    port_->setPortName(dev);
    applySettings();
    if (port_->open(QIODevice::ReadWrite)) {
        applySettings();
        return {};
    }
    QSerialPort::SerialPortError err = port_->error();
    if (err == QSerialPort::UnsupportedOperationError) {
        // The device refuses the line settings (a pseudo-terminal may refuse parity or 7 data
        // bits). Bytes still pass, so open it as it is; the wanted settings stay remembered and
        // are tried again at the next open.
        port_->clearError();
        port_->setBaudRate(line_.baud);
        port_->setDataBits(QSerialPort::Data8);
        port_->setParity(QSerialPort::NoParity);
        port_->setStopBits(QSerialPort::OneStop);
        if (port_->open(QIODevice::ReadWrite))
            return {};
        err = port_->error();
    }
    const QString why = port_->errorString();
    port_->clearError();
    switch (err) {
    case QSerialPort::DeviceNotFoundError:
        return {commerr::InvalidPortNumber, QStringLiteral("%1: no such device").arg(dev)};
    case QSerialPort::PermissionError: {
        const QFileInfo info(dev);
        if (info.exists() && (!info.isReadable() || !info.isWritable()))
            return {commerr::HardwareUnavailable, QStringLiteral("%1: permission denied").arg(dev)};
        return {commerr::PortAlreadyOpen, QStringLiteral("%1: in use (%2)").arg(dev, why)};
    }
    case QSerialPort::OpenError:
        return {commerr::PortAlreadyOpen, QStringLiteral("%1: already open").arg(dev)};
    case QSerialPort::UnsupportedOperationError:
        return {commerr::SettingsRejected,
                QStringLiteral("%1: settings refused (%2)").arg(dev, why)};
    default:
        return {commerr::HardwareUnavailable, QStringLiteral("%1: %2").arg(dev, why)};
    }
}

CommError QtSerialCommPort::output(const QByteArray& frame) {
    if (!port_->isOpen())
        return {commerr::PortNotOpen, QStringLiteral("port not open")};
    if (port_->write(frame) != frame.size()) {
        const QString why = port_->errorString();
        port_->clearError();
        return {commerr::WriteFailed, QStringLiteral("%1: write failed (%2)").arg(device(), why)};
    }
    return {};
}

int QtSerialCommPort::inBufferCount() {
    if (!port_->isOpen())
        return 0;
    return int(port_->bytesAvailable());
}

QByteArray QtSerialCommPort::input() {
    if (!port_->isOpen())
        return {};
    return port_->readAll();
}

} // namespace qtx52::link
