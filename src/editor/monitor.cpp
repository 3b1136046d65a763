// The live monitor: while chk_read_out is ticked, the read pacing timer reads registers 256 to 273
// over and over, and the editor is locked so that no field can be edited and no other transfer
// started.

#include "app/program.h"
#include "editor/frm_config.h"
#include "link/commport.h"

#include <initializer_list>

namespace qtx52::editor {

namespace {

// The lists that follow a configuration value box and are locked with it.
constexpr std::initializer_list<int> kLockedCfgLists = {2,  4,  12, 15, 21, 27,
                                                        31, 32, 33, 34, 36, 37};

// Every editing control the monitor locks, in the order in which it locks and unlocks them: each
// list right after its value box.
void setEditorEnabled(frm_config& w, bool on) {
    auto set = [on](forms::Control* c) {
        if (c)
            c->setEnabled(on);
    };
    for (int i = 0; i <= 7; ++i) {
        set(w.txt_data_in.at(i));
        if (i == 4 || i == 5)
            set(w.cmb_in.at(i));
    }
    for (int i = 0; i <= 4; ++i)
        set(w.chk_inp_bit.at(i));
    for (int i = 0; i <= 37; ++i) {
        set(w.txt_data_cfg.at(i));
        for (int list : kLockedCfgLists)
            if (list == i)
                set(w.cmb_cfg.at(i));
    }
    for (int i = 0; i <= 3; ++i)
        set(w.chk_cfg.at(i));
    for (int i = 4; i <= 13; ++i)
        set(w.cmb_bit_cfg.at(i));
}

} // namespace

void frm_config::chk_read_out_Click() {
    if (chk_read_out->value() == 1) {
        g.commState = 1;
        Timer6.setEnabled(true);
        read_out_parameter->setEnabled(false);
        set_parameter->setEnabled(false);
        cmd_read_device->setEnabled(false);
        g.startAddress = 256;
        alreadyRead = 0;
        countReadRegister = 0;
        g.monitorBlock = 0;
        setEditorEnabled(*this, false);
        // linkReady stays as it is: the first read goes out at the first pacing tick after any
        // reply still outstanding; with fast reads at once when the link is free.
        if (fastReads)
            followChain();
        return;
    }

    Timer6.setEnabled(false);
    alreadyRead = 0;
    countReadRegister = 0;
    g.monitorBlock = 0;
    // With the port closed nothing can be sent, so the commands stay disabled.
    if (MSComm1.portOpen()) {
        read_out_parameter->setEnabled(true);
        cmd_read_device->setEnabled(true);
        update_apply_button(0);
    }
    setEditorEnabled(*this, true);
    // commState and startAddress stay: a reply still outstanding is decoded as part of the
    // monitor's range and may finish the read-out of coils and input values.
}

void frm_config::connectMonitor() {
    connect(chk_read_out, &CheckBox::click, this, [this] { chk_read_out_Click(); });
}

} // namespace qtx52::editor
