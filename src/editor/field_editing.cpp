// Typing, leaving and stepping the numeric value boxes. The text of a box is its value; every
// text assigned here raises the box's change handling (selection.cpp), which mirrors and marks it.

#include "app/global.h"
#include "editor/frm_config.h"
#include "params/field_rules.h"
#include "params/numbers.h"
#include "params/register_map.h"

#include <cmath>
#include <optional>

namespace qtx52::editor {

using namespace params;

namespace {

// Tolerance for comparing a value read from a decimal text with a limit computed in binary
// floating point (9.9 against 10 - 0.1): the texts never carry more than a few decimals.
constexpr double kEpsilon = 1e-9;

constexpr double kFineStep = 0.1;
constexpr double kCoarseStep = 1.0;

constexpr int kKeyMinus = '-';

// Tenths for the temperatures, offsets, bands and limits; whole units for everything else.
double stepOf(int i) {
    const bool fine = (i >= 7 && i <= 14) || i == 16 || i == 22 || i == 28;
    return fine ? kFineStep : kCoarseStep;
}

// The key filter shared by both families of value boxes. `text` is the box's text without its
// selection, which the key replaces: a separator typed over the selected "2,5" goes in.
void filterNumberKey(KeyEvent* e, const QString& text, bool signedField, const QString& separator) {
    const int key = e->keyAscii;
    if (key >= '0' && key <= '9')
        return;
    if (key == forms::KeyBackspace || key == forms::KeyDelete)
        return;
    if (!separator.isEmpty() && key == separator.at(0).unicode()) {
        if (text.contains(separator))
            e->keyAscii = 0;
        return;
    }
    if (signedField && key == kKeyMinus) {
        if (text.contains(QLatin1Char('-')))
            e->keyAscii = 0;
        return;
    }
    e->keyAscii = 0;
}

// The text a box gets when the focus leaves it, or nothing when it stays as typed.
std::optional<QString> forcedText(const QString& text, const Range& r, double reference,
                                  const QString& separator) {
    if (text.isEmpty())
        return QStringLiteral("0");
    const std::optional<double> v = parseNumber(text, separator);
    if (!v)
        return formatNumber(reference, separator);
    if (*v > r.max)
        return formatNumber(r.aboveMax, separator);
    if (*v < r.min)
        return formatNumber(r.belowMin, separator);
    return std::nullopt;
}

// One step of the arrows from v within [min, max]. A value beyond a limit is pulled to that limit
// by a step towards it and moves one step from where it is by a step away from it.
double stepValue(double v, double min, double max, double step, bool up) {
    double next;
    if (up)
        next = v <= max - step + kEpsilon ? v + step : max;
    else
        next = v >= min + step - kEpsilon ? v - step : min;
    // Stepping onto zero from a tenth must show "0", not a binary remainder.
    return std::fabs(next) < kEpsilon ? 0.0 : next;
}

} // namespace

void frm_config::txt_data_cfg_KeyPress(int index, KeyEvent* e) {
    filterNumberKey(e, txt_data_cfg(index).textBesideSelection(), isSignedConfigField(index),
                    g.decimalSeparator);
}

void frm_config::txt_data_in_KeyPress(int index, KeyEvent* e) {
    filterNumberKey(e, txt_data_in(index).textBesideSelection(), isSignedInputField(index),
                    g.decimalSeparator);
}

void frm_config::txt_data_cfg_LostFocus(int index) {
    TextBox& box = txt_data_cfg(index);
    if (const auto text = forcedText(box.text(), configRange(index),
                                     g.refDataCfg[std::size_t(index)], g.decimalSeparator))
        box.setText(*text);
}

void frm_config::txt_data_in_LostFocus(int index) {
    TextBox& box = txt_data_in(index);
    if (const auto text = forcedText(box.text(), inputRange(index), g.refDataIn[std::size_t(index)],
                                     g.decimalSeparator))
        box.setText(*text);
}

namespace {

void stepField(frm_config& f, int index, bool up) {
    const UpDownLimits* limits = upDownLimitsFor(index);
    TextBox* box = f.txt_data_cfg.at(index);
    if (!limits || !box)
        return;
    const std::optional<double> v = parseNumber(box->text(), f.g.decimalSeparator);
    if (!v)
        return; // a box that holds no number is left to its own focus handling
    box->setText(formatNumber(stepValue(*v, limits->min, limits->max, stepOf(index), up),
                              f.g.decimalSeparator));
}

} // namespace

void frm_config::UpD_txt_cfg_UpClick(int index) {
    stepField(*this, index, true);
}

void frm_config::UpD_txt_cfg_DownClick(int index) {
    stepField(*this, index, false);
}

void frm_config::UpD_txt_cfg_MouseDown(int index, int /*x*/, int y) {
    repeatIndex = index;
    repeatUp = y < UpD_txt_cfg(index).height() / 2.0; // the upper arrow
    Timer.setEnabled(true);
}

void frm_config::UpD_txt_cfg_MouseMove(int index, int x, int y) {
    // The repeat goes on while the pointer stays near the arrows; only moving well below or to
    // the right of them ends it.
    const UpDown& arrows = UpD_txt_cfg(index);
    if (y > 1.2 * arrows.height() || x > 1.2 * arrows.width())
        Timer.setEnabled(false);
}

void frm_config::UpD_txt_cfg_MouseUp(int /*index*/, int /*x*/, int /*y*/) {
    Timer.setEnabled(false);
}

void frm_config::Timer_Timer() {
    stepField(*this, int(repeatIndex), repeatUp);
}

void frm_config::connectFieldEditing() {
    for (const auto& [i, box] : txt_data_cfg) {
        connect(box, &TextBox::keyPress, this,
                [this, i = i](KeyEvent* e) { txt_data_cfg_KeyPress(i, e); });
        connect(box, &TextBox::lostFocus, this, [this, i = i] { txt_data_cfg_LostFocus(i); });
    }
    for (const auto& [i, box] : txt_data_in) {
        connect(box, &TextBox::keyPress, this,
                [this, i = i](KeyEvent* e) { txt_data_in_KeyPress(i, e); });
        connect(box, &TextBox::lostFocus, this, [this, i = i] { txt_data_in_LostFocus(i); });
    }
    for (const auto& [i, arrows] : UpD_txt_cfg) {
        connect(arrows, &UpDown::upClick, this, [this, i = i] { UpD_txt_cfg_UpClick(i); });
        connect(arrows, &UpDown::downClick, this, [this, i = i] { UpD_txt_cfg_DownClick(i); });
        connect(arrows, &UpDown::mouseDown, this,
                [this, i = i](int x, int y) { UpD_txt_cfg_MouseDown(i, x, y); });
        connect(arrows, &UpDown::mouseMove, this,
                [this, i = i](int x, int y) { UpD_txt_cfg_MouseMove(i, x, y); });
        connect(arrows, &UpDown::mouseUp, this,
                [this, i = i](int x, int y) { UpD_txt_cfg_MouseUp(i, x, y); });
    }
    connect(&Timer, &forms::Timer::tick, this, [this] { Timer_Timer(); });
}

} // namespace qtx52::editor
