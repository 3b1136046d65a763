#include "transfer/main_window_transfer.h"

#include "app/program.h"
#include "forms/clock.h"
#include "link/commport.h"

namespace qtx52::transfer {

MainWindowTransfer::MainWindowTransfer(app::Program& p)
    : MainPanel(p), Timer1(p.clock, QStringLiteral("Timer1"), 400, this),
      Timer3(p.clock, QStringLiteral("Timer3"), 500, this),
      Timer4(p.clock, QStringLiteral("Timer4"), 50, this),
      Timer5(p.clock, QStringLiteral("Timer5"), 1000, this),
      Timer6(p.clock, QStringLiteral("Timer6"), 200, this), MSComm1(p.port),
      replyVerdicts(p.linkEvents) {}

MainWindowTransfer::~MainWindowTransfer() {
    // The port outlives the window; it must not report to a window that is gone.
    MSComm1.setLostHandler({});
    MSComm1.setArrivalHandler({});
}

void MainWindowTransfer::setInputEnabled(bool enabled) {
    form.setEnabled(enabled);
}

qint32 MainWindowTransfer::requestGiveUpMs() const {
    return link::giveUpMs(linkTiming());
}

bool MainWindowTransfer::lastCoilGroupWritten() const {
    return alreadyWriteCoils >= 14 && !inputsChanged;
}

void MainWindowTransfer::stopTransferTimers() {
    Timer1.setEnabled(false);
    Timer6.setEnabled(false);
    // The repeat timer would send the cancelled write once more, and the failure timer would then
    // report a problem for a transfer the user has already ended.
    Timer5.setEnabled(false);
    Timer3.setEnabled(false);
    // The outstanding request is given up: a late reply to it is stale.
    transaction.end();
}

void MainWindowTransfer::statusWindowClosed(int state, bool answered) {
    emit chainEnded(state, answered);
}

} // namespace qtx52::transfer
