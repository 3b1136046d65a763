// The main window's controls in their design state: German captions and list entries, the frames
// that group them, and what is hidden from the start. Captions that differ between the languages
// come from the language tables and the register map, so the design texts are written once.

#include "app/language.h"
#include "editor/frm_config.h"
#include "params/register_map.h"

namespace qtx52::editor {

using namespace params;

namespace {

const QString kCelsius = QStringLiteral("°C");
const QString kRelHumidity = QStringLiteral("%rH");
const QString kKelvin = QStringLiteral("K");

// Value boxes hold at most this many characters as typed.
constexpr int kConfigTextLimit = 5;
constexpr int kInputTextLimitShort = 5; // txt_data_in 2..5
constexpr int kInputTextLimitLong = 6;  // txt_data_in 0, 1, 6, 7: external values and outputs
constexpr int kStationTextLimit = 3;

// Headings in the spare slots of lbl_desc: the input registers of the outputs tab and the
// configuration registers of the setpoint tab.
constexpr int kHeadingOutputInputs = 14;
constexpr int kHeadingSetpointConfig = 18;

// Monitored values shown as words in lbl_in_val instead of their number.
bool monitorShownAsText(int element) {
    return element == 6 || element == 7 || element == 10 || element == 17;
}

// Unit labels beside the fields; only temperature, humidity and kelvin fields carry one.
struct UnitLabel {
    Family family;
    int element;
    ControlArray<Label> frm_config::*array;
    int index;
    const QString* text;
};

const UnitLabel kUnitLabels[] = {
    {Family::Input, 0, &frm_config::lbl_unit, 0, &kCelsius},
    {Family::Input, 1, &frm_config::lbl_unit_hum, 0, &kRelHumidity},
    {Family::Input, 2, &frm_config::lbl_kelvin, 3, &kKelvin},
    {Family::Input, 3, &frm_config::lbl_unit, 3, &kCelsius},
    {Family::Config, 9, &frm_config::lbl_kelvin, 0, &kKelvin},
    {Family::Config, 10, &frm_config::lbl_kelvin, 1, &kKelvin},
    {Family::Config, 11, &frm_config::lbl_unit, 2, &kCelsius},
    {Family::Monitor, 2, &frm_config::lbl_unit, 1, &kCelsius},
    {Family::Monitor, 3, &frm_config::lbl_kelvin, 4, &kKelvin},
    {Family::Monitor, 4, &frm_config::lbl_unit, 4, &kCelsius},
    {Family::Monitor, 5, &frm_config::lbl_unit_hum, 1, &kRelHumidity},
};

const RegisterInfo& configRegister(int element) {
    return configRegisters().at(element);
}

class Builder {
public:
    explicit Builder(frm_config& w) : w_(w) {}

    template <class T> T* add(ControlArray<T>& array, int index, forms::Control* container) {
        auto* c = new T(QString::fromUtf8(array.name()), index, &w_);
        c->setContainer(container);
        array.add(index, c);
        return c;
    }
    template <class T> T* single(const char* name, forms::Control* container) {
        auto* c = new T(QString::fromUtf8(name), -1, &w_);
        c->setContainer(container);
        return c;
    }

    Frame* frame(ControlArray<Frame>& array, int index) { return add(array, index, &w_.form); }

    void heading(int index, Frame* frame) { add(w_.lbl_desc, index, frame); }

    void unitBeside(Family family, int element, Frame* frame) {
        for (const UnitLabel& u : kUnitLabels)
            if (u.family == family && u.element == element)
                add(w_.*u.array, u.index, frame)->setCaption(*u.text);
    }

    // A configuration register: caption, value box, and its list, arrows or read-only display.
    void configRow(int i, Frame* frame) {
        add(w_.lbl_cfg, i, frame);
        TextBox* box = add(w_.txt_data_cfg, i, frame);
        box->setMaxLength(kConfigTextLimit);
        if (i == 0 || i == 1) {
            // Device coding and firmware are the unit's own: shown, never edited.
            box->setVisible(false);
            add(w_.lbl_cfg_val, i, frame);
        } else if (const ValueList* l = valueList(configRegister(i).list)) {
            box->setVisible(false);
            add(w_.cmb_cfg, i, frame)->setItems(l->entriesDe);
        } else if (const UpDownLimits* limits = upDownLimitsFor(i)) {
            add(w_.UpD_txt_cfg, i, frame)->setRange(limits->min, limits->max);
        }
        unitBeside(Family::Config, i, frame);
    }

