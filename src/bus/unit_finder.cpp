#include "bus/unit_finder.h"

#include "forms/clock.h"
#include "link/checksum.h"
#include "link/exchange.h"
#include "link/framing.h"
#include "link/transaction.h"
#include "link/wandeln.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace qtx52::bus {

namespace {

constexpr std::array<qint32, 4> kBauds{9600, 19200, 38400, 57600};
constexpr std::array<char, 3> kParities{'E', 'N', 'O'};
// Polling of the port while a probe waits; fine enough that a reply is seen within a few ms.
constexpr qint64 kPollMs = 2;
// The register a probe reads (Min-Response-Time) and the block the second read asks for: the
// device coding (0), the firmware (1) and register 6 again.
constexpr quint16 kProbeRegister = 6;
constexpr quint16 kDetailCount = 7;
// A unit that answered the probe but not its second read gets one more try.
constexpr int kDetailTries = 2;

// Characters of a read of `count` registers and of its reply.
int requestChars(bool ascii) {
    return ascii ? 1 + 2 * (6 + 1) + 2 : 6 + 2;
}
int replyChars(bool ascii, int count) {
    const int bytes = 3 + 2 * count;
    return ascii ? 1 + 2 * (bytes + 1) + 2 : bytes + 2;
}

QString readRequestHex(int station, quint16 start, quint16 count) {
    return link::LongToHexStr(station, 1) + QStringLiteral("03") + link::LongToHexStr(start, 2) +
           link::LongToHexStr(count, 2);
}

template <class T> bool passes(const QList<T>& allowed, T value) {
    return allowed.isEmpty() || allowed.contains(value);
}

// The first whole reply in `bytes` that answers the request, without its checksum.
std::optional<QByteArray> findReply(const QByteArray& bytes, bool ascii,
                                    const link::PendingRequest& request) {
    const int length = link::replyLength(request);
    if (ascii) {
        for (qsizetype from = bytes.indexOf(':'); from >= 0; from = bytes.indexOf(':', from + 1)) {
            const qsizetype end = bytes.indexOf("\r\n", from);
            if (end < 0)
                break;
            const QByteArray hex = bytes.mid(from + 1, end - from - 1);
            const QByteArray raw = QByteArray::fromHex(hex);
            if (hex.size() != 2 * (length + 1) || raw.toHex().toUpper() != hex.toUpper())
                continue;
            if (link::lrcMatches(raw) && link::answersRequest(raw.chopped(1), request))
                return raw.chopped(1);
        }
        return std::nullopt;
    }
    for (qsizetype from = 0; from + length + 2 <= bytes.size(); ++from) {
        const QByteArray frame = bytes.mid(from, length + 2);
        if (link::crcMatches(frame) && link::answersRequest(frame.chopped(2), request))
            return frame.chopped(2);
    }
    return std::nullopt;
}

int wordAt(const QByteArray& pdu, qsizetype at) {
    return quint8(pdu[at]) << 8 | quint8(pdu[at + 1]);
}

} // namespace

QString LineChoice::settingsText() const {
    return QStringLiteral("%1,%2,%3,1").arg(baud).arg(QLatin1Char(parity)).arg(ascii ? 7 : 8);
}

link::LineSettings LineChoice::lineSettings() const {
    link::LineSettings s;
    s.baud = baud;
    s.parity = parity;
    s.dataBits = ascii ? 7 : 8;
    s.stopBits = 1;
    return s;
}

QString LineChoice::describe() const {
    return QStringLiteral("%1 %2 %3").arg(modeText()).arg(baud).arg(QLatin1Char(parity));
}

QString FoundUnit::scanLine() const {
    const auto value = [](int v) { return v < 0 ? QStringLiteral("?") : QString::number(v); };
    return QStringLiteral("station=%1 mode=%2 baud=%3 parity=%4 coding=%5 firmware=%6 "
                          "response-time=%7")
        .arg(station)
        .arg(line.modeText())
        .arg(line.baud)
        .arg(QLatin1Char(line.parity))
        .arg(value(coding), value(firmware), value(responseTime));
}

