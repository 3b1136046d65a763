#pragma once

#include "link/commport.h"
#include "sim/wire.h"

#include <QByteArray>
#include <QList>

#include <functional>

namespace qtx52::sim {

class Station;

// The program's serial port with the simulated room unit behind it (the program's --simulate
// mode, and the program's tests on the manual clock). Every port number from 1 to 8 reaches the
// unit; the program's settings go on the line as they are, so a mismatch with the unit's settings
// shows as a unit that never answers.
//
// Settings (and the port number) changed while the port is open are kept and take effect at the
// next open, without an error to the caller. Closing drops everything under way and every byte
// not yet read.
class SimCommPort final : public link::CommPort {
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 8;

    SimCommPort(forms::Clock& clock, Station& station);

    int commPort() const override { return pendingPort_; }
    link::CommError setCommPort(int number) override;
    QString settings() const override { return pendingSettings_.toText(); }
    link::CommError setSettings(const QString& settings) override;
    link::InputMode inputMode() const override { return inputMode_; }
    void setInputMode(link::InputMode mode) override { inputMode_ = mode; }
    bool portOpen() const override { return open_; }
    link::CommError setPortOpen(bool open) override;
    link::CommError output(const QByteArray& frame) override;
    int inBufferCount() override { return int(inBuffer_.size()); }
    QByteArray input() override;
    QString describePort(int number) const override {
        return number >= FirstPort && number <= LastPort ? link::kSimulatedUnitPort : QString();
    }

    // The settings the open port runs with (those given while open wait for the next open).
    const link::LineSettings& activeSettings() const { return active_; }

    // The adapter is unplugged: opening fails with `error` (HardwareUnavailable when none is
    // given), and an open port stays open but delivers nothing more and fails every output with
    // WriteFailed. Plugging it back in lets an open port work again from its next output on.
    void setPortGone(bool gone, link::CommError error = {});
    bool portGone() const { return gone_; }
    // The adapter is pulled while the port is open, as a real port notices it: the port closes
    // itself, drops what was under way and tells the program once (its lost handler). Opening
    // fails as with setPortGone until the adapter is plugged back in (setPortGone(false)).
    void loseDevice();

    // Every frame the program sent, with the time it handed it over.
    struct Sent {
        qint64 timeMs;
        QByteArray frame;
    };
    const QList<Sent>& sent() const { return sent_; }
    void clearSent() { sent_.clear(); }

    SimLine& line() { return line_; }

    // Called with the line settings each time the port opens (the program's --simulate mode lets
    // the unit take the settings the technician chose, as a unit set up for them would).
    void setOpenObserver(std::function<void(const link::LineSettings&)> observer) {
        openObserver_ = std::move(observer);
    }

private:
    std::function<void(const link::LineSettings&)> openObserver_;
    forms::Clock* clock_;
    SimLine line_;
    int pendingPort_ = 1;
    int activePort_ = 1;
    link::LineSettings pendingSettings_;
    link::LineSettings active_;
    link::InputMode inputMode_ = link::InputMode::Text;
    bool open_ = false;
    bool gone_ = false;
    link::CommError goneError_;
    QByteArray inBuffer_;
    QList<Sent> sent_;
};

} // namespace qtx52::sim
