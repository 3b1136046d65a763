#pragma once

// The main window's controls as headless models, declared apart from its handlers, so that the
// transfer handlers and the editor both work on the same controls without knowing each other. The
// controls are created in their design state by the editor (editor/layout.cpp); this class only
// holds them, with the window itself and the program it belongs to.

#include "forms/controls.h"

#include <QObject>

#include <vector>

namespace qtx52::app {
class Program;
struct Global;
} // namespace qtx52::app

namespace qtx52::panel {

using forms::CheckBox;
using forms::CommandButton;
using forms::ControlArray;
using forms::Frame;
using forms::Label;
using forms::ListBox;
using forms::MenuItem;
using forms::TabStrip;
using forms::TextBox;
using forms::UpDown;

class MainPanel : public QObject {
    Q_OBJECT
public:
    explicit MainPanel(app::Program& program);
    ~MainPanel() override;

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
};

} // namespace qtx52::panel
