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
    quietAtMs = std::max(quietAtMs, program.clock.nowMs() + silentIntervalMs(characterMs()));
    if (fastReads)
        Timer4_Timer();
}

void MainWindowTransfer::followChain() {
    if (!g.linkReady)
        return;
    // The pacing timer still runs and would send the same request at its tick; whichever comes
    // first finds the link free, the other finds it busy.
    if (g.commState == 1 && Timer6.enabled())
        Timer6_Timer();
    else if ((g.commState == 2 || g.commState == 5) && Timer1.enabled())
        Timer1_Timer();
}

} // namespace qtx52::transfer
