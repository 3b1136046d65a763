#include "link/qt_serial_port.h"

#include "link/mbap_port.h"
#include "link/tcp_port.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QTimer>

#include <sys/stat.h>
#include <sys/sysmacros.h>

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

// Devices this program holds open, by their resolved path: one device under two names (a by-id
// link and its ttyUSB name) is one device, and opening it twice would mix two conversations.
QSet<QString>& devicesInUse() {
    static QSet<QString> inUse;
    return inUse;
}

CommError openError(int number, CommCause cause, const QString& dev, const QString& detail,
                    const QString& reason) {
    CommError e{number, reason};
    e.cause = cause;
    e.device = dev;
    e.detail = detail;
    return e;
}

} // namespace

QtSerialCommPort::QtSerialCommPort(PortMap map, std::function<PortMap()> rebuild)
    : map_(std::move(map)), rebuild_(std::move(rebuild)), port_(std::make_unique<QSerialPort>()) {
    LineSettings::parse(settingsText_, &line_);
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError e) { onSerialError(int(e)); });
    QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(),
                     [this] { reportArrival(); });
}

QtSerialCommPort::~QtSerialCommPort() {
    if (port_->isOpen()) {
        devicesInUse().remove(openDevice_);
        port_->close();
    }
}

QString QtSerialCommPort::resolveDevice(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

bool QtSerialCommPort::isPseudoTerminal(const QString& path) {
    const QString dev = resolveDevice(path);
    if (dev.startsWith(QLatin1String("/dev/pts/")))
        return true;
    struct stat st {};
    if (::stat(QFile::encodeName(dev).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    // Unix98 pty slaves have the major numbers 136..143.
    const unsigned int m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

QString QtSerialCommPort::byIdNameOf(const QString& device, const QString& byIdFolder) {
    const QString target = resolveDevice(device);
    const QDir dir(byIdFolder);
    for (const QFileInfo& link : dir.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        if (link.isSymLink() && resolveDevice(link.absoluteFilePath()) == target &&
            link.absoluteFilePath() != target)
            return link.fileName();
    }
    return {};
}

QString QtSerialCommPort::describePort(int number) const {
    const QString dev = map_.deviceFor(number);
    if (dev.isEmpty() || TcpCommPort::isTcpAddress(dev))
        return dev;
    // A by-id name says which adapter it is; the ttyUSB name is what the system logs show.
    const QString resolved = resolveDevice(dev);
    const QString resolvedName = resolved.section(QLatin1Char('/'), -1);
    QString byId = dev.startsWith(byIdFolder_ + QLatin1Char('/'))
                       ? dev.section(QLatin1Char('/'), -1)
                       : byIdNameOf(resolved, byIdFolder_);
    if (!byId.isEmpty())
        return QStringLiteral("%1 (%2)").arg(byId, resolvedName);
    if (resolved != dev)
        return QStringLiteral("%1 (%2)").arg(dev, resolvedName);
    return dev;
}

void QtSerialCommPort::rescanDevices() {
    if (rebuild_)
        map_ = rebuild_();
}

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
    if (tcp_)
        tcp_->setSettings(settings);
    if (gatewayTcp_)
        gatewayTcp_->setSettings(settings);
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
    return net_ ? net_->portOpen() : port_->isOpen();
}

CommError QtSerialCommPort::setPortOpen(bool open) {
    if (!open) {
        if (net_) {
            net_->setPortOpen(false);
            net_ = nullptr;
        }
        if (port_->isOpen()) {
            devicesInUse().remove(openDevice_);
            openDevice_.clear();
            port_->close();
        }
        return {};
    }
    if (portOpen())
        return {};
    // An adapter plugged in since the last look is found, and one that went is no longer offered.
    rescanDevices();
    const QString dev = device();
    if (dev.isEmpty())
        return openError(commerr::InvalidPortNumber, CommCause::NoDevice, QString(), QString(),
                         QStringLiteral("no serial device for COM%1").arg(number_));
    if (TcpCommPort::isTcpAddress(dev)) {
        CommPort& line = networkLine(dev);
        const CommError e = line.setPortOpen(true);
        net_ = e ? nullptr : &line;
        return e;
    }
    return openSerial(dev);
}

void QtSerialCommPort::startOpen(OpenDone done) {
    if (portOpen()) {
        done({});
        return;
    }
    rescanDevices();
    const QString dev = device();
    if (!TcpCommPort::isTcpAddress(dev)) {
        done(setPortOpen(true));
        return;
    }
    CommPort& line = networkLine(dev);
    net_ = &line; // closing before the outcome ends the attempt
    line.startOpen([this, &line, done = std::move(done)](const CommError& e) {
        net_ = e ? nullptr : &line;
        done(e);
    });
}

CommPort& QtSerialCommPort::networkLine(const QString& dev) {
    const bool gateway = TcpCommPort::isMbapAddress(dev);
    std::unique_ptr<TcpCommPort>& tcp = gateway ? gatewayTcp_ : tcp_;
    if (!tcp) {
        tcp = std::make_unique<TcpCommPort>();
        auto lost = [this](const CommError& why) {
            net_ = nullptr;
            reportLost(why);
        };
        if (gateway) {
            // The gateway port hears the connection's loss first and passes it on.
            mbap_ = std::make_unique<MbapPort>(*tcp);
            mbap_->setLinkObserver(gatewayObserver_);
            mbap_->setLostHandler(lost);
            mbap_->setArrivalHandler([this] { reportArrival(); });
        } else {
            tcp->setLostHandler(lost);
            tcp->setArrivalHandler([this] { reportArrival(); });
        }
    }
    tcp->setAddress(dev);
    tcp->setSettings(settingsText_);
    tcp->setInputMode(inputMode_);
    if (!gateway)
        return *tcp;
    mbap_->setAnyId(map_.anyIdFor(number_));
    mbap_->setGatewayTimeoutMs(gatewayTimeoutMs(number_));
    return *mbap_;
}

void QtSerialCommPort::setLinkObserver(LinkObserver* observer) {
    gatewayObserver_ = observer;
    if (mbap_)
        mbap_->setLinkObserver(observer);
}

int QtSerialCommPort::sentTransactionId() const {
    return net_ ? net_->sentTransactionId() : -1;
}

int QtSerialCommPort::receivedTransactionId() const {
    return net_ ? net_->receivedTransactionId() : -1;
}

bool QtSerialCommPort::throughGateway(int number) const {
    return TcpCommPort::isMbapAddress(map_.deviceFor(number));
}

bool QtSerialCommPort::deviceServer(int number) const {
    const QString dev = map_.deviceFor(number);
    return TcpCommPort::isTcpAddress(dev) && !TcpCommPort::isMbapAddress(dev);
}

int QtSerialCommPort::gatewayTimeoutMs(int number) const {
    if (!throughGateway(number))
        return 0;
    const int stored = map_.gatewayTimeoutFor(number);
    return stored >= 0 ? stored : gatewayTimeoutMs_;
}

CommError QtSerialCommPort::openSerial(const QString& given) {
    const QString dev = resolveDevice(given);
    if (!QFileInfo::exists(dev))
        return openError(commerr::InvalidPortNumber, CommCause::NoDevice, given, QString(),
                         QStringLiteral("%1: no such device").arg(given));
    if (devicesInUse().contains(dev))
        return openError(commerr::PortAlreadyOpen, CommCause::InUse, given,
                         QStringLiteral("already open in this program as %1").arg(dev),
                         QStringLiteral("%1: already open (%2)").arg(given, dev));
    lossPending_ = false;
    port_->setPortName(dev);
    applySettings();
    bool opened = port_->open(QIODevice::ReadWrite);
    QSerialPort::SerialPortError err = opened ? QSerialPort::NoError : port_->error();
    if (!opened && err == QSerialPort::UnsupportedOperationError && isPseudoTerminal(dev)) {
        // A pseudo-terminal refuses 7 data bits and parity but passes every byte as it is: open
        // it as 8N1. The wanted settings stay remembered and are tried again at the next open.
        port_->clearError();
        port_->setBaudRate(line_.baud);
        port_->setDataBits(QSerialPort::Data8);
        port_->setParity(QSerialPort::NoParity);
        port_->setStopBits(QSerialPort::OneStop);
        opened = port_->open(QIODevice::ReadWrite);
        err = opened ? QSerialPort::NoError : port_->error();
    }
    if (opened) {
        if (!applySettings() && !isPseudoTerminal(dev)) {
            // A real adapter that takes the open but not the settings would talk at the wrong
            // framing without a word.
            const QString why = port_->errorString();
            port_->close();
            return openError(commerr::SettingsRejected, CommCause::SettingsRefused, given,
                             QStringLiteral("%1: %2").arg(settingsText_, why),
                             QStringLiteral("%1: settings %2 refused").arg(given, settingsText_));
        }
        openDevice_ = dev;
        devicesInUse().insert(dev);
        return {};
    }
    const QString why = port_->errorString();
    port_->clearError();
    switch (err) {
    case QSerialPort::DeviceNotFoundError:
        return openError(commerr::InvalidPortNumber, CommCause::NoDevice, given, why,
                         QStringLiteral("%1: no such device").arg(given));
    case QSerialPort::PermissionError: {
        const QFileInfo info(dev);
        if (info.exists() && (!info.isReadable() || !info.isWritable())) {
            CommError e = openError(commerr::HardwareUnavailable, CommCause::PermissionDenied,
                                    given, why, QStringLiteral("%1: permission denied").arg(given));
            e.group = info.group();
            return e;
        }
        return openError(commerr::PortAlreadyOpen, CommCause::InUse, given, why,
                         QStringLiteral("%1: in use (%2)").arg(given, why));
    }
    case QSerialPort::OpenError:
        return openError(commerr::PortAlreadyOpen, CommCause::InUse, given, why,
                         QStringLiteral("%1: already open").arg(given));
    case QSerialPort::UnsupportedOperationError:
        return openError(
            commerr::SettingsRejected, CommCause::SettingsRefused, given,
            QStringLiteral("%1: %2").arg(settingsText_, why),
            QStringLiteral("%1: settings %2 refused (%3)").arg(given, settingsText_, why));
    default:
        return openError(commerr::HardwareUnavailable, CommCause::Other, given, why,
                         QStringLiteral("%1: %2").arg(given, why));
    }
}

void QtSerialCommPort::onSerialError(int error) {
    switch (QSerialPort::SerialPortError(error)) {
    case QSerialPort::ResourceError: // adapter pulled, line hung up
    case QSerialPort::ReadError:     // the device answers reads with errors or end of file
    case QSerialPort::WriteError:
        break;
    default:
        return;
    }
    if (!port_->isOpen() || lossPending_)
        return;
    // A dead descriptor stays readable for ever: as long as it is open, its notifier wakes the
    // event loop again and again. It is closed as soon as the port's own signal has returned
    // (closing from inside it would pull the notifier from under its own delivery).
    lossPending_ = true;
    QTimer::singleShot(0, port_.get(), [this] { serialLost(); });
}

void QtSerialCommPort::serialLost() {
    if (!lossPending_)
        return;
    lossPending_ = false;
    if (!port_->isOpen())
        return;
    const QString why = port_->errorString();
    const QString dev = device();
    devicesInUse().remove(openDevice_);
    openDevice_.clear();
    port_->close();
    port_->clearError();
    CommError e{commerr::WriteFailed, QStringLiteral("%1: device lost (%2)").arg(dev, why)};
    e.cause = CommCause::Lost;
    e.device = dev;
    e.detail = why;
    reportLost(e);
}

CommError QtSerialCommPort::output(const QByteArray& frame) {
    if (net_)
        return net_->output(frame);
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
    if (net_)
        return net_->inBufferCount();
    if (!port_->isOpen())
        return 0;
    return int(port_->bytesAvailable());
}

QByteArray QtSerialCommPort::input() {
    if (net_)
        return net_->input();
    if (!port_->isOpen())
        return {};
    return port_->readAll();
}

} // namespace qtx52::link
