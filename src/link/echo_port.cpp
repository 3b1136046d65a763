#include "link/echo_port.h"

#include "link/link_events.h"

#include <utility>

namespace qtx52::link {

EchoPort::EchoPort(CommPort& inner, std::function<bool(int)> echoFor)
    : inner_(inner), echoFor_(std::move(echoFor)) {
    // The device's loss reaches the program through this port, which is the one it holds.
    inner_.setLostHandler([this](const CommError& why) {
        // The device closed itself: what was awaited or held goes with it.
        expected_.clear();
        echo_.clear();
        mismatch_ = false;
        discarding_ = false;
        ready_.clear();
        reportLost(why);
    });
    inner_.setArrivalHandler([this] { reportArrival(); });
}

CommError EchoPort::setPortOpen(bool open) {
    const bool wasOpen = inner_.portOpen();
    const CommError error = inner_.setPortOpen(open);
    opened(wasOpen);
    return error;
}

void EchoPort::startOpen(OpenDone done) {
    const bool wasOpen = inner_.portOpen();
    inner_.startOpen([this, wasOpen, done = std::move(done)](const CommError& error) {
        opened(wasOpen);
        done(error);
    });
}

void EchoPort::opened(bool wasOpen) {
    if (!wasOpen && inner_.portOpen())
        echoing_ = echoFor_ && echoFor_(inner_.commPort());
    if (!inner_.portOpen()) {
        // Closing drops every byte not yet read, the awaited echo with them.
        expected_.clear();
        echo_.clear();
        mismatch_ = false;
        discarding_ = false;
        ready_.clear();
    }
}

CommError EchoPort::output(const QByteArray& frame) {
    if (echoing_ && inner_.portOpen()) {
        // Whatever was still under way belongs to the request before: its reply, now late, is
        // the reply path's to judge; an echo cut short is reported.
        take();
        endEcho();
        discarding_ = false;
    }
    const CommError error = inner_.output(frame);
    if (!error && echoing_)
        expected_ = frame;
    return error;
}

int EchoPort::inBufferCount() {
    if (!echoing_)
        return inner_.inBufferCount();
    take();
    return int(ready_.size());
}

QByteArray EchoPort::input() {
    if (!echoing_)
        return inner_.input();
    take();
    return std::exchange(ready_, QByteArray());
}

void EchoPort::take() {
    if (inner_.inBufferCount() <= 0)
        return;
    const QByteArray bytes = inner_.input();
    qsizetype at = 0;
    while (at < bytes.size() && !expected_.isEmpty()) {
        const qsizetype want = expected_.size() - echo_.size();
        const QByteArray part = bytes.mid(at, want);
        if (!mismatch_ && part != expected_.mid(echo_.size(), part.size()))
            mismatch_ = true;
        echo_ += part;
        at += part.size();
        if (echo_.size() == expected_.size())
            endEcho();
    }
    if (at >= bytes.size())
        return;
    if (!discarding_)
        ready_ += bytes.mid(at);
    else
        report(bytes.mid(at), Verdict::AfterEcho);
}

void EchoPort::endEcho() {
    if (expected_.isEmpty())
        return;
    if (mismatch_ || (!echo_.isEmpty() && echo_.size() < expected_.size()))
        reportWrongEcho();
    else if (echo_.isEmpty())
        report({}, Verdict::NoEcho); // the next frame goes out: this one's echo never came
    expected_.clear();
    echo_.clear();
    mismatch_ = false;
}

void EchoPort::reportWrongEcho() {
    discarding_ = true;
    report(echo_, Verdict::WrongEcho);
}

void EchoPort::report(const QByteArray& bytes, Verdict verdict) {
    if (!observer_)
        return;
    ReceivedFrame f;
    f.bytes = bytes;
    f.verdict = verdict;
    observer_->frameReceived(f);
}

} // namespace qtx52::link