QList<LineChoice> probeOrder(const std::optional<LineChoice>& current,
                             const LineNarrowing& narrowing) {
    QList<LineChoice> order;
    const auto add = [&](const LineChoice& c) {
        if (passes(narrowing.ascii, c.ascii) && passes(narrowing.bauds, c.baud) &&
            passes(narrowing.parities, c.parity) && !order.contains(c))
            order.append(c);
    };
    if (current)
        add(*current);
    add(LineChoice{false, 9600, 'E'});
    for (const bool ascii : {false, true})
        for (const qint32 baud : kBauds)
            for (const char parity : kParities)
                add(LineChoice{ascii, baud, parity});
    return order;
}

qint64 probeTimeMs(const LineChoice& line, qint64 probeTimeoutMs) {
    const double wire = link::lineTimeMs(line.lineSettings(), requestChars(line.ascii)) +
                        link::lineTimeMs(line.lineSettings(), replyChars(line.ascii, 1));
    return qint64(std::ceil(wire)) + std::max<qint64>(0, probeTimeoutMs);
}

UnitFinder::UnitFinder(forms::Clock& clock, link::CommPort& port)
    : clock_(clock), port_(port), pollTimer_(clock.createTimer([this] { poll(); })),
      deadline_(clock.createTimer([this] { timedOut(); }, /*singleShot=*/true)),
      holdTimer_(clock.createTimer(
          [this] {
              if (running_)
                  send(heldHex_, heldReplyChars_);
          },
          /*singleShot=*/true)) {}

UnitFinder::~UnitFinder() {
    if (running_) {
        onFinished = nullptr;
        cancel();
    }
    *alive_ = false;
}

UnitFinder::Refusal UnitFinder::start(const FinderOptions& options) {
    if (running_)
        return Refusal::PortOpen;
    if (port_.portOpen())
        return Refusal::PortOpen;
    const int first = std::max(1, options.firstStation);
    const int last = std::min(247, options.lastStation);
    if (options.lines.isEmpty() || first > last)
        return Refusal::NothingToProbe;
    options_ = options;
    options_.firstStation = first;
    options_.lastStation = last;
    options_.gateway = port_.throughGateway(port_.commPort());
    options_.deviceServer = !options_.gateway && port_.deviceServer(port_.commPort());
    if (options_.gateway) {
        LineChoice line = options_.lines.first();
        line.ascii = false;
        options_.lines = {line};
    } else if (options_.deviceServer) {
        // One setting per framing, in the order they came: the rest is the server's.
        QList<LineChoice> framings;
        for (const LineChoice& line : std::as_const(options_.lines))
            if (std::none_of(framings.begin(), framings.end(),
                             [&line](const LineChoice& l) { return l.ascii == line.ascii; }))
                framings.append(line);
        options_.lines = framings;
    }
    reportedOpen_ = false;
    found_.clear();
    portError_ = {};
    cancelled_ = false;
    running_ = true;
    lineIndex_ = -1;
    stationIndex_ = -1;
    progress_ = {};
    progress_.probesTotal = int(options_.lines.size()) * (last - first + 1);
    nextProbe();
    return Refusal::None;
}

void UnitFinder::cancel() {
    if (!running_)
        return;
    cancelled_ = true;
    finish();
}

void UnitFinder::nextProbe() {
    if (!running_)
        return;
    ++stationIndex_;
    if (lineIndex_ < 0 || stationIndex_ >= stations_.size()) {
        ++lineIndex_;
        stationIndex_ = 0;
        if (lineIndex_ >= options_.lines.size()) {
            finish();
            return;
        }
        stations_.clear();
        const int preferred = options_.preferredStation;
        const bool preferFirst = lineIndex_ == 0 && preferred >= options_.firstStation &&
                                 preferred <= options_.lastStation;
        if (preferFirst)
            stations_.append(preferred);
        for (int s = options_.firstStation; s <= options_.lastStation; ++s)
            if (!preferFirst || s != preferred)
                stations_.append(s);
        openAt(options_.lines[lineIndex_]);
        return;
    }
    probeStation();
}

void UnitFinder::probeStation() {
    const int station = stations_[stationIndex_];
    stage_ = Stage::Probe;
    candidate_ = FoundUnit{};
    candidate_.station = station;
    candidate_.line = options_.lines[lineIndex_];
    progress_.line = candidate_.line;
    progress_.station = station;
    updateProgress();
    expectedStation_ = station;
    expectedStart_ = kProbeRegister;
    expectedCount_ = 1;
    send(readRequestHex(station, kProbeRegister, 1), replyChars(candidate_.line.ascii, 1));
}