    // A configuration coil: caption and check box; coils with two named states are chosen in a
    // list and their check box only holds the bit.
    void coilRow(const CoilInfo& c, Frame* frame) {
        add(w_.lbl_read_cfg_bit, c.element, frame);
        CheckBox* box = add(w_.chk_cfg, c.element, frame);
        if (!c.statesDe.isEmpty()) {
            box->setVisible(false);
            add(w_.cmb_bit_cfg, c.element, frame)->setItems(c.statesDe);
        }
    }
    void coilRow(int i, Frame* frame) { coilRow(configCoils().at(i), frame); }

    void inputRow(int i, Frame* frame) {
        add(w_.lbl_data_in, i, frame);
        TextBox* box = add(w_.txt_data_in, i, frame);
        const bool longText = i == 0 || i == 1 || i == 6 || i == 7;
        box->setMaxLength(longText ? kInputTextLimitLong : kInputTextLimitShort);
        if (const ValueList* l = valueList(inputRegisters().at(i).list)) {
            box->setVisible(false);
            add(w_.cmb_in, i, frame)->setItems(l->entriesDe);
        }
        unitBeside(Family::Input, i, frame);
    }

    void inputCoilRow(int i, Frame* frame) {
        add(w_.lbl_read_bit, i, frame);
        add(w_.chk_inp_bit, i, frame);
    }

