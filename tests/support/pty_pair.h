#pragma once

// A pseudo-terminal pair made by socat, with qtx52-sim on one end: the unit on a real serial line
// for end-to-end tests. Everything here waits in real time, always bounded.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

namespace qtx52::testing {

class PtyPair {
public:
    PtyPair() = default;
    ~PtyPair();
    // Starts socat; false (with the reason in error()) when socat is missing or gives no ptys.
    bool start();
    const QString& unitEnd() const { return unitEnd_; }
    const QString& masterEnd() const { return masterEnd_; }
    const QString& error() const { return error_; }

    // Starts qtx52-sim ($QTX52_SIM) on the unit end with extra arguments (mode, address …) and
    // waits until it reports its station; false with the reason in error() otherwise.
    bool startSim(const QStringList& arguments);
    QProcess* sim() { return sim_.get(); }
    // The simulator's log so far.
    QByteArray simLog();

    void stop();

private:
    std::unique_ptr<QProcess> socat_;
    std::unique_ptr<QProcess> sim_;
    QByteArray simLog_;
    QString unitEnd_;
    QString masterEnd_;
    QString error_;
};

} // namespace qtx52::testing
