#pragma once

// A serial port for tests: it remembers what the program sets and writes, hands over the bytes a
// test puts in, and fails on request. It follows the desktop port's rules: port numbers 1..255,
// settings texts as LineSettings parses them, opening an open port or closing a closed one is
// accepted without effect, writing needs an open port.

#include "link/commport.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace qtx52::testing {

class FakePort : public link::CommPort {
public:
    FakePort() = default;

    // link::CommPort
    int commPort() const override { return commPort_; }
    link::CommError setCommPort(int number) override;
    QString settings() const override { return settings_; }
    link::CommError setSettings(const QString& settings) override;
    link::InputMode inputMode() const override { return inputMode_; }
    void setInputMode(link::InputMode mode) override { inputMode_ = mode; }
    bool portOpen() const override { return open_; }
    link::CommError setPortOpen(bool open) override;
    link::CommError output(const QByteArray& frame) override;
    int inBufferCount() override { return int(received_.size()); }
    QByteArray input() override;

    // Opening fails with this error number until cleared (0 clears it); the port stays closed.
    void failOpenWith(int errorNumber, const QString& reason = QString());
    // Writing fails with this error number until cleared (0 clears it); nothing is recorded.
    void failOutputWith(int errorNumber, const QString& reason = QString());

    // Bytes that arrive from the unit: waiting at once for the next input().
    void receive(const QByteArray& bytes) { received_ += bytes; }
    // Bytes that arrive after the next successful output, one queued answer per frame written.
    void queueReply(const QByteArray& bytes) { replies_.append(bytes); }
    // Answers every written frame for which no reply is queued: the returned bytes arrive
    // at once (nothing arrives for an empty result). Suits a simulated unit.
    std::function<QByteArray(const QByteArray& frame)> responder;

    // Every frame written, in order.
    const QList<QByteArray>& outputs() const { return outputs_; }
    QByteArray lastOutput() const { return outputs_.isEmpty() ? QByteArray() : outputs_.last(); }
    // Returns the frames written so far and forgets them.
    QList<QByteArray> takeOutputs();
    // Successful openings so far.
    int openCount() const { return openCount_; }
    // Every settings text accepted, in order.
    const QList<QString>& settingsHistory() const { return settingsHistory_; }

private:
    struct Failure {
        int number;
        QString reason;
    };
    static link::CommError error(const Failure& f) { return {f.number, f.reason}; }

    int commPort_ = 1;
    QString settings_ = QStringLiteral("9600,N,8,1");
    link::InputMode inputMode_ = link::InputMode::Text;
    bool open_ = false;
    std::optional<Failure> openFailure_;
    std::optional<Failure> outputFailure_;
    QByteArray received_;
    QList<QByteArray> replies_;
    QList<QByteArray> outputs_;
    QList<QString> settingsHistory_;
    int openCount_ = 0;
};

} // namespace qtx52::testing
