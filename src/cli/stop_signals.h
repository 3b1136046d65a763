#pragma once

// Ctrl+C (SIGINT) and SIGTERM as an ordinary event: while a StopSignals exists, the handlers of
// both signals only write the signal's number into a pipe, which is all a signal handler may
// safely do; the pipe's other end is read in the event loop, which calls onStop there. The
// previous handlers are back when it goes.

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace qtx52::cli {

class StopSignals final : public QObject {
    Q_OBJECT
public:
    // Only one may exist at a time; a second one catches nothing (active() is false).
    explicit StopSignals(std::function<void(int signal)> onStop);
    ~StopSignals() override;
    bool active() const { return notifier_ != nullptr; }

private:
    void readPipe();

    std::function<void(int)> onStop_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace qtx52::cli
