#pragma once

// The main window's transfer handlers: what moves values between the window's controls and the
// unit. The serial settings group and the station address box, the single transmit path, the
// one-shot requests, the timers that pace, repeat and give up on requests, the write pacing, the
// reply assembly and the decoder, and the early ends of a transaction. The handlers keep the names
// the window has always given them; the editor (frm_config) derives from this class and gives it
// the three things it needs of the editor.
//
// The handlers are grouped by concern in their own source files:
//   transfer/port_settings.cpp  Combo_Port_Click, the station address box, reset_cmb_bit_cfg
//   transfer/send.cpp           send
//   transfer/requests.cpp       the one-shot request builders
//   transfer/sequencer.cpp      the read pacing, repeat, failure and polling timers
//   transfer/write_pacing.cpp   the write pacing timer
//   transfer/receive.cpp        receive_reply: reply assembly and dispatch
//   transfer/decode.cpp         what each reply does in each transaction state
//   transfer/early_end.cpp      a refused request, a status window closed before the last step
//   transfer/chain_pacing.cpp   when the next request may follow a reply; fast reads

#include "forms/timer.h"
#include "link/reply_verdicts.h"
#include "link/transaction.h"
#include "panel/main_panel.h"
#include "windows/chain_owner.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace qtx52::forms {
class ClockTimer;
}

namespace qtx52::link {
class CommPort;
struct CommError;
} // namespace qtx52::link

namespace qtx52::transfer {

using forms::KeyEvent;
using panel::CheckBox;
using panel::CommandButton;
using panel::ControlArray;
using panel::Frame;
using panel::Label;
using panel::ListBox;
using panel::MenuItem;
using panel::TabStrip;
using panel::TextBox;
using panel::UpDown;

class MainWindowTransfer : public panel::MainPanel, public windows::ChainOwner {
    Q_OBJECT
public:
    explicit MainWindowTransfer(app::Program& program);
    ~MainWindowTransfer() override;

    // Timers: write pacing, failure, receive polling, repeat, read pacing.
    forms::Timer Timer1;
    forms::Timer Timer3;
    forms::Timer Timer4;
    forms::Timer Timer5;
    forms::Timer Timer6;

    // The serial port.
    link::CommPort& MSComm1;

    // Form-level counters and flags.
    qint16 countReadRegister = 0;
    qint16 alreadyRead = 0;
    qint16 countWriteRegister = 0;
    qint16 alreadyWrite = 0;
    qint16 alreadyWriteCoils = 0;
    qint16 alreadyWriteBytes = 0;
    qint32 rtuExpectedLength = 0;
    // The Modbus ASCII line being received, from its ":" on; empty while none is under way. Kept
    // apart from replyHex, which holds the last whole reply for the decoder.
    QByteArray rxLine;
    // The request in flight: its tries, its timing and what the unit acknowledged of the chain.
    link::Transaction transaction;
    // What became of the received bytes the reply assembly did not take, for the link's watchers.
    link::ReplyVerdicts replyVerdicts;
    // Set by Timer5_Timer around its send: the same request goes out again, and a reply to it that
    // has begun to arrive is kept.
    bool repeating = false;
    // Whether the response time of the unit on the line has been read or written since the port
    // opened on it; until then the link allows for the slowest unit.
    bool responseTimeKnown = false;
    bool opening_ = false;    // an open is under way in the event loop
    quint64 openAttempt_ = 0; // which open an outcome belongs to
    // The response time in the configuration block on its way to the unit: the unit may answer
    // that very write at it, so the link allows for the slower of it and the one known.
    std::optional<qint16> responseTimeBeingWritten;
    bool responseTimeChanged = false;
    bool inputsChanged = false;
    // Fast reads: a chain sends its next request as soon as the reply is taken and the line has
    // been quiet long enough (after a write, for the unit's response time), not at the next
    // pacing tick. The repeat, failure and time limits are the same either way.
    bool fastReads = false;
    // No request goes out before this time on the program's clock: the line's silent interval
    // after the last bytes received, and with fast reads the guard after a write's acknowledgement.
    qint64 quietAtMs = 0;
    // The references hold values of a unit, or a read-out of one has begun: a change of port,
    // line settings or station to another unit then clears them.
    bool referencesOfUnit = false;
    // The unit (port, line settings, station) whose whole read-out the references hold; empty
    // while none does. Coming back to it makes them its values again.
    QString referencesReadFrom;
    // The station of the read-out under way, until it is complete or its failure has been told.
    std::optional<int> readOutStation;
    // The chain the status window shows writes. A failed request turns the state back to a
    // read's, while what the message must say is what the unit took of the write.
    bool chainWrites = false;
    // The unit the settings and the station box choose now, as referencesReadFrom names it.
    QString unitOnLine() const;

    // What the transfer handlers ask of the editor.
    // Shows the status window for the transfer commState names.
    virtual void ShowMsgWindow() = 0;
    // The Apply button follows the change marks (every group is looked at, whichever asks).
    virtual void update_apply_button(int group) = 0;
    // An input register's box changed: its marks follow.
    virtual void txt_data_in_Change(int index) = 0;
    // A whole read-out of the unit is in the editor.
    virtual void editorFilled() = 0;
    // The references were cleared, or are the unit's again: every field's mark follows.
    virtual void markAgainstReferences() = 0;

    // What the status window asks of the window whose chain it shows.
    void setInputEnabled(bool enabled) override;
    qint32 requestGiveUpMs() const override;
    bool lastCoilGroupWritten() const override;
    void stopTransferTimers() override;
    void statusWindowClosed(int state, bool answered) override;
    void statusWindowGone(int, bool) override {}

