#pragma once

namespace qtx52::transfer {

class MainWindowTransfer;

// Acts on the complete reply in replyHex, which answers the request in requestHex, according to
// the transaction state: fills the editor's fields and references, moves the transaction on to its
// next step and ends a chain. Called by receive_reply for every reply that passed its checks.
void decodeReply(MainWindowTransfer& f);

} // namespace qtx52::transfer
