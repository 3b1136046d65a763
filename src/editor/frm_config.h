#pragma once

// The main window's logic: every control of the window as a headless model, its timers, its
// serial port and its form-level counters, and the event handlers. The handlers are grouped by
// concern in their own source files:
//   editor/layout.cpp        the controls and their design texts
//   editor/load.cpp          Form_Load, Form_Unload, SSTab1_Click
//   link/port_settings.cpp   Combo_Port_Click, the station address box, reset_cmb_bit_cfg
//   link/send.cpp            send
//   link/requests.cpp        the one-shot request builders
//   link/sequencer.cpp       the read pacing, repeat, failure and polling timers
//   link/write_pacing.cpp    the write pacing timer
//   link/receive.cpp         receive_reply: reply assembly and dispatch
//   link/decode.cpp          what each reply does in each transaction state
//   editor/workflow.cpp      read-out, apply, ShowMsgWindow, the About and Help menus
//   editor/monitor.cpp       chk_read_out_Click
//   editor/field_editing.cpp key filter, range forcing, up/down steps and auto-repeat
//   editor/selection.cpp     list mirroring, change marks, update_apply_button
//   files/parameter_file.cpp the file menu, save and load
//   editor/unsaved_work.cpp  asking before edits are dropped, offering "Speichern"

#include "forms/controls.h"
#include "forms/timer.h"
#include "link/reply_verdicts.h"
#include "link/transaction.h"

#include <QByteArray>
#include <QObject>

#include <optional>
#include <vector>

namespace qtx52::app {
class Program;
struct Global;
} // namespace qtx52::app
namespace qtx52::link {
class CommPort;
struct CommError;
} // namespace qtx52::link

namespace qtx52::editor {

using forms::CheckBox;
using forms::CommandButton;
using forms::ControlArray;
using forms::Frame;
using forms::KeyEvent;
using forms::Label;
using forms::ListBox;
using forms::MenuItem;
using forms::TabStrip;
using forms::TextBox;
using forms::UpDown;

class frm_config : public QObject {
    Q_OBJECT
public:
    // Creates every control in its design state and connects the handlers; Main then loads it.
    explicit frm_config(app::Program& program);
    ~frm_config() override;

    app::Program& program;
    app::Global& g;

    // The window itself.
    forms::Form form;

    // Serial settings group.
    Frame* frm_parameter = nullptr;
    ControlArray<ListBox> Combo_Port{"Combo_Port"}; // 0 port, 1 baud, 2 parity, 5 mode, 6 state
    ControlArray<Label> lbl_parameter{"lbl_parameter"};
    TextBox* txt_Modbus_adress = nullptr;
    // Beside the port selector: the device the chosen port number reaches.
    Label* lbl_port_device = nullptr;

    // Command group.
    Frame* Frm_read = nullptr;
    CommandButton* cmd_read_device = nullptr;
    CommandButton* read_out_parameter = nullptr;
    CommandButton* set_parameter = nullptr;
    CheckBox* chk_read_out = nullptr;
    ControlArray<Label> lbl_desc{"lbl_desc"}; // 16: communication notice, 17: monitor caption

    // Menu bar.
    ControlArray<MenuItem> MenüMain{"MenüMain"};       // 1 file, 2 about, 3 help
    ControlArray<MenuItem> ParMenüMain{"ParMenüMain"}; // 1 load, 2 save, 3 separator, 4 exit

    // Tabs and their frames.
    TabStrip* SSTab1 = nullptr;
    ControlArray<Frame> frm_allg{"frm_allg"};
    ControlArray<Frame> frm_hold{"frm_hold"};
    ControlArray<Frame> frm_coils{"frm_coils"};
    ControlArray<Frame> frm_display{"frm_display"};
    ControlArray<Frame> frm_button{"frm_button"};
    Frame* frm_outp = nullptr;
    ControlArray<Frame> frm_ctrl{"frm_ctrl"};
    ControlArray<Frame> frm_soll{"frm_soll"};
    ControlArray<Frame> frm_val{"frm_val"};
    // The frames on each tab of SSTab1 (editor/layout.cpp). Every other control names its frame
    // as its container; within a frame the controls are created in reading order, row by row,
    // each row starting with its caption label.
    static constexpr int kTabCount = 6;
    std::vector<Frame*> framesOnTab(int tab) const;

    // Configuration registers 0..37.
    ControlArray<TextBox> txt_data_cfg{"txt_data_cfg"};
    ControlArray<UpDown> UpD_txt_cfg{"UpD_txt_cfg"};
    ControlArray<ListBox> cmb_cfg{"cmb_cfg"};
    ControlArray<Label> lbl_cfg{"lbl_cfg"};
    ControlArray<Label> lbl_cfg_val{"lbl_cfg_val"};
    // Configuration coils 0..13 and element 99, the second view of coil 13.
    ControlArray<CheckBox> chk_cfg{"chk_cfg"};
    ControlArray<ListBox> cmb_bit_cfg{"cmb_bit_cfg"};
    ControlArray<Label> lbl_read_cfg_bit{"lbl_read_cfg_bit"};
    // Input registers 512..519 and input coils 256..260.
    ControlArray<TextBox> txt_data_in{"txt_data_in"};
    ControlArray<ListBox> cmb_in{"cmb_in"};
    ControlArray<Label> lbl_data_in{"lbl_data_in"};
    ControlArray<CheckBox> chk_inp_bit{"chk_inp_bit"};
    ControlArray<Label> lbl_read_bit{"lbl_read_bit"};
    // Monitor registers 256..273.
    ControlArray<TextBox> txt_data_out{"txt_data_out"};
    ControlArray<Label> lbl_read_out{"lbl_read_out"};
    ControlArray<Label> lbl_in_val{"lbl_in_val"};
    // Unit captions.
    ControlArray<Label> lbl_unit{"lbl_unit"};
    ControlArray<Label> lbl_unit_hum{"lbl_unit_hum"};
    ControlArray<Label> lbl_kelvin{"lbl_kelvin"};