    // transfer/port_settings.cpp
    void Combo_Port_Click(int index);
    void txt_Modbus_adress_KeyPress(KeyEvent* e);
    void txt_Modbus_adress_Change();
    void reset_cmb_bit_cfg();
    // The station address as the two hex digits of a request.
    QString stationHex() const;
    // The device the entry at `position` of the port selector reaches ("COM1" is position 0), for
    // the view to show beside the selector.
    QString portDevice(int position) const;
    // The technician opens the port selector's list: the machine's devices are read again, so an
    // adapter plugged in since shows up.
    void Combo_Port_DropDown();
    // The port's device went away while open: closed through the port-state selector, once.
    void MSComm1_Lost(const link::CommError& why);
    // Tells the link's watchers the port closed, after what was being received.
    void reportPortClosed();
    // The unit on the line may be another one (station, port or line settings changed, the port
    // opened): its response time is not known until it is read or written again.
    void forgetResponseTime();
    // The port-state selector says "open" and a line over the network is still connecting.
    bool portOpening() const { return opening_; }
    // Another unit may be on the line (station, port or line settings changed): its response
    // time is forgotten, and what the editor shows is no longer what the unit holds, unless the
    // unit chosen is the one read.
    void forgetUnit();

    // transfer/send.cpp
    // Sends requestHex. False when nothing went out (port closed, no framing, or the port refused
    // the write, which has then run the failure handling).
    bool send();
    // The link's timing for the chosen framing, baud rate and the unit's response time.
    link::LinkTiming linkTiming() const;
    // The repeat and failure intervals for that timing.
    void applyLinkTiming();
    // Time one character takes on the line with the chosen settings, in ms; 0 when unknown.
    double characterMs() const;
    // The reply being assembled is given up (a new request, the port closes): its bytes go to
    // the verdicts as let go, and the exchange's verdicts are settled.
    void dropHeldReply();
    // Only the RTU frame held so far is given up (a reply that could not be taken over).
    void dropHeldRtuFrame();
    // A request held back for the line's silence is given up (the transaction ended).
    void dropHeldRequest();

    // transfer/requests.cpp
    void cmd_read_device_Click();
    void send_read_cfg_coils();
    void send_write_cfg_coils();
    void send_read_data_in();
    void send_read_inp_bits();
    void send_write_inp_bits();

    // transfer/write_pacing.cpp
    void Timer1_Timer();

    // transfer/sequencer.cpp
    // Back to reading from register 0 with the link free: after a failure, when the port
    // closes, and at the start of a read-out.
    void resetTransaction();
    void Timer3_Timer();
    // The failure handling: timers stop, the notice shows, the link is free again. `why` goes to
    // the link's watchers; nothing when the link itself did not fail.
    void failTransaction(std::optional<link::Failure> why);
    // The message of a read-out that failed, naming its station, with `why` below.
    QString readOutFailedText(const QString& why) const;
    // Ends the transaction after the unit refused the request in flight (exception 01..04).
    void refusedByUnit(quint8 code);
    // The status window closed before the chain's last step: nothing more is sent, the notice
    // shows and a message says what the unit has and has not taken.
    void endIncomplete() override;
    // The transfer states of a write (configuration registers and coils, inputs, input coils).
    static bool isWriteState(qint32 state);
    void Timer4_Timer();
    void Timer5_Timer();
    void Timer6_Timer();
    // transfer/chain_pacing.cpp
    // The port has received bytes: the line is busy until its silent interval has passed, and
    // with fast reads the reply is taken at once.
    void bytesArrived();
    // With fast reads, once a reply is in: the next request of the paced range (read or write)
    // goes out as soon as the line allows.
    void followChain();

    // transfer/receive.cpp
    void receive_reply();

signals:
    // A chain's step has ended and the status window closed: `state` is the transfer state it
    // closed in, `answered` whether the last request had its answer. Whoever runs the window
    // without a view (the command line) follows the chains here.
    void chainEnded(int state, bool answered);
    // The decoder has written all 18 monitor values from one pass over registers 256..273, both
    // blocks in order: a cycle of the live monitor, or the monitor range of a read-out. Whoever
    // records the values listens here; the window logic itself does not.
    void monitorRangeRead();
    // An open has ended, the port open or not (a failure has been shown): at once for a device,
    // from the event loop for a line over the network. An open that "close" ended raises nothing.
    void portOpenEnded(bool open);

protected:
    bool englishTexts() const;  // the interface language is English
    void connectSequencer();    // transfer/sequencer.cpp
    void connectWritePacing();  // transfer/write_pacing.cpp
    void connectPortSettings(); // transfer/port_settings.cpp

private:
    void beginOpen(bool wasOpen);
    void portChangeEnded(const link::CommError& error, bool wasOpen);
    // transfer/send.cpp: the frame goes to the port now, or waits for the line's silence.
    bool putOnLine(const QByteArray& frame, bool repeat, const QString& hex);
    void sendHeld();
    std::unique_ptr<forms::ClockTimer> heldTimer_;
    QByteArray heldFrame_;
    QString heldHex_;
    bool heldRepeat_ = false;
    // With fast reads: the chain goes on when the answers to a request's other tries can no
    // longer come.
    std::unique_ptr<forms::ClockTimer> owedTimer_;

    void showPortDevice(); // lbl_port_device follows the port number
    void restoreNotice();  // the link notice's own text, hidden
};

} // namespace qtx52::transfer
