#pragma once

// What the status window asks of the window whose chain of requests it shows. The main window
// stands above the status window and implements this; the status window reaches it through
// Program::mainWindow() without knowing its class.

#include <QtGlobal>

namespace qtx52::windows {

class ChainOwner {
public:
    // The owner takes input again (false while the status window stands in front of it).
    virtual void setInputEnabled(bool enabled) = 0;
    // The longest the link takes to give up on one request, in ms: the status window's time limit
    // is never shorter.
    virtual qint32 requestGiveUpMs() const = 0;
    // A configuration-only write has had its last coil group acknowledged: the chain is over.
    virtual bool lastCoilGroupWritten() const = 0;
    // The chain stops where it is and the owner says what the unit has and has not taken.
    virtual void endIncomplete() = 0;
    // A write-back ended: everything is read again, so the fields show what the unit holds.
    virtual void func_read_out_parameter() = 0;
    // The status window closes at the end of a chain's step: the transfer state it closed in, and
    // whether the last request had its answer (a close at the time limit leaves it outstanding).
    virtual void statusWindowClosed(int state, bool answered) = 0;
    // The same step once the status window is gone and the owner takes input again, before a
    // write's read-out starts: what the owner says about the step stands in front of it alone.
    virtual void statusWindowGone(int state, bool answered) = 0;
    // Cancelled by the user: the pacing, repeat and failure timers stop, nothing more is sent,
    // and a late answer to the request outstanding is stale.
    virtual void stopTransferTimers() = 0;

protected:
    ~ChainOwner() = default;
};

} // namespace qtx52::windows