    void monitorRow(int i, Frame* frame) {
        add(w_.lbl_read_out, i, frame);
        TextBox* box = add(w_.txt_data_out, i, frame);
        box->setBackColor(forms::ColorScrollBars);
        box->setLocked(true); // live values from the unit: read and copied, never typed over
        if (monitorShownAsText(i)) {
            box->setVisible(false);
            add(w_.lbl_in_val, i, frame);
        }
        unitBeside(Family::Monitor, i, frame);
    }

private:
    frm_config& w_;
};

} // namespace

std::vector<Frame*> frm_config::framesOnTab(int tab) const {
    switch (tab) {
    case 0:
        return {&frm_allg(1), &frm_hold(0), &frm_coils(0)};
    case 1:
        return {&frm_display(0)};
    case 2:
        return {frm_outp, &frm_button(1), &frm_button(0)};
    case 3:
        return {&frm_ctrl(0), &frm_ctrl(1), &frm_ctrl(2)};
    case 4:
        return {&frm_soll(1)};
    case 5:
        return {&frm_val(1)};
    default:
        return {};
    }
}

void frm_config::createControls() {
    Builder b(*this);
    form.setCaption(QStringLiteral("QTX52 RS485 Modbus V1.5"));

    // Menu bar; the file menu's items sit in it.
    MenuItem* fileMenu = b.add(MenüMain, 1, &form);
    for (int i = 1; i <= 4; ++i)
        b.add(ParMenüMain, i, fileMenu);
    ParMenüMain(3).setCaption(QStringLiteral("-"));
    // Nothing to save before a read-out, a file or an edit.
    ParMenüMain(kMenuSave).setEnabled(false);
    b.add(MenüMain, 2, &form);
    b.add(MenüMain, 3, &form);

    // Serial settings; the load fills the lists.
    frm_parameter = b.single<Frame>("frm_parameter", &form);
    frm_parameter->setCaption(QStringLiteral("Parameter"));
    struct Selector {
        int index;
        const char* caption;
    };
    b.add(lbl_parameter, 0, frm_parameter)->setCaption(QStringLiteral("Modbus address"));
    txt_Modbus_adress = b.single<TextBox>("txt_Modbus_adress", frm_parameter);
    txt_Modbus_adress->setMaxLength(kStationTextLimit);
    txt_Modbus_adress->setText(QStringLiteral("1"));
    static const Selector kSelectors[] = {
        {3, "COM-Port"}, {1, "Baudrate"}, {2, "Parity"}, {5, "Mode"}, {6, "COM-Port"}};
    for (const Selector& s : kSelectors) {
        // Labels and lists share their index, except the port list (0) with its label 3.
        const int list = s.index == 3 ? 0 : s.index;
        b.add(lbl_parameter, s.index, frm_parameter)->setCaption(QString::fromUtf8(s.caption));
        b.add(Combo_Port, list, frm_parameter);
        if (list == 0)
            lbl_port_device = b.single<Label>("lbl_port_device", frm_parameter);
    }

    // Commands: read the unit, cancel, write back, the monitor switch and the link's notice.
    Frm_read = b.single<Frame>("Frm_read", &form);
    cmd_read_device = b.single<CommandButton>("cmd_read_device", Frm_read);
    read_out_parameter = b.single<CommandButton>("read_out_parameter", Frm_read);
    set_parameter = b.single<CommandButton>("set_parameter", Frm_read);
    b.heading(17, Frm_read);
    chk_read_out = b.single<CheckBox>("chk_read_out", Frm_read);
    b.heading(16, Frm_read);
    lbl_desc(16).setForeColor(forms::ColorChanged);
    lbl_desc(16).setVisible(false);

    SSTab1 = b.single<TabStrip>("SSTab1", &form);
    {
        QStringList titles;
        for (const app::ControlText& t : app::tabTitles())
            titles << t.de;
        SSTab1->setCaptions(titles);
    }

    // Tab 0: device configuration, values given to the unit, input coils.
    Frame* f = b.frame(frm_allg, 1);
    b.heading(0, f);
    for (int i : {0, 1, 2, 3, 6, 7, 8, 15, 36})
        b.configRow(i, f);
    b.heading(1, f);
    b.coilRow(9, f);
    b.coilRow(coil13View(), f);
    // Only the setpoint-knob variants show element 99, and the load starts with none chosen.
    lbl_read_cfg_bit(kCoil13View).setVisible(false);
    cmb_bit_cfg(kCoil13View).setVisible(false);

    f = b.frame(frm_hold, 0);
    for (int i : {0, 1, 4, 5})
        b.inputRow(i, f);

    f = b.frame(frm_coils, 0);
    for (int i = 0; i < kInputCoilCount; ++i)
        b.inputCoilRow(i, f);

    // Tab 1: display.
    f = b.frame(frm_display, 0);
    b.heading(2, f);
    b.configRow(5, f);
    b.heading(3, f);
    for (int i = 0; i <= 7; ++i)
        b.coilRow(i, f);

    // Tab 2: button, digital inputs, outputs.
    f = b.frame(frm_button, 0);
    b.heading(4, f);
    b.configRow(4, f);

    f = b.frame(frm_button, 1);
    b.heading(5, f);
    for (int i : {31, 32, 33, 34})
        b.configRow(i, f);

    frm_outp = b.single<Frame>("frm_outp", &form);
    b.heading(7, frm_outp);
    b.configRow(29, frm_outp);
    b.configRow(30, frm_outp);
    b.heading(6, frm_outp);
    b.coilRow(10, frm_outp);
    b.coilRow(11, frm_outp);
    // The manual output values are input registers, not coils: they get their own heading.
    b.heading(kHeadingOutputInputs, frm_outp);
    b.inputRow(6, frm_outp);
    b.inputRow(7, frm_outp);

    // Tab 3: controller, heating, cooling.
    f = b.frame(frm_ctrl, 0);
    b.heading(9, f);
    for (int i : {37, 35, 13, 14, 28})
        b.configRow(i, f);
    b.heading(8, f);
    b.coilRow(8, f);
    b.coilRow(12, f);

    f = b.frame(frm_ctrl, 1);
    b.heading(10, f);
    for (int i = 16; i <= 21; ++i)
        b.configRow(i, f);
    f = b.frame(frm_ctrl, 2);
    b.heading(11, f);
    for (int i = 22; i <= 27; ++i)
        b.configRow(i, f);
    // The operating mode travels with read-out, write-back and files, but is not offered for
    // editing.
    for (int i : {21, 27}) {
        cmb_cfg(i).setVisible(false);
        lbl_cfg(i).setVisible(false);
    }

    // Tab 4: setpoints.
    f = b.frame(frm_soll, 1);
    b.heading(12, f);
    b.inputRow(3, f);
    b.inputRow(2, f);
    // The setpoint limits below are configuration registers, not input registers.
    b.heading(kHeadingSetpointConfig, f);
    for (int i : {11, 10, 9, 12})
        b.configRow(i, f);
    b.heading(13, f);
    b.coilRow(13, f);

    // Tab 5: monitor.
    f = b.frame(frm_val, 1);
    b.heading(15, f);
    for (int i = 0; i < kMonitorCount; ++i)
        b.monitorRow(i, f);

    // Every text that the languages share with the English tables, in German.
    applyMainWindowTexts(*this, app::Language::German);
}

} // namespace qtx52::editor
