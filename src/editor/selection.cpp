// The pairs of hidden value controls and visible lists, kept in step both ways; the displays
// derived from certain values; the red change marks; and the write button that follows them.
//
// Everything here runs in chains: assigning a partner control raises that control's handler at
// once, and an assignment that changes nothing raises nothing, which ends the chain.

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "params/field_rules.h"
#include "params/numbers.h"
#include "params/register_map.h"

#include <climits>
#include <limits>
#include <optional>
#include <vector>

namespace qtx52::editor {

using namespace params;

namespace {

using forms::Color;
using forms::ColorButtonText;
using forms::ColorChanged;

constexpr double kNoLimit = std::numeric_limits<double>::infinity();

// How the value of a list-coded register picks its list entry, and back. The codes of a list are
// not its positions: the button functions 0x20..0x23 and 0x30 sit at positions 1..5, the closing
// contacts 0x10..0x15 of the digital inputs at 6..11.
struct ListCoding {
    // Value to entry: the first band whose upper bound lies above the value gives
    // entry = integer of (value - offset). A value beyond the last band leaves the list alone.
    struct ValueBand {
        double valueBelow;
        double offset;
    };
    // Entry to value: the first band whose last entry is at or above the entry gives
    // value = entry + offset. An entry beyond the last band leaves the value alone.
    struct EntryBand {
        int entryUpTo;
        int offset;
    };
    std::vector<ValueBand> toEntry;
    std::vector<EntryBand> toValue;

