// The main window's load and unload, and the tab change that enables only the groups of the tab
// on show.

#include "app/language.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "params/numbers.h"

namespace qtx52::editor {

using namespace params;

namespace {

const QStringList kPorts = {QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"),
                            QStringLiteral("COM4"), QStringLiteral("COM5"), QStringLiteral("COM6"),
                            QStringLiteral("COM7"), QStringLiteral("COM8")};
const QStringList kBaudRates = {QStringLiteral("9600"), QStringLiteral("19200"),
                                QStringLiteral("38400"), QStringLiteral("57600")};
const QStringList kParities = {QStringLiteral("None"), QStringLiteral("Even"),
                               QStringLiteral("Odd")};
const QStringList kModes = {QStringLiteral("ASCII"), QStringLiteral("RTU")};
const QStringList kPortStates = {QStringLiteral("close"), QStringLiteral("open")};

constexpr int kParityEven = 1;
constexpr int kModeRtu = 1;
constexpr int kPortClosed = 0;
constexpr int kPortOpened = 1;

} // namespace

void frm_config::Form_Load() {
    app::SetLanguage(program, app::kWindowMain);
    // Centring the window on the screen is the view's part: only it knows the screen and the
    // window's size.

    SSTab1->setTab(0);
    g.startAddress = 0;

    Combo_Port(0).setItems(kPorts);
    Combo_Port(1).setItems(kBaudRates);
    Combo_Port(2).setItems(kParities);
    Combo_Port(5).setItems(kModes);
    Combo_Port(6).setItems(kPortStates);

    // Every selection runs the selectors' handler, which applies it to the closed port.
    Combo_Port(0).setListIndex(0);
    // A baud rate that is not offered leaves the list without a selection.
    if (const int baud = int(kBaudRates.indexOf(g.baudRate)); baud >= 0)
        Combo_Port(1).setListIndex(baud);
    Combo_Port(2).setListIndex(kParityEven);
    Combo_Port(5).setListIndex(kModeRtu);
    Combo_Port(6).setListIndex(g.portOpen ? kPortOpened : kPortClosed);

    for (int i = 0; i < g.inputFieldCount && i < int(g.refDataIn.size()); ++i) {
        TextBox* box = txt_data_in.at(i);
        if (!box)
            continue;
        g.refDataIn[i] = parseNumber(box->text(), g.decimalSeparator).value_or(0.0);
        if (ListBox* list = cmb_in.at(i))
            list->setListIndex(int(roundHalfEven(g.refDataIn[i])));
    }
}

void frm_config::Form_Unload() {
    // The main window is the program: closing it takes every other window with it.
    program.unloadFAbout();
    program.unloadFrmState();
    // The identical-parameters dialog is only ever hidden, never unloaded on its own.
    program.dlgDownload_.reset();
}

void frm_config::SSTab1_Click(int /*previousTab*/) {
    const int selected = SSTab1->tab();
    // Only the frames on show take input; the others keep their contents but not the focus.
    for (int tab = 0; tab < kTabCount; ++tab)
        for (Frame* frame : framesOnTab(tab))
            frame->setEnabled(tab == selected);
}

void frm_config::connectLoad() {
    connect(SSTab1, &TabStrip::click, this, [this](int previous) { SSTab1_Click(previous); });
    // Closing the window by its title bar ends the program, through the same path as every
    // other end of the main window.
    connect(&form, &forms::Form::closeRequested, this, [this] {
        if (mayDropEdits())
            program.unloadFrmConfig();
    });
}

} // namespace qtx52::editor
