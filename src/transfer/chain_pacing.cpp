#include "transfer/chain_pacing.h"

#include "app/global.h"
#include "app/program.h"
#include "forms/clock.h"
#include "transfer/main_window_transfer.h"

#include <algorithm>
#include <cmath>

namespace qtx52::transfer {

qint64 quietAfterReplyMs(double characterMs, bool fastReads, bool acknowledgedWrite,
                         qint64 minResponseTimeMs) {
    const qint64 silent = silentIntervalMs(characterMs);
    if (fastReads && acknowledgedWrite)
        return std::max(silent, minResponseTimeMs);
    return silent;
}

void MainWindowTransfer::bytesArrived() {
    // The unit hears nothing until the line has been silent after these bytes: a request that
    // would go out sooner (a repeat just behind a slow reply, a one-shot step at a poll that
    // came right after it) waits for the rest of the silence.
    quietAtMs = std::max(quietAtMs, program.clock.nowMs() + silentIntervalMs(characterMs()));
    // Without fast reads the polling takes the reply at its tick, and the chain goes on at the
    // pacing tick, as it always has.
    if (fastReads)
        Timer4_Timer();
}

void MainWindowTransfer::followChain() {
    if (!g.linkReady)
        return;
    // A request that went out more than once is answered to its other tries too, with bytes a
    // read of the next block could have: the chain goes on once those answers are in (the bytes
    // that bring the last of them follow it here, after the line's silence), or once the last of
    // them could have come (a try whose answer was lost), at the pacing tick if that is sooner.
    const link::LinkTiming timing = linkTiming();
    const qint64 waitMs = link::repeatIntervalMs(timing) + link::failureIntervalMs(timing);
    const qint64 now = program.clock.nowMs();
    if (transaction.answerOwed(now, waitMs)) {
        if (!owedTimer_)
            owedTimer_ = program.clock.createTimer([this] { followChain(); }, /*singleShot=*/true);
        owedTimer_->start(transaction.owedUntilMs(waitMs) + 1 - now);
        return;
    }
    // The pacing timer still runs and would send the same request at its tick; whichever comes
    // first finds the link free, the other finds it busy.
    if (g.commState == 1 && Timer6.enabled())
        Timer6_Timer();
    else if ((g.commState == 2 || g.commState == 5) && Timer1.enabled())
        Timer1_Timer();
}

} // namespace qtx52::transfer
