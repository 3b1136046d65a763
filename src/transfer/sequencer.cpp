// The timers that run the link: read pacing (Timer6), receive polling (Timer4), repeat (Timer5)
// and failure (Timer3). Write pacing (Timer1) lives with the write path.

#include "app/global.h"
#include "link/checksum.h"
#include "link/commport.h"
#include "transfer/main_window_transfer.h"

#include "app/language.h"
#include "app/program.h"
#include "app/ui.h"

#include <algorithm>

namespace qtx52::transfer {

namespace {

// The communication notice as the language gives it.
QString noticeText(const QString& languageId) {
    for (const app::ControlText& t : app::mainWindowTexts())
        if (t.control == QLatin1String("lbl_desc") && t.index == 16)
            return languageId == app::kLanguageEnglish ? t.en : t.de;
    return QString();
}

} // namespace

void MainWindowTransfer::connectSequencer() {
    connect(&Timer3, &forms::Timer::tick, this, [this] { Timer3_Timer(); });
    connect(&Timer4, &forms::Timer::tick, this, [this] { Timer4_Timer(); });
    connect(&Timer5, &forms::Timer::tick, this, [this] { Timer5_Timer(); });
    connect(&Timer6, &forms::Timer::tick, this, [this] { Timer6_Timer(); });
}

void MainWindowTransfer::resetTransaction() {
    // Whatever was outstanding is given up: a late answer to it changes nothing.
    transaction.end();
    alreadyRead = 0;
    countReadRegister = 0;
    g.monitorBlock = 0;
    g.commState = 1;
    g.linkReady = true;
    g.startAddress = 0;
    // A response time whose write was not acknowledged is not the unit's.
    if (responseTimeBeingWritten) {
        responseTimeBeingWritten.reset();
        applyLinkTiming();
    }
}

void MainWindowTransfer::Timer6_Timer() {
    if (g.commState == 0) {
        // The transfer was cancelled or has ended: a late tick sends nothing.
        Timer6.setEnabled(false);
        return;
    }
    if (txt_Modbus_adress->text().isEmpty() || !g.linkReady)
        return;
    if (g.startAddress <= 37)
        countReadRegister = qint16(std::min(38 - alreadyRead, 10));
    else if (g.startAddress >= 256 && g.startAddress <= 273)
        countReadRegister = qint16(std::min(18 - alreadyRead, 10));
    alreadyRead = qint16(alreadyRead + countReadRegister);
    g.requestHex = stationHex() + QLatin1String("03") + link::LongToHexStr(g.startAddress, 2) +
                   link::LongToHexStr(countReadRegister, 2);
    // Cleared first: a send that fails runs the failure handling, which frees the link again.
    g.linkReady = false;
    send();
}

void MainWindowTransfer::Timer4_Timer() {
    if (MSComm1.inBufferCount() > 0) {
        receive_reply();
        if (fastReads)
            followChain();
    }
}

void MainWindowTransfer::Timer5_Timer() {
    repeating = true;
    // A send that failed has already run the failure handling; the failure timer must not be
    // armed again behind it.
    if (send())
        Timer3.setEnabled(true);
}

void MainWindowTransfer::Timer3_Timer() {
    if (transaction.gatewayNoAnswer())
        failTransaction(link::Failure::GatewayNoAnswer);
    else
        failTransaction(transaction.busy() ? link::Failure::Busy : link::Failure::NoReply);
    // A read-out that fails leaves the editor with what it held before: the small notice alone
    // is easily taken for a read-out that went through. An open status window says it when it
    // ends, once.
    if (readOutStation && chk_read_out->value() == 0 && !program.frmStateLoaded()) {
        const QString text = readOutFailedText(lbl_desc(16).caption());
        readOutStation.reset();
        program.ui.messageBox(text, app::kAppTitle);
    }
}

QString MainWindowTransfer::readOutFailedText(const QString& why) const {
    return link::readOutFailedMessage(readOutStation.value_or(0), why, g.languageId);
}

void MainWindowTransfer::failTransaction(std::optional<link::Failure> why) {
    const bool busy = why == link::Failure::Busy;
    dropHeldRequest();
    Timer1.setEnabled(false);
    Timer3.setEnabled(false);
    Timer5.setEnabled(false);
    Timer6.setEnabled(false);
    const int station = transaction.request() ? transaction.request()->station : 0;
    lbl_desc(16).setCaption(why == link::Failure::GatewayNoAnswer
                                ? link::gatewayNotice(station, g.languageId)
                            : busy ? link::busyNotice(g.languageId)
                                   : noticeText(g.languageId));
    lbl_desc(16).setVisible(true);
    chk_read_out->setEnabled(false);
    set_parameter->setEnabled(false);
    resetTransaction();
    if (why)
        program.linkEvents.transactionFailed(*why);
}

} // namespace qtx52::transfer
