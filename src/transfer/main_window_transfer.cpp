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

} // namespace qtx52::transfer
