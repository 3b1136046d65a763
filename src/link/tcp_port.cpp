#include "link/tcp_port.h"

#include "link/mbap.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <optional>

namespace qtx52::link {

TcpCommPort::TcpCommPort(QString address)
    : address_(std::move(address)), socket_(std::make_unique<QTcpSocket>()),
      bound_(std::make_unique<QTimer>()), retry_(std::make_unique<QTimer>()) {
    bound_->setSingleShot(true);
    QObject::connect(bound_.get(), &QTimer::timeout, socket_.get(), [this] {
        finishOpen(refused_.isEmpty()
                       ? QStringLiteral("no connection within %1 ms").arg(connectTimeoutMs_)
                       : refused_,
                   refused_.isEmpty() ? ConnectFault::NoAnswer : ConnectFault::Refused);
    });
    retry_->setSingleShot(true);
    QObject::connect(retry_.get(), &QTimer::timeout, socket_.get(), [this] {
        if (!pending_)
            return;
        socket_->abort();
        socket_->connectToHost(host_, tcpPort_);
    });
    QObject::connect(socket_.get(), &QTcpSocket::connected, socket_.get(),
                     [this] { finishOpen({}); });
    // Told by the event loop: the server closed the connection or the network failed. Both end
    // the line for good; the socket is left closed, so nothing keeps waking the program.
    QObject::connect(socket_.get(), &QTcpSocket::disconnected, socket_.get(), [this] {
        connectionLost(QStringLiteral("the server closed the connection"));
    });
    QObject::connect(socket_.get(), &QTcpSocket::errorOccurred, socket_.get(),
                     [this](QAbstractSocket::SocketError error) {
                         if (open_) {
                             connectionLost(socket_->errorString());
                         } else if (pending_) {
                             if (error == QAbstractSocket::ConnectionRefusedError &&
                                 bound_->remainingTime() > kRetryMs) {
                                 refused_ = socket_->errorString();
                                 retry_->start(kRetryMs);
                                 return;
                             }
                             finishOpen(socket_->errorString(),
                                        error == QAbstractSocket::HostNotFoundError
                                            ? ConnectFault::HostNotFound
                                        : error == QAbstractSocket::ConnectionRefusedError
                                            ? ConnectFault::Refused
                                            : ConnectFault::Other);
                         }
                     });
    QObject::connect(socket_.get(), &QTcpSocket::readyRead, socket_.get(), [this] {
        if (open_)
            reportArrival();
    });
}

TcpCommPort::~TcpCommPort() {
    open_ = false;
    pending_ = nullptr;
    // No loss report while going away.
    socket_->disconnect();
    socket_->abort();
}

bool TcpCommPort::parseAddress(const QString& text, QString* host, quint16* port) {
    if (!isTcpAddress(text))
        return false;
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const int given = url.port(isMbapAddress(text) ? mbap::kDefaultPort : -1);
    if (!url.isValid() || url.host().isEmpty() || given <= 0 || !url.userInfo().isEmpty() ||
        !(url.path().isEmpty() || url.path() == QLatin1String("/")) || url.hasQuery() ||
        url.hasFragment())
        return false;
    *host = url.host();
    *port = quint16(given);
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
        if (pending_)
            finishOpen(QStringLiteral("closed before the connection was made"));
        bound_->stop();
        socket_->abort();
        return {};
    }
    if (open_)
        return {};
    // The windowless commands wait here; the event loop runs on, so the bound's timer and the
    // socket's own events end the wait.
    QEventLoop loop;
    std::optional<CommError> outcome;
    startOpen([&](const CommError& e) {
        outcome = e;
        loop.quit();
    });
    if (!outcome)
        loop.exec();
    return outcome.value_or(CommError{});
}

void TcpCommPort::startOpen(OpenDone done) {
    if (open_) {
        done({});
        return;
    }
    if (!parseAddress(address_, &host_, &tcpPort_)) {
        CommError e{commerr::InvalidPortNumber,
                    QStringLiteral("%1: not a line address (tcp://HOST:PORT or mbap://HOST[:PORT])")
                        .arg(address_)};
        e.cause = CommCause::NoDevice;
        e.device = address_;
        done(e);
        return;
    }
    pending_ = nullptr;
    socket_->abort();
    refused_.clear();
    pending_ = std::move(done);
    // The bound runs from here, so a host lookup that hangs is inside it: a server that does not
    // answer costs the technician a few seconds, never more, and the window stays responsive.
    bound_->start(connectTimeoutMs_);
    socket_->connectToHost(host_, tcpPort_);
}

void TcpCommPort::finishOpen(const QString& failure, ConnectFault fault) {
    bound_->stop();
    retry_->stop();
    if (!pending_)
        return;
    OpenDone done = std::move(pending_);
    pending_ = nullptr;
    if (failure.isEmpty() && socket_->state() == QAbstractSocket::ConnectedState) {
        // Frames are short and paced by the link; send each at once.
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        open_ = true;
        done({});
        return;
    }
    const QString why = failure.isEmpty() ? socket_->errorString() : failure;
    socket_->abort();
    CommError e{commerr::HardwareUnavailable,
                QStringLiteral("%1 port %2: %3").arg(host_).arg(tcpPort_).arg(why)};
    e.cause = CommCause::ConnectFailed;
    e.device = QStringLiteral("%1:%2").arg(host_).arg(tcpPort_);
    e.detail = why;
    e.fault = fault;
    e.boundMs = connectTimeoutMs_;
    done(e);
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
