#include "link/tcp_port.h"

#include <QTcpSocket>
#include <QUrl>

namespace qtx52::link {

TcpCommPort::TcpCommPort(QString address)
    : address_(std::move(address)), socket_(std::make_unique<QTcpSocket>()) {
    // Told by the event loop: the server closed the connection or the network failed. Both end
    // the line for good; the socket is left closed, so nothing keeps waking the program.
    QObject::connect(socket_.get(), &QTcpSocket::disconnected, socket_.get(), [this] {
        connectionLost(QStringLiteral("the server closed the connection"));
    });
    QObject::connect(socket_.get(), &QTcpSocket::errorOccurred, socket_.get(),
                     [this](QAbstractSocket::SocketError) {
                         if (open_)
                             connectionLost(socket_->errorString());
                     });
    QObject::connect(socket_.get(), &QTcpSocket::readyRead, socket_.get(), [this] {
        if (open_)
            reportArrival();
    });
}

TcpCommPort::~TcpCommPort() {
    open_ = false;
    // No loss report while going away.
    socket_->disconnect();
    socket_->abort();
}

bool TcpCommPort::parseAddress(const QString& text, QString* host, quint16* port) {
    if (!isTcpAddress(text))
        return false;
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.port() <= 0 || !url.userInfo().isEmpty() ||
        !(url.path().isEmpty() || url.path() == QLatin1String("/")) || url.hasQuery() ||
        url.hasFragment())
        return false;
    *host = url.host();
    *port = quint16(url.port());
    return true;
}

CommError TcpCommPort::setCommPort(int number) {
    number_ = number;
    return {};
}

CommError TcpCommPort::setSettings(const QString& settings) {
    LineSettings parsed;
    if (!LineSettings::parse(settings, &parsed))
        return {commerr::SettingsRejected, QStringLiteral("invalid settings \"%1\"").arg(settings)};
    settingsText_ = settings;
    return {};
}

CommError TcpCommPort::setPortOpen(bool open) {
    if (!open) {
        open_ = false;
        socket_->abort();
        return {};
    }
    if (open_)
        return {};
    QString host;
    quint16 port = 0;
    if (!parseAddress(address_, &host, &port)) {
        CommError e{commerr::InvalidPortNumber,
                    QStringLiteral("%1: not a line address (tcp://HOST:PORT)").arg(address_)};
        e.cause = CommCause::NoDevice;
        e.device = address_;
        return e;
    }
    socket_->abort();
    socket_->connectToHost(host, port);
    // Bounded: a server that does not answer costs the window a few seconds, never more.
    if (!socket_->waitForConnected(connectTimeoutMs_)) {
        const bool timedOut = socket_->error() == QAbstractSocket::SocketTimeoutError ||
                              socket_->state() != QAbstractSocket::UnconnectedState;
        const QString why =
            timedOut ? QStringLiteral("no connection within %1 ms").arg(connectTimeoutMs_)
                     : socket_->errorString();
        socket_->abort();
        CommError e{commerr::HardwareUnavailable,
                    QStringLiteral("%1 port %2: %3").arg(host).arg(port).arg(why)};
        e.cause = CommCause::ConnectFailed;
        e.device = QStringLiteral("%1:%2").arg(host).arg(port);
        e.detail = why;
        return e;
    }
    // Frames are short and paced by the link; send each at once.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    open_ = true;
    return {};
}

void TcpCommPort::connectionLost(const QString& why) {
    if (!open_)
        return;
    open_ = false;
    CommError e{commerr::WriteFailed, QStringLiteral("%1: %2").arg(address_, why)};
    e.cause = CommCause::Lost;
    e.device = address_;
    e.detail = why;
    reportLost(e);
}

CommError TcpCommPort::output(const QByteArray& frame) {
    if (!open_)
        return {commerr::PortNotOpen, QStringLiteral("port not open")};
    if (socket_->write(frame) != frame.size()) {
        CommError e{commerr::WriteFailed,
                    QStringLiteral("%1: write failed (%2)").arg(address_, socket_->errorString())};
        e.device = address_;
        e.detail = socket_->errorString();
        return e;
    }
    return {};
}

int TcpCommPort::inBufferCount() {
    return open_ ? int(socket_->bytesAvailable()) : 0;
}

QByteArray TcpCommPort::input() {
    return open_ ? socket_->readAll() : QByteArray();
}

} // namespace qtx52::link
