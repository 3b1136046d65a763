#include "sim/gateway.h"

#include "sim/rtuframing.h"
#include "sim/station.h"
#include "sim/wire.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace qtx52::sim {

namespace {

constexpr quint8 kBusy = 0x06;
constexpr quint8 kNoAnswer = 0x0B;

// An exception PDU: the function with its top bit set, and the code.
QByteArray exception(quint8 function, quint8 code) {
    QByteArray pdu;
    pdu.append(char(function | 0x80));
    pdu.append(char(code));
    return pdu;
}

quint16 be16(const QByteArray& b, int at) {
    return quint16(quint8(b[at]) << 8 | quint8(b[at + 1]));
}

qint64 wireMs(const link::LineSettings& line, qint64 characters) {
    return qint64(std::ceil(wireTimeMs(line, characters)));
}

} // namespace

QList<int> parseStationList(const QString& text) {
    QList<int> out;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        bool ok1 = false, ok2 = true;
        const int first = ends.value(0).toInt(&ok1);
        const int last = ends.size() == 2 ? ends[1].toInt(&ok2) : first;
        if (ends.size() > 2 || !ok1 || !ok2 || first < 1 || last > 63 || last < first)
            return {};
        for (int a = first; a <= last; ++a) {
            if (out.contains(a))
                return {};
            out.append(a);
        }
    }
    return out;
}

std::vector<std::unique_ptr<Station>> makeStations(forms::Clock& clock, const QList<int>& addresses,
                                                   bool vary) {
    std::vector<std::unique_ptr<Station>> out;
    for (int a : addresses) {
        auto s = std::make_unique<Station>(clock);
        s->setAddress(a);
        s->setFraming(Framing::Rtu);
        if (vary) {
            // Spread over what units in one building show: 5..400 ms, three firmware versions.
            RoomUnit& u = s->unit();
            u.setReg(reg::MinResponseTime, quint16(5 + (a * 37) % 396));
            u.setReg(reg::FirmwareVersion, quint16(u.reg(reg::FirmwareVersion) + a % 3));
            u.setReg(reg::LocationNumber, quint16(100 + a));
            u.setReg(reg::BaseSetpoint, quint16(190 + (a * 7) % 50));
        }
        out.push_back(std::move(s));
    }
    return out;
}

Gateway::Gateway(forms::Clock& clock, std::vector<Station*> stations, GatewayOptions options)
    : clock_(clock), stations_(std::move(stations)), options_(options) {
    for (Station* s : stations_)
        s->setLineSettings(options_.line);
    timer_ = clock_.createTimer([this] { finish(); });
}

Gateway::~Gateway() = default;

void Gateway::note(const QString& line) {
    if (log)
        log(line);
}

void Gateway::receive(const QByteArray& bytes) {
    in_ += bytes;
    while (in_.size() >= 7) {
        const int length = be16(in_, 4);
        if (be16(in_, 2) != 0 || length < 2 || length > 254) {
            note(QStringLiteral("gateway: not an MBAP frame, closing"));
            in_.clear();
            if (close)
                close();
            return;
        }
        if (in_.size() < 6 + length)
            return;
        const Request r{be16(in_, 0), quint8(in_[6]), in_.mid(7, length - 1)};
        in_.remove(0, 6 + length);
        if (options_.dropAfter >= 0 && taken_ >= options_.dropAfter) {
            note(QStringLiteral("gateway: dropping the connection"));
            in_.clear();
            if (close)
                close();
            return;
        }
        ++taken_;
        serve(r);
    }
}