void UnitFinder::openAt(const LineChoice& line) {
    if (options_.deviceServer && opened_ && port_.portOpen()) {
        // The connection stays: a device server that takes one client at a time may not take
        // the next one yet, and the framing is the finder's own.
        port_.input();
        probeStation();
        return;
    }
    closePort();
    // Settings and input mode are given while the port is closed, as the main window does.
    if (const link::CommError e = port_.setSettings(line.settingsText())) {
        portError_ = e;
        finish();
        return;
    }
    port_.setInputMode(link::InputMode::Binary);
    // A line over the network connects in the event loop, which runs on meanwhile; a cancel
    // before then ends the attempt, and its outcome changes nothing.
    opening_ = true;
    const quint64 attempt = ++openAttempt_;
    port_.startOpen([this, attempt, alive = alive_](const link::CommError& e) {
        if (!*alive || !opening_ || attempt != openAttempt_ || !running_)
            return;
        opening_ = false;
        if (e) {
            portError_ = e;
            finish();
            return;
        }
        opened_ = true;
        port_.input(); // whatever waited belongs to no probe of ours
        if (events_ && !reportedOpen_)
            events_->portOpened();
        reportedOpen_ = true;
        // With fast reads a reply is taken as it arrives, not at the next poll.
        if (options_.fast)
            port_.setArrivalHandler([this] { poll(); });
        probeStation();
    });
}

void UnitFinder::send(const QString& requestHex, int replyCharCount) {
    const qint64 waitMs = quietAtMs_ - clock_.nowMs();
    if (waitMs > 0) {
        // The unit that just answered hears nothing until the line has been silent after its
        // reply: the next read goes out when it has, and only then.
        heldHex_ = requestHex;
        heldReplyChars_ = replyCharCount;
        holdTimer_->start(waitMs);
        return;
    }
    const LineChoice& line = options_.lines[lineIndex_];
    received_.clear();
    port_.input();
    const QByteArray frame = line.ascii ? link::frameAscii(requestHex) : link::frameRtu(requestHex);
    if (const link::CommError e = port_.output(frame)) {
        portError_ = e;
        finish();
        return;
    }
    const double requestMs = link::lineTimeMs(line.lineSettings(), requestChars(line.ascii));
    const double wire = requestMs + link::lineTimeMs(line.lineSettings(), replyCharCount);
    if (events_) {
        link::SentFrame sent;
        sent.bytes = frame;
        sent.attempt = stage_ == Stage::Details ? detailTries_ : 1;
        sent.lastByteMs = clock_.nowMs() + qint64(std::llround(requestMs));
        sent.framing = line.ascii ? link::Framing::Ascii : link::Framing::Rtu;
        events_->frameSent(sent);
    }
    const qint64 gatewayMs = options_.gateway ? port_.gatewayTimeoutMs(port_.commPort()) : 0;
    deadline_->start(qint64(std::ceil(wire)) + std::max<qint64>(0, options_.probeTimeoutMs) +
                     gatewayMs);
    pollTimer_->start(kPollMs);
}

bool UnitFinder::gatewayHadNoAnswer() const {
    // Station, function 03 | 0x80, code 0A or 0B and the CRC the gateway port put on.
    for (qsizetype at = 0; at + 5 <= received_.size(); ++at) {
        const QByteArray frame = received_.mid(at, 5);
        if (quint8(frame[0]) == expectedStation_ &&
            quint8(frame[1]) == (link::kReadHoldingRegisters | 0x80) &&
            link::isGatewayCode(quint8(frame[2])) && link::crcMatches(frame))
            return true;
    }
    return false;
}

