#include "support/pty_pair.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QStandardPaths>

namespace qtx52::testing {

namespace {

QRegularExpressionMatch awaitStderr(QProcess& process, QByteArray& seen,
                                    const QRegularExpression& pattern, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    process.setReadChannel(QProcess::StandardError);
    for (;;) {
        seen += process.readAllStandardError();
        const QRegularExpressionMatch m = pattern.match(QString::fromLocal8Bit(seen));
        if (m.hasMatch() || deadline.hasExpired() || process.state() == QProcess::NotRunning)
            return m;
        process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

void end(std::unique_ptr<QProcess>& p) {
    if (p && p->state() != QProcess::NotRunning) {
        p->terminate();
        if (!p->waitForFinished(2000)) {
            p->kill();
            p->waitForFinished(2000);
        }
    }
    p.reset();
}

} // namespace

PtyPair::~PtyPair() {
    stop();
}

bool PtyPair::start() {
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (socat.isEmpty()) {
        error_ = QStringLiteral("socat is not installed");
        return false;
    }
    socat_ = std::make_unique<QProcess>();
    socat_->start(socat, {"-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"});
    if (!socat_->waitForStarted(5000)) {
        error_ = QStringLiteral("socat did not start");
        return false;
    }
    QByteArray seen;
    const QRegularExpression twoPtys(QStringLiteral("PTY is (\\S+).*\\n.*PTY is (\\S+)"));
    const QRegularExpressionMatch m = awaitStderr(*socat_, seen, twoPtys, 5000);
    if (!m.hasMatch()) {
        error_ = QStringLiteral("socat gave no pty pair: ") + QString::fromLocal8Bit(seen);
        return false;
    }
    unitEnd_ = m.captured(1);
    masterEnd_ = m.captured(2);
    return true;
}

bool PtyPair::startSim(const QStringList& arguments) {
    const QString program = qEnvironmentVariable("QTX52_SIM");
    if (program.isEmpty()) {
        error_ = QStringLiteral("QTX52_SIM does not name the qtx52-sim executable");
        return false;
    }
    end(sim_);
    simLog_.clear();
    sim_ = std::make_unique<QProcess>();
    sim_->start(program, QStringList{"--device", unitEnd_} + arguments);
    if (!sim_->waitForStarted(5000)) {
        error_ = QStringLiteral("qtx52-sim did not start");
        return false;
    }
    if (!awaitStderr(*sim_, simLog_, QRegularExpression(QStringLiteral("station \\d+")), 5000)
             .hasMatch()) {
        error_ = QStringLiteral("qtx52-sim did not come up: ") + QString::fromLocal8Bit(simLog_);
        return false;
    }
    return true;
}

QByteArray PtyPair::simLog() {
    if (sim_)
        simLog_ += sim_->readAllStandardError();
    return simLog_;
}

void PtyPair::stop() {
    end(sim_);
    end(socat_);
}

} // namespace qtx52::testing
