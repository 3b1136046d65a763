// The single transmit path: frames requestHex for the chosen framing and hands it to the port.

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "link/commport.h"
#include "link/framing.h"

namespace qtx52::editor {

void frm_config::send() {
    // A new request (or a repeat): whatever was being assembled belongs to an earlier exchange, and
    // only a whole reply to this one may be taken.
    g.rtuRxBuffer[0] = 0;
    g.rtuRxBuffer[1] = 0;
    g.rtuRxBuffer[2] = 0;
    g.rtuRxCount = 0;
    rtuExpectedLength = 0;
    rxLine.clear();

    Timer5.setEnabled(false);
    lbl_desc(16).setVisible(false);
    chk_read_out->setEnabled(true);

    if (!MSComm1.portOpen()) {
        program.ui.messageBox(QStringLiteral("Port ist nicht geöffnet"), app::kAppTitle);
        return;
    }

    QByteArray frame;
    if (g.modbusMode == QLatin1String("ASCII"))
        frame = link::frameAscii(g.requestHex);
    else if (g.modbusMode == QLatin1String("RTU"))
        frame = link::frameRtu(g.requestHex);
    else
        return; // no framing chosen yet: nothing goes out

    if (const link::CommError err = MSComm1.output(frame)) {
        // The adapter went away under an open port: report it like an unanswered request instead
        // of waiting for a reply that cannot come.
        Timer3_Timer();
        return;
    }
    Timer5.setEnabled(true);
}

} // namespace qtx52::editor
