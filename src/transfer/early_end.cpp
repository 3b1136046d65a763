// How a transaction ends without its answer besides the failure timing: the unit refused the
// request, or the status window closed before the chain's last step. Either way nothing more is
// sent, the notice shows and a message says what the unit has and has not taken.

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "link/transaction.h"
#include "params/register_map.h"
#include "transfer/main_window_transfer.h"

namespace qtx52::transfer {

using namespace params;

void MainWindowTransfer::refusedByUnit(quint8 code) {
    const std::optional<link::PendingRequest> refused = transaction.request();
    const std::vector<link::PendingRequest> acknowledged = transaction.acknowledged();
    const bool inputWrite = refused && refused->function == link::kWriteMultipleRegisters &&
                            refused->start >= kInputFirst;
    failTransaction(link::Failure::Exception);
    // The unit said no: the notice names its answer, not a fault of the settings.
    lbl_desc(16).setCaption(link::refusedNotice(code, g.languageId));
    // The chain ends here: the window closes without the read-out that follows a finished write.
    if (program.frmStateLoaded())
        program.unloadFrmState();
    // The input registers lose their marks when their block is sent; the unit did not take them,
    // so they are marked again against what it holds.
    if (inputWrite)
        for (int k = 0; k < kInputCount; ++k)
            txt_data_in_Change(k);
    // The refused values are still to be written: the button stays usable while marks remain.
    set_parameter->setEnabled(false);
    update_apply_button(0);
    if (refused)
        program.ui.messageBox(link::refusedMessage(code, *refused, acknowledged, g.languageId),
                              app::kAppTitle);
}

bool MainWindowTransfer::isWriteState(qint32 state) {
    return state == 2 || state == 4 || state == 5 || state == 8;
}

void MainWindowTransfer::endIncomplete() {
    const bool write = chainWrites || isWriteState(g.commState);
    // A request still unanswered counts as unanswered for whoever watches the bus.
    const bool pending = !g.linkReady;
    failTransaction(pending ? std::optional(link::Failure::NoReply) : std::nullopt);
    g.commState = 0;
    update_apply_button(0);
    QString text = link::incompleteMessage(write, transaction.acknowledged(), g.languageId);
    if (!write && readOutStation && chk_read_out->value() == 0)
        text = readOutFailedText(text);
    readOutStation.reset();
    program.ui.messageBox(text, app::kAppTitle);
}

} // namespace qtx52::transfer
