// The single transmit path: frames requestHex for the chosen framing and hands it to the port.

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "editor/numbers.h"
#include "link/commport.h"
#include "link/framing.h"
#include "windows/frmState.h"

#include <utility>

namespace qtx52::editor {

link::LinkTiming frm_config::linkTiming() const {
    link::LinkTiming t;
    t.framing = g.modbusMode == QLatin1String("ASCII") ? link::Framing::Ascii : link::Framing::Rtu;
    t.baud = qint32(leadingDigitsValue(g.baudRate));
    t.minResponseTimeMs = g.minResponseTime;
    t.responseTimeKnown = responseTimeKnown;
    return t;
}

void frm_config::applyLinkTiming() {
    const link::LinkTiming t = linkTiming();
    Timer5.setInterval(link::repeatIntervalMs(t));
    Timer3.setInterval(link::failureIntervalMs(t));
}

bool frm_config::send() {
    const bool repeat = std::exchange(repeating, false);
    if (!repeat) {
        // A new request: whatever was being assembled belongs to an earlier exchange, and only a
        // whole reply to this one may be taken. A repeat keeps a reply that has begun to arrive:
        // a slow unit's answer to the first try is as good as one to the second.
        g.rtuRxBuffer[0] = 0;
        g.rtuRxBuffer[1] = 0;
        g.rtuRxBuffer[2] = 0;
        g.rtuRxCount = 0;
        rtuExpectedLength = 0;
        rxLine.clear();
    }

    Timer5.setEnabled(false);
    lbl_desc(16).setVisible(false);
    chk_read_out->setEnabled(true);

    if (!MSComm1.portOpen()) {
        program.ui.messageBox(QStringLiteral("Port ist nicht geöffnet"), app::kAppTitle);
        return false;
    }

    QByteArray frame;
    if (g.modbusMode == QLatin1String("ASCII"))
        frame = link::frameAscii(g.requestHex);
    else if (g.modbusMode == QLatin1String("RTU"))
        frame = link::frameRtu(g.requestHex);
    else
        return false; // no framing chosen yet: nothing goes out

    const int attempt = repeat ? transaction.repeat() : transaction.begin(g.requestHex);
    if (const link::CommError err = MSComm1.output(frame)) {
        // The adapter went away under an open port: report it like an unanswered request instead
        // of waiting for a reply that cannot come.
        failTransaction(link::Failure::WriteFailed);
        return false;
    }
    program.linkEvents.frameSent({frame, attempt});
    // Every request sent shows the chain is moving: the status window's time limit counts anew.
    windows::restartTimeLimit(program);
    Timer5.setEnabled(true);
    return true;
}

} // namespace qtx52::editor