void Gateway::serve(const Request& r) {
    const QByteArray busy = exception(quint8(r.pdu[0]), kBusy);
    if (options_.busyReplies > 0 || serving_) {
        if (options_.busyReplies > 0)
            --options_.busyReplies;
        ++busyAnswers_;
        note(QStringLiteral("gateway: unit %1 busy").arg(r.unit));
        // Answered at once, without touching the line.
        QByteArray out;
        out.append(char(options_.echoId ? r.id >> 8 : 0))
            .append(char(options_.echoId ? r.id & 0xFF : 0));
        out.append(2, '\0').append(char(0)).append(char(busy.size() + 1)).append(char(r.unit));
        if (send)
            send(out + busy);
        return;
    }
    serving_ = true;
    const QByteArray frame = rtu::encode(r.unit, r.pdu);
    const qint64 toLine = options_.delayMs + wireMs(options_.line, frame.size());
    for (Station* s : stations_) {
        const std::optional<Station::Reply> reply = s->answer(frame);
        if (!reply)
            continue;
        quint8 from = 0;
        QByteArray pdu;
        const qint64 onLine = reply->delayMs + wireMs(options_.line, reply->bytes.size());
        if (onLine <= options_.timeoutMs && rtu::decode(reply->bytes, &from, &pdu) &&
            from == r.unit) {
            answer(r, pdu, toLine + onLine + options_.delayMs);
            return;
        }
    }
    ++noAnswers_;
    note(QStringLiteral("gateway: no answer from unit %1").arg(r.unit));
    answer(r, exception(quint8(r.pdu[0]), kNoAnswer),
           toLine + options_.timeoutMs + options_.delayMs);
}

void Gateway::answer(const Request& r, const QByteArray& pdu, qint64 afterMs) {
    QByteArray out;
    const quint16 id = options_.echoId ? r.id : 0;
    out.append(char(id >> 8)).append(char(id & 0xFF)).append(2, '\0');
    out.append(char(0)).append(char(pdu.size() + 1)).append(char(r.unit));
    pending_ = out + pdu;
    serviceMs_ += std::max<qint64>(1, afterMs);
    timer_->start(std::max<qint64>(1, afterMs));
}

void Gateway::finish() {
    timer_->stop();
    serving_ = false;
    const QByteArray out = std::exchange(pending_, {});
    if (send && !out.isEmpty())
        send(out);
}

GatewayStreamPort::GatewayStreamPort(forms::Clock& clock, std::vector<Station*> stations,
                                     GatewayOptions options)
    : clock_(clock), stations_(std::move(stations)), options_(options) {}

GatewayStreamPort::~GatewayStreamPort() = default;

link::CommError GatewayStreamPort::setCommPort(int number) {
    number_ = number;
    return {};
}

link::CommError GatewayStreamPort::setSettings(const QString& settings) {
    settings_ = settings;
    return {};
}

void GatewayStreamPort::makeGateway() {
    gateway_ = std::make_unique<Gateway>(clock_, stations_, options_);
    gateway_->send = [this](const QByteArray& bytes) {
        if (open_)
            rx_ += bytes;
    };
    gateway_->close = [this] {
        if (!closing_)
            closing_ = clock_.createTimer([this] { lose(); });
        closing_->start(1);
    };
}

void GatewayStreamPort::lose() {
    closing_->stop();
    if (!open_)
        return;
    open_ = false;
    rx_.clear();
    link::CommError e{link::commerr::WriteFailed,
                      QStringLiteral("the gateway closed the connection"), link::CommCause::Lost,
                      QStringLiteral("simulated gateway")};
    reportLost(e);
}

link::CommError GatewayStreamPort::setPortOpen(bool open) {
    if (open && !open_) {
        // Each connection meets the gateway afresh; the stations keep what they hold.
        makeGateway();
        rx_.clear();
        if (closing_)
            closing_->stop();
    }
    open_ = open;
    if (!open)
        rx_.clear();
    return {};
}

link::CommError GatewayStreamPort::output(const QByteArray& frame) {
    if (!open_)
        return {link::commerr::PortNotOpen, QStringLiteral("port not open")};
    gateway_->receive(frame);
    return {};
}

QByteArray GatewayStreamPort::input() {
    return std::exchange(rx_, {});
}

} // namespace qtx52::sim