    // Timers: write pacing, failure, receive polling, repeat, read pacing, up/down auto-repeat.
    forms::Timer Timer1;
    forms::Timer Timer3;
    forms::Timer Timer4;
    forms::Timer Timer5;
    forms::Timer Timer6;
    forms::Timer Timer;

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
    // Whether the unit's response time has been read (read device) or written since the port was
    // chosen; until then the link allows for the slowest unit.
    bool responseTimeKnown = false;
    bool responseTimeChanged = false;
    bool inputsChanged = false;
    double repeatIndex = 0;
    bool repeatUp = false;

    // editor/load.cpp
    void Form_Load();
    void Form_Unload();
    void SSTab1_Click(int previousTab);

    // link/port_settings.cpp
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

    // link/send.cpp
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

    // link/requests.cpp
    void cmd_read_device_Click();
    void send_read_cfg_coils();
    void send_write_cfg_coils();
    void send_read_data_in();
    void send_read_inp_bits();
    void send_write_inp_bits();

    // link/write_pacing.cpp
    void Timer1_Timer();

    // link/sequencer.cpp
    // Back to reading from register 0 with the link free: after a failure, when the port
    // closes, and at the start of a read-out.
    void resetTransaction();
    void Timer3_Timer();
    // The failure handling: timers stop, the notice shows, the link is free again. `why` goes to
    // the link's watchers; nothing when the link itself did not fail.
    void failTransaction(std::optional<link::Failure> why);
    // Ends the transaction after the unit refused the request in flight (exception 01..04).
    void refusedByUnit(quint8 code);
    // The status window closed before the chain's last step: nothing more is sent, the notice
    // shows and a message says what the unit has and has not taken.
    void endIncomplete();
    void Timer4_Timer();
    void Timer5_Timer();
    void Timer6_Timer();

    // link/receive.cpp
    void receive_reply();

    // editor/workflow.cpp
    void read_out_parameter_Click();
    void func_read_out_parameter();
    void set_parameter_Click();
    void ShowMsgWindow();
    void MenüMain_Click(int index);

    // editor/monitor.cpp
    void chk_read_out_Click();

    // editor/field_editing.cpp
    void txt_data_cfg_KeyPress(int index, KeyEvent* e);
    void txt_data_in_KeyPress(int index, KeyEvent* e);
    void txt_data_cfg_LostFocus(int index);
    void txt_data_in_LostFocus(int index);
    // Apply completes the value being typed, as leaving its box would; values set otherwise (a
    // file, the unit) are left to the check before the write.
    void completeTypedValue();
    // The value box typed in and not yet left.
    struct TypedBox {
        bool config; // txt_data_cfg, else txt_data_in
        int element;
    };
    std::optional<TypedBox> typedBox;
    void UpD_txt_cfg_UpClick(int index);
    void UpD_txt_cfg_DownClick(int index);
    void UpD_txt_cfg_MouseDown(int index, int x, int y);
    void UpD_txt_cfg_MouseMove(int index, int x, int y);
    void UpD_txt_cfg_MouseUp(int index, int x, int y);
    void Timer_Timer();

    // editor/selection.cpp
    void txt_data_cfg_Change(int index);
    void txt_data_in_Change(int index);
    void txt_data_out_Change(int index);
    void chk_cfg_Click(int index);
    void chk_inp_bit_Click(int index);
    void cmb_cfg_Click(int index);
    void cmb_in_Click(int index);
    void cmb_bit_cfg_Click(int index);
    void update_apply_button(int group);

    // files/parameter_file.cpp
    void ParMenüMain_Click(int index);
    // True when the file was written.
    bool SaveParameterFile();
    void LoadParameterFile();

    // editor/unsaved_work.cpp
    static constexpr int kMenuSave = 2;
    // A field is red and the edits were not saved since their last change.
    bool hasUnsavedEdits() const;
    // Before edits are dropped (exit, close box, read device, load): asks whether to save them
    // first, drop them or stay. True when the caller may go on.
    bool mayDropEdits();
    // A field changed: its edit is not saved yet, and once the editor holds anything worth
    // saving, "Speichern" is offered.
    void editorChanged();
    // A whole read-out or a file is in the editor.
    void editorFilled();
    bool editsSaved = false;
    bool editorHoldsValues = false;

signals:
    // The decoder has written all 18 monitor values from one pass over registers 256..273, both
    // blocks in order: a cycle of the live monitor, or the monitor range of a read-out. Whoever
    // records the values listens here; the window logic itself does not.
    void monitorRangeRead();

private:
    bool englishTexts() const;  // the interface language is English
    void showPortDevice();      // link/port_settings.cpp: lbl_port_device follows the port number
    void restoreNotice();       // link/port_settings.cpp: the link notice's own text, hidden
    void createControls();      // editor/layout.cpp
    void connectHandlers();     // editor/frm_config.cpp: calls each concern's connect function
    void connectSequencer();    // link/sequencer.cpp
    void connectWritePacing();  // link/write_pacing.cpp
    void connectPortSettings(); // link/port_settings.cpp
    void connectFieldEditing(); // editor/field_editing.cpp
    void connectSelection();    // editor/selection.cpp
    void connectLoad();         // editor/load.cpp
    void connectWorkflow();     // editor/workflow.cpp
    void connectMonitor();      // editor/monitor.cpp
    void connectFiles();        // files/parameter_file.cpp
};

} // namespace qtx52::editor
