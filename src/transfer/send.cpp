// The single transmit path: frames requestHex for the chosen framing and hands it to the port.

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "forms/clock.h"
#include "link/commport.h"
#include "link/framing.h"
#include "params/numbers.h"
#include "transfer/main_window_transfer.h"
#include "windows/frmState.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace qtx52::transfer {

using namespace params;

link::LinkTiming MainWindowTransfer::linkTiming() const {
    link::LinkTiming t;
    t.framing = g.modbusMode == QLatin1String("ASCII") ? link::Framing::Ascii : link::Framing::Rtu;
    t.baud = qint32(leadingDigitsValue(g.baudRate));
    t.minResponseTimeMs = std::max(g.minResponseTime, responseTimeBeingWritten.value_or(0));
    t.responseTimeKnown = responseTimeKnown;
    t.gatewayTimeoutMs = MSComm1.gatewayTimeoutMs(MSComm1.commPort());
    return t;
}

void MainWindowTransfer::applyLinkTiming() {
    const link::LinkTiming t = linkTiming();
    Timer5.setInterval(link::repeatIntervalMs(t));
    Timer3.setInterval(link::failureIntervalMs(t));
}

double MainWindowTransfer::characterMs() const {
    link::LineSettings line;
    line.baud = qint32(leadingDigitsValue(g.baudRate));
    line.parity = g.parity == QLatin1String("N") ? 'N' : 'E';
    line.dataBits = int(std::max<qint64>(7, leadingDigitsValue(g.dataBits)));
    line.stopBits = int(std::max<qint64>(1, leadingDigitsValue(g.stopBits)));
    return link::lineTimeMs(line, 1);
}

void MainWindowTransfer::dropHeldReply() {
    dropHeldRtuFrame();
    rtuExpectedLength = 0;
    for (const char c : std::exchange(rxLine, QByteArray()))
        replyVerdicts.dropped(c, replyVerdicts.asciiLine);
    replyVerdicts.close();
}

void MainWindowTransfer::dropHeldRtuFrame() {
    std::vector<link::ByteSeen>& seen = replyVerdicts.rtuHeld;
    for (int i = 0; i < g.rtuRxCount && i < int(g.rtuRxBuffer.size()); ++i)
        replyVerdicts.dropped(char(g.rtuRxBuffer[std::size_t(i)]), std::size_t(i) < seen.size()
                                                                       ? seen[std::size_t(i)]
                                                                       : link::ByteSeen{});
    seen.clear();
    g.rtuRxBuffer[0] = 0;
    g.rtuRxBuffer[1] = 0;
    g.rtuRxBuffer[2] = 0;
    g.rtuRxCount = 0;
}

bool MainWindowTransfer::send() {
    const bool repeat = std::exchange(repeating, false);
    if (!repeat) {
        // A new request: whatever was being assembled belongs to an earlier exchange, and only a
        // whole reply to this one may be taken. A repeat keeps a reply that has begun to arrive:
        // a slow unit's answer to the first try is as good as one to the second.
        dropHeldReply();
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

    dropHeldRequest();
    const qint64 waitMs = quietAtMs - program.clock.nowMs();
    if (waitMs > 0) {
        // The unit is not listening until the line has been silent after its reply: the request
        // goes out when it is.
        heldFrame_ = frame;
        heldHex_ = g.requestHex;
        heldRepeat_ = repeat;
        if (!heldTimer_)
            heldTimer_ = program.clock.createTimer([this] { sendHeld(); }, /*singleShot=*/true);
        heldTimer_->start(waitMs);
        return true;
    }
    return putOnLine(frame, repeat, g.requestHex);
}

void MainWindowTransfer::dropHeldRequest() {
    if (heldTimer_)
        heldTimer_->stop();
    heldFrame_.clear();
}

void MainWindowTransfer::sendHeld() {
    // Closing the port or cancelling in the status window ended the transaction meanwhile.
    if (heldFrame_.isEmpty() || !MSComm1.portOpen() || g.commState == 0) {
        heldFrame_.clear();
        return;
    }
    // More of a reply came while the request waited: the silence starts again after it.
    if (const qint64 waitMs = quietAtMs - program.clock.nowMs(); waitMs > 0) {
        heldTimer_->start(waitMs);
        return;
    }
    putOnLine(std::exchange(heldFrame_, QByteArray()), heldRepeat_, heldHex_);
}

bool MainWindowTransfer::putOnLine(const QByteArray& frame, bool repeat, const QString& hex) {
    const int attempt = repeat ? transaction.repeat(program.clock.nowMs())
                               : transaction.begin(hex, program.clock.nowMs());
    if (const link::CommError err = MSComm1.output(frame)) {
        // The adapter went away under an open port: report it like an unanswered request instead
        // of waiting for a reply that cannot come.
        failTransaction(link::Failure::WriteFailed);
        return false;
    }
    link::SentFrame sent;
    sent.bytes = frame;
    sent.attempt = attempt;
    sent.transactionId = MSComm1.sentTransactionId();
    sent.framing = linkTiming().framing;
    sent.lastByteMs = program.clock.nowMs() + qint64(std::llround(characterMs() * frame.size()));
    sent.characterMs = characterMs();
    program.linkEvents.frameSent(sent);
    // Every request sent shows the chain is moving: the status window's time limit counts anew.
    windows::restartTimeLimit(program);
    Timer5.setEnabled(true);
    return true;
}

} // namespace qtx52::transfer
