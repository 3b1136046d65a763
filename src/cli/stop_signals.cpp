#include "cli/stop_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace qtx52::cli {

namespace {

int gPipe[2] = {-1, -1};
struct sigaction gPreviousInt;
struct sigaction gPreviousTerm;

extern "C" void onSignal(int signal) {
    const int saved = errno;
    const char number = char(signal);
    // Nothing to do when the pipe is full: a stop is already waiting to be read.
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &number, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals(std::function<void(int)> onStop) : onStop_(std::move(onStop)) {
    if (gPipe[0] >= 0)
        return; // another one catches them
    if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        gPipe[0] = gPipe[1] = -1;
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readPipe(); });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &gPreviousInt);
    ::sigaction(SIGTERM, &action, &gPreviousTerm);
}

StopSignals::~StopSignals() {
    if (!notifier_)
        return;
    ::sigaction(SIGINT, &gPreviousInt, nullptr);
    ::sigaction(SIGTERM, &gPreviousTerm, nullptr);
    notifier_.reset();
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

void StopSignals::readPipe() {
    char numbers[16];
    const ssize_t n = ::read(gPipe[0], numbers, sizeof numbers);
    if (n > 0 && onStop_)
        onStop_(int(numbers[n - 1]));
}

} // namespace qtx52::cli