void UnitFinder::poll() {
    if (!running_ || !port_.portOpen())
        return;
    if (port_.inBufferCount() <= 0)
        return;
    received_ += port_.input();
    quietAtMs_ =
        clock_.nowMs() +
        link::silentIntervalMs(link::lineTimeMs(options_.lines[lineIndex_].lineSettings(), 1));
    // Nothing a probe waits for is longer than this; a flood of noise is not kept.
    constexpr qsizetype kKeep = 512;
    if (received_.size() > kKeep)
        received_ = received_.right(kKeep);
    const link::PendingRequest request{quint8(expectedStation_), link::kReadHoldingRegisters,
                                       expectedStart_, expectedCount_};
    const bool ascii = options_.lines[lineIndex_].ascii;
    if (const std::optional<QByteArray> pdu = findReply(received_, ascii, request)) {
        if (events_) {
            link::ReceivedFrame taken;
            const QString hex = QString::fromLatin1(pdu->toHex()).toUpper();
            taken.bytes = ascii ? link::frameAscii(hex) : link::frameRtu(hex);
            taken.verdict = link::Verdict::Taken;
            taken.attempt = stage_ == Stage::Details ? detailTries_ : 1;
            taken.framing = ascii ? link::Framing::Ascii : link::Framing::Rtu;
            events_->frameReceived(taken);
        }
        replied(*pdu);
    } else if (options_.gateway && gatewayHadNoAnswer()) {
        // Nothing more will come for this probe: the next one goes out now, not at the deadline.
        received_.clear();
        deadline_->stop();
        timedOut();
    }
}

void UnitFinder::timedOut() {
    if (!running_)
        return;
    poll(); // what arrived just before the deadline still counts
    if (!running_ || deadline_->isActive() || holdTimer_->isActive())
        return;
    pollTimer_->stop();
    if (events_ && !received_.isEmpty()) {
        // Bytes that answered nothing: the trace and the counters see them as such.
        link::ReceivedFrame dropped;
        dropped.bytes = std::exchange(received_, QByteArray());
        dropped.verdict = link::Verdict::Noise;
        dropped.framing =
            options_.lines[lineIndex_].ascii ? link::Framing::Ascii : link::Framing::Rtu;
        events_->frameReceived(dropped);
    }
    if (stage_ == Stage::Details) {
        if (detailTries_ < kDetailTries) {
            ++detailTries_;
            send(readRequestHex(expectedStation_, 0, kDetailCount),
                 replyChars(candidate_.line.ascii, kDetailCount));
            return;
        }
        if (!options_.gateway) {
            reportFound(); // found, though its details stay unknown
            return;
        }
        // Behind a gateway only a unit that told who it is counts.
        nextProbe();
        return;
    }
    ++progress_.probesDone;
    nextProbe();
}

void UnitFinder::replied(const QByteArray& pdu) {
    deadline_->stop();
    pollTimer_->stop();
    if (stage_ == Stage::Probe) {
        ++progress_.probesDone;
        candidate_.responseTime = qint16(wordAt(pdu, 3));
        stage_ = Stage::Details;
        detailTries_ = 1;
        expectedStart_ = 0;
        expectedCount_ = kDetailCount;
        send(readRequestHex(expectedStation_, 0, kDetailCount),
             replyChars(candidate_.line.ascii, kDetailCount));
        return;
    }
    candidate_.coding = wordAt(pdu, 3);
    candidate_.firmware = wordAt(pdu, 5);
    candidate_.responseTime = qint16(wordAt(pdu, 3 + 2 * kProbeRegister));
    reportFound();
}

void UnitFinder::reportFound() {
    found_.append(candidate_);
    if (onFound)
        onFound(candidate_);
    if (!running_)
        return;
    if (!options_.findAll) {
        finish();
        return;
    }
    nextProbe();
}

void UnitFinder::updateProgress() {
    // Every probe still to come waits its full time, unless a unit answers.
    qint64 remaining = 0;
    int done = 0;
    for (int i = 0; i < options_.lines.size(); ++i) {
        const int stations = options_.lastStation - options_.firstStation + 1;
        const int left = i < lineIndex_ ? 0 : i == lineIndex_ ? stations - stationIndex_ : stations;
        done += stations - left;
        remaining += left * probeTimeMs(options_.lines[i], options_.probeTimeoutMs);
    }
    progress_.probesDone = done;
    progress_.remainingMs = remaining;
    if (onProgress)
        onProgress(progress_);
}

void UnitFinder::closePort() {
    if (opening_) {
        opening_ = false;
        ++openAttempt_;
        port_.setPortOpen(false);
    }
    if (opened_ && options_.fast)
        port_.setArrivalHandler({});
    if (opened_ && port_.portOpen())
        port_.setPortOpen(false);
    opened_ = false;
}

void UnitFinder::finish() {
    if (!running_)
        return;
    running_ = false;
    deadline_->stop();
    pollTimer_->stop();
    holdTimer_->stop();
    closePort();
    progress_.remainingMs = 0;
    if (onFinished)
        onFinished();
}

} // namespace qtx52::bus