    // nullopt: leave the list as it is.
    std::optional<double> entryOffsetFor(double value) const {
        for (const ValueBand& b : toEntry)
            if (value < b.valueBelow)
                return b.offset;
        return std::nullopt;
    }
    std::optional<int> valueFor(int entry) const {
        if (entry < 0)
            return std::nullopt; // nothing chosen
        for (const EntryBand& b : toValue)
            if (entry <= b.entryUpTo)
                return entry + b.offset;
        return std::nullopt;
    }
};

// Entry and value are the same number.
const ListCoding kPlain{{{kNoLimit, 0}}, {{INT_MAX, 0}}};
// Device types 0x00..0x05 at their own positions, 0x10 and 0x11 at 6 and 7.
const ListCoding kDeviceType{{{16, 0}, {kNoLimit, 10}}, {{5, 0}, {7, 10}, {INT_MAX, 0}}};
// Button functions 0x00, 0x20..0x23, 0x30.
const ListCoding kButtonFunction{{{16, 0}, {48, 31}, {64, 43}}, {{0, 0}, {4, 31}, {9, 43}}};
// Digital input functions: opening contacts 0x00..0x05, closing contacts 0x10..0x15.
const ListCoding kInputFunction{{{6, 0}, {22, 10}}, {{5, 0}, {INT_MAX, 10}}};

struct ConfigList {
    int element;
    const ListCoding* coding;
    bool sharesMark; // the list shows the field's change mark as well
};
const std::vector<ConfigList> kConfigLists{
    {2, &kDeviceType, true},     {4, &kButtonFunction, true}, {12, &kPlain, false},
    {15, &kPlain, true},         {21, &kPlain, true},         {27, &kPlain, true},
    {31, &kInputFunction, true}, {32, &kInputFunction, true}, {33, &kPlain, true},
    {34, &kPlain, true},         {36, &kPlain, true},         {37, &kPlain, false},
};

const ConfigList* configList(int element) {
    for (const ConfigList& l : kConfigLists)
        if (l.element == element)
            return &l;
    return nullptr;
}

// Occupancy and controller mode given to the unit.
const ListCoding* inputCoding(int element) {
    return element == 4 || element == 5 ? &kPlain : nullptr;
}

constexpr int kDeviceTypeElement = 2;
constexpr int kButtonElement = 4;
constexpr int kButtonToggleAutoOff = 48; // 0x30: the button toggles the controller on and off
constexpr int kLocalLockMonitor = 10;
constexpr int kUnitCoil = 6;
constexpr int kPotentiometerCoil = 13;
// Device types with a setpoint display of their own (0x10, 0x11) instead of a potentiometer.
constexpr int kFirstSetpointDisplayType = 6;
constexpr int kLastSetpointDisplayType = 7;
// The device type whose potentiometer coil is shown in both views at once.
constexpr int kMirroredPotentiometerType = 5;

Color markFor(bool changed) {
    return changed ? ColorChanged : ColorButtonText;
}

// Sets a list to the entry a value text stands for. False when the text is no number or the
// entry does not exist: the caller then leaves the field as it is, marks included.
bool mirrorIntoList(ListBox& list, const ListCoding& coding, const QString& text,
                    const QString& separator) {
    const std::optional<double> v = parseNumber(text, separator);
    if (!v)
        return false;
    const std::optional<double> offset = coding.entryOffsetFor(*v);
    if (!offset)
        return true;
    // The offsets are whole numbers, so a half stays exactly a half and rounds to even.
    const double entry = roundHalfEven(*v - *offset);
    return entry >= INT_MIN && entry <= INT_MAX && list.setListIndex(int(entry));
}

void setLocalLockDisplay(frm_config& f) {
    const std::optional<double> v =
        parseNumber(f.txt_data_cfg(kButtonElement).text(), f.g.decimalSeparator);
    const bool on = v && *v == kButtonToggleAutoOff;
    f.lbl_in_val(kLocalLockMonitor).setEnabled(on);
    f.lbl_read_out(kLocalLockMonitor).setEnabled(on);
}

bool anyMarked(const auto& controls) {
    for (const auto& [i, c] : controls)
        if (c->foreColor() == ColorChanged)
            return true;
    return false;
}

} // namespace

void frm_config::txt_data_cfg_Change(int index) {
    TextBox& box = txt_data_cfg(index);

    if (index == 0 || index == 1)
        lbl_cfg_val(index).setCaption(box.text());
    const ConfigList* list = configList(index);
    if (list) {
        if (!mirrorIntoList(cmb_cfg(index), *list->coding, box.text(), g.decimalSeparator))
            return;
        if (index == kButtonElement)
            setLocalLockDisplay(*this);
    }

    // The response time's range is forced when its value is complete (leaving the box, Enter,
    // Apply), never at a key: "20" must be typeable through its first digit.
    if (index == kResponseTimeRegister)
        responseTimeChanged = true;

    // Read again: the list may have rewritten the text.
    const std::optional<double> v = parseNumber(box.text(), g.decimalSeparator);
    if (!v)
        return;
    const Color mark = markFor(g.referencesCleared || *v != g.refDataCfg[std::size_t(index)]);
    box.setForeColor(mark);
    if (list && list->sharesMark)
        cmb_cfg(index).setForeColor(mark);
    update_apply_button(1);
}

void frm_config::txt_data_in_Change(int index) {
    TextBox& box = txt_data_in(index);
    const ListCoding* coding = inputCoding(index);
    if (coding && !mirrorIntoList(cmb_in(index), *coding, box.text(), g.decimalSeparator))
        return;

    const std::optional<double> v = parseNumber(box.text(), g.decimalSeparator);
    if (!v)
        return;
    const Color mark = markFor(g.referencesCleared || *v != g.refDataIn[std::size_t(index)]);
    box.setForeColor(mark);
    if (coding)
        cmb_in(index).setForeColor(mark);
    update_apply_button(2);
}

void frm_config::txt_data_out_Change(int index) {
    const std::optional<double> v = parseNumber(txt_data_out(index).text(), g.decimalSeparator);
    if (!v)
        return;
    // A value without a word leaves the word shown before.
    if (const std::optional<int> word = monitorWordIndex(index, *v))
        lbl_in_val(index).setCaption(g.langTexts[std::size_t(*word)]);
}

void frm_config::chk_cfg_Click(int index) {
    CheckBox& box = chk_cfg(index);
    const int state = box.value();
    const bool hasList = (index >= 4 && index <= 13) || index == kCoil13View;
    // A state the two-entry list cannot show (2 from a parameter file) leaves the list as it is;
    // the coil is still compared and marked, so it cannot pass as unchanged.
    if (hasList && (state == 0 || state == 1))
        cmb_bit_cfg(index).setListIndex(state);

    const Color mark = markFor(g.referencesCleared || state != g.refCfgBits[std::size_t(index)]);
    box.setForeColor(mark);
    if (hasList && index != kCoil13View)
        cmb_bit_cfg(index).setForeColor(mark);
    update_apply_button(3);
}

void frm_config::chk_inp_bit_Click(int index) {
    CheckBox& box = chk_inp_bit(index);
    box.setForeColor(
        markFor(g.referencesCleared || box.value() != g.refInpBits[std::size_t(index)]));
    update_apply_button(4);
}

void frm_config::cmb_cfg_Click(int index) {
    const ConfigList* list = configList(index);
    if (!list)
        return;
    const int entry = cmb_cfg(index).listIndex();
    if (const std::optional<int> value = list->coding->valueFor(entry))
        txt_data_cfg(index).setText(QString::number(*value));

    if (index == kDeviceTypeElement) {
        // Device types with their own setpoint display have no potentiometer: the coil-13 list is
        // offered as the setpoint display choice instead.
        const bool setpointDisplay =
            entry >= kFirstSetpointDisplayType && entry <= kLastSetpointDisplayType;
        lbl_read_cfg_bit(kPotentiometerCoil).setVisible(!setpointDisplay);
        cmb_bit_cfg(kPotentiometerCoil).setVisible(!setpointDisplay);
        lbl_read_cfg_bit(kCoil13View).setVisible(setpointDisplay);
        cmb_bit_cfg(kCoil13View).setVisible(setpointDisplay);
    } else if (index == kButtonElement) {
        setLocalLockDisplay(*this);
    }
}

void frm_config::cmb_in_Click(int index) {
    const ListCoding* coding = inputCoding(index);
    if (!coding)
        return;
    if (const std::optional<int> value = coding->valueFor(cmb_in(index).listIndex()))
        txt_data_in(index).setText(QString::number(*value));
}

void frm_config::cmb_bit_cfg_Click(int index) {
    const int entry = cmb_bit_cfg(index).listIndex();
    if (entry != 0 && entry != 1) {
        // Nothing selected: no coil state follows from it.
        program.ui.messageBox(QStringLiteral("Fehler"), app::kAppTitle);
        return;
    }

    if (index == kUnitCoil) {
        chk_cfg(kUnitCoil).setValue(entry);
        const QString unit =
            chk_cfg(kUnitCoil).value() == 1 ? QStringLiteral("°C") : QStringLiteral("°F");
        for (int u = 0; u <= 4; ++u)
            lbl_unit(u).setCaption(unit);
    } else if (index == kPotentiometerCoil) {
        if (cmb_cfg(kDeviceTypeElement).listIndex() == kMirroredPotentiometerType) {
            chk_cfg(kPotentiometerCoil).setValue(entry);
            chk_cfg(kCoil13View).setValue(entry);
            cmb_bit_cfg(kCoil13View).setListIndex(entry);
        } else {
            chk_cfg(kPotentiometerCoil).setValue(entry);
            const QString unit = entry == 1 ? QStringLiteral("%rH") : QStringLiteral("K");
            for (int k : {0, 1, 4})
                lbl_kelvin(k).setCaption(unit);
        }
    } else if (index == kCoil13View) {
        chk_cfg(kPotentiometerCoil).setValue(entry);
        cmb_bit_cfg(kPotentiometerCoil).setListIndex(entry);
    } else if (index >= 4 && index <= 12) {
        chk_cfg(index).setValue(entry);
    }
}

void frm_config::markAgainstReferences() {
    // The marks follow the unit's values, not edits: what was saved or unchanged before is no
    // more to be lost now than it was.
    const bool unsaved = hasUnsavedEdits();
    const bool all = g.referencesCleared;
    // A box that holds no number keeps its mark, unless every field is marked.
    const auto boxMark = [&](const TextBox& box, double reference) -> std::optional<Color> {
        const std::optional<double> v = parseNumber(box.text(), g.decimalSeparator);
        if (!all && !v)
            return std::nullopt;
        return markFor(all || *v != reference);
    };
    for (const auto& [i, box] : txt_data_cfg)
        if (const std::optional<Color> mark = boxMark(*box, g.refDataCfg[std::size_t(i)])) {
            box->setForeColor(*mark);
            if (const ConfigList* list = configList(i); list && list->sharesMark)
                cmb_cfg(i).setForeColor(*mark);
        }
    for (const auto& [i, box] : txt_data_in)
        if (const std::optional<Color> mark = boxMark(*box, g.refDataIn[std::size_t(i)])) {
            box->setForeColor(*mark);
            if (inputCoding(i))
                cmb_in(i).setForeColor(*mark);
        }
    for (const auto& [i, box] : chk_cfg) {
        const Color mark = markFor(all || box->value() != g.refCfgBits[std::size_t(i)]);
        box->setForeColor(mark);
        if (ListBox* list = cmb_bit_cfg.at(i); list && i != kCoil13View)
            list->setForeColor(mark);
    }
    for (const auto& [i, box] : chk_inp_bit)
        box->setForeColor(markFor(all || box->value() != g.refInpBits[std::size_t(i)]));
    if (!unsaved)
        editsSaved = true;
    update_apply_button(0);
}

void frm_config::update_apply_button(int group) {
    // Every group is looked at whichever group asks: a change waiting in one group must keep the
    // button enabled while another group's last change is undone.
    const bool changed = anyMarked(txt_data_cfg) || anyMarked(txt_data_in) || anyMarked(chk_cfg) ||
                         anyMarked(chk_inp_bit);
    if (group != 0) // a field's change, not the port opening
        editorChanged();
    // The monitor owns the button while it runs.
    if (chk_read_out->value() != 0)
        return;
    set_parameter->setEnabled(changed);
}

void frm_config::connectSelection() {
    for (const auto& [i, box] : txt_data_cfg)
        connect(box, &TextBox::change, this, [this, i = i] { txt_data_cfg_Change(i); });
    for (const auto& [i, box] : txt_data_in)
        connect(box, &TextBox::change, this, [this, i = i] { txt_data_in_Change(i); });
    for (const auto& [i, box] : txt_data_out)
        connect(box, &TextBox::change, this, [this, i = i] { txt_data_out_Change(i); });
    for (const auto& [i, box] : chk_cfg)
        connect(box, &CheckBox::click, this, [this, i = i] { chk_cfg_Click(i); });
    for (const auto& [i, box] : chk_inp_bit)
        connect(box, &CheckBox::click, this, [this, i = i] { chk_inp_bit_Click(i); });
    for (const auto& [i, list] : cmb_cfg)
        connect(list, &ListBox::click, this, [this, i = i] { cmb_cfg_Click(i); });
    for (const auto& [i, list] : cmb_in)
        connect(list, &ListBox::click, this, [this, i = i] { cmb_in_Click(i); });
    for (const auto& [i, list] : cmb_bit_cfg)
        connect(list, &ListBox::click, this, [this, i = i] { cmb_bit_cfg_Click(i); });
}

} // namespace qtx52::editor
