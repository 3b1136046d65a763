#include "sim/devicerunner.h"

#include "sim/station.h"
#include "sim/wire.h"

#include <QIODevice>
#include <QSerialPort>

#include <algorithm>
#include <cmath>

namespace qtx52::sim {

namespace {

// A partial frame that sees no further byte for this long is given up. Far longer than the
// 3.5 characters of RTU silence, because a pseudo-terminal and the scheduler add gaps of their own.
constexpr qint64 SilenceMs = 100;

QSerialPort::Parity parityOf(char p) {
    switch (p) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    default:
        return QSerialPort::NoParity;
    }
}

} // namespace

bool openSerialDevice(QSerialPort& port, const QString& path, const link::LineSettings& settings,
                      QStringList* warnings, QString* error) {
    port.setPortName(path);
    if (!port.open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, port.errorString());
        return false;
    }
    if (!port.setBaudRate(settings.baud)) {
        *error = QStringLiteral("%1 refuses %2 baud: %3")
                     .arg(path)
                     .arg(settings.baud)
                     .arg(port.errorString());
        port.close();
        return false;
    }
    if (!port.setParity(parityOf(settings.parity)))
        warnings->append(QStringLiteral("%1 refuses parity %2 (%3); going on without it")
                             .arg(path, QChar::fromLatin1(settings.parity), port.errorString()));
    if (!port.setDataBits(QSerialPort::DataBits(settings.dataBits)))
        warnings->append(QStringLiteral("%1 refuses %2 data bits (%3); going on with %4")
                             .arg(path)
                             .arg(settings.dataBits)
                             .arg(port.errorString())
                             .arg(int(port.dataBits())));
    if (!port.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop))
        warnings->append(QStringLiteral("%1 refuses %2 stop bits (%3)")
                             .arg(path)
                             .arg(settings.stopBits)
                             .arg(port.errorString()));
    port.setFlowControl(QSerialPort::NoFlowControl);
    port.clearError();
    return true;
}

DeviceRunner::DeviceRunner(forms::Clock& clock, Station& station, QIODevice& device,
                           QObject* parent)
    : DeviceRunner(clock, std::vector<Station*>{&station}, device, parent) {}

DeviceRunner::DeviceRunner(forms::Clock& clock, std::vector<Station*> stations, QIODevice& device,
                           QObject* parent)
    : QObject(parent), clock_(&clock), station_(stations.front()), stations_(std::move(stations)),
      device_(&device) {
    silence_ = clock.createTimer(
        [this] {
            const int partial = ascii() ? asciiFramer_.pending() : rtuFramer_.pending();
            if (partial == 0)
                return;
            rtuFramer_.reset();
            asciiFramer_.reset();
            log(QStringLiteral("-- dropped %1 bytes of an unfinished frame").arg(partial));
        },
        /*singleShot=*/true);
    sendTimer_ = clock.createTimer([this] { sendDue(); }, /*singleShot=*/true);
    connect(device_, &QIODevice::readyRead, this, &DeviceRunner::readAvailable);
}

DeviceRunner::~DeviceRunner() = default;

bool DeviceRunner::ascii() const {
    return station_->framing() == Framing::Ascii;
}

QString DeviceRunner::describe(const QByteArray& frame, bool ascii) {
    if (ascii) {
        QByteArray text = frame;
        while (text.endsWith('\n') || text.endsWith('\r'))
            text.chop(1);
        return QString::fromLatin1(text);
    }
    return QString::fromLatin1(frame.toHex(' ').toUpper());
}

void DeviceRunner::log(const QString& line) {
    if (logger_)
        logger_(line);
}

void DeviceRunner::readAvailable() {
    const QByteArray bytes = device_->readAll();
    if (bytes.isEmpty())
        return;
    if (echo_)
        device_->write(bytes);
    const QList<QByteArray> frames = ascii() ? asciiFramer_.feed(bytes) : rtuFramer_.feed(bytes);
    for (const QByteArray& frame : frames)
        handle(frame);
    silence_->start(SilenceMs);
}

void DeviceRunner::handle(const QByteArray& frame) {
    log(QStringLiteral("rx %1").arg(describe(frame, ascii())));
    // Every station hears the frame (a broadcast reaches each); the one it addresses answers.
    QString why;
    std::optional<Station::Reply> reply;
    for (Station* station : stations_) {
        QString its;
        reply = station->answer(frame, &its);
        if (reply)
            break;
        if (why.isEmpty())
            why = its;
    }
    if (!reply) {
        log(QStringLiteral("-- no reply: %1").arg(why));
        return;
    }
    // The pieces go out as the line would carry them: each starts when the one before it is
    // through.
    const link::LineSettings& line = station_->lineSettings();
    const qint64 start = clock_->nowMs() + reply->delayMs;
    QList<int> cuts;
    for (int at : reply->splits)
        if (at > 0 && at < reply->bytes.size())
            cuts.append(at);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    cuts.append(int(reply->bytes.size()));
    int from = 0;
    for (int to : cuts) {
        Piece piece;
        piece.dueMs = start + qint64(std::ceil(wireTimeMs(line, from)));
        piece.bytes = reply->bytes.sliced(from, to - from);
        if (to == reply->bytes.size())
            piece.wholeReply = reply->bytes;
        queue_.append(piece);
        from = to;
    }
    // A late reply may still be waiting when a later request's reply falls due.
    std::stable_sort(queue_.begin(), queue_.end(),
                     [](const Piece& a, const Piece& b) { return a.dueMs < b.dueMs; });
    armSend();
}

void DeviceRunner::sendDue() {
    const qint64 now = clock_->nowMs();
    while (!queue_.isEmpty() && queue_.front().dueMs <= now) {
        const Piece piece = queue_.takeFirst();
        device_->write(piece.bytes);
        if (!piece.wholeReply.isEmpty())
            log(QStringLiteral("tx %1").arg(describe(piece.wholeReply, ascii())));
    }
    armSend();
}

void DeviceRunner::armSend() {
    if (queue_.isEmpty()) {
        sendTimer_->stop();
        return;
    }
    const qint64 wait = queue_.front().dueMs - clock_->nowMs();
    if (wait <= 0) {
        // A timer of 0 ms would never fire: send at once.
        sendDue();
        return;
    }
    sendTimer_->start(wait);
}

} // namespace qtx52::sim
