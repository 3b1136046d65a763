// Typing, leaving and stepping the numeric value boxes. The text of a box is its value; every
// text assigned here raises the box's change handling (selection.cpp), which mirrors and marks it.

#include "app/global.h"
#include "app/language.h"
#include "editor/frm_config.h"
#include "params/field_rules.h"
#include "params/numbers.h"
#include "params/register_map.h"

#include <algorithm>
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

// Why a key or a paste was not taken, in the interface's language.
using Refusal = app::BothLanguages;
const Refusal kWholeNumbersOnly{
    "Dieses Feld nimmt nur ganze Zahlen; \"%1\" wurde nicht übernommen.",
    "This field takes whole numbers only; \"%1\" was not taken."};
const Refusal kOneSeparator{"Die Zahl hat schon ein Dezimaltrennzeichen.",
                            "The number already has a decimal separator."};
const Refusal kOneMinus{"Die Zahl hat schon ein Minuszeichen.",
                        "The number already has a minus sign."};
const Refusal kNoMinus{"Dieses Feld nimmt keine negativen Werte.",
                       "This field takes no negative values."};
const Refusal kNotOfANumber{"\"%1\" gehört nicht zu einer Zahl.",
                            "\"%1\" is not part of a number."};
const Refusal kPasteRefused{"Nicht eingefügt: %1", "Not pasted: %1"};
const Refusal kPasteTooLong{"Der eingefügte Text passt nicht in dieses Feld.",
                            "The pasted text does not fit this field."};

// A box whose register keeps tenths takes a decimal separator; every other box holds whole
// numbers.
bool hasDecimals(bool config, int element) {
    const Encoding e = config ? configEncoding(element) : inputEncoding(element);
    return e == Encoding::SignedTenths;
}

// The key filter shared by both families of value boxes. `text` is the box's text without its
// selection, which the key replaces: a separator typed over the selected "2,5" goes in.
// Where the field has decimals, "," and "." both stand for the decimal separator (the keyboard's
// and the regional settings' need not agree) and go in as the interface's own; where it has none,
// a separator is refused rather than dropped, so that "22,7" never becomes 227 unnoticed.
void filterNumberKey(KeyEvent* e, const QString& text, bool signedField, bool decimals,
                     const QString& separator, bool english) {
    const int key = e->keyAscii;
    if (key >= '0' && key <= '9')
        return;
    if (key == forms::KeyBackspace || key == forms::KeyDelete)
        return;
    const QString sep = separator.isEmpty() ? QStringLiteral(",") : separator;
    if (key == ',' || key == '.' || key == sep.at(0).unicode()) {
        if (!decimals)
            e->refusal = kWholeNumbersOnly.in(english).arg(QChar(key));
        else if (text.contains(sep))
            e->refusal = kOneSeparator.in(english);
        e->keyAscii = e->refusal.isEmpty() ? sep.at(0).unicode() : 0;
        return;
    }
    if (key == kKeyMinus) {
        if (!signedField)
            e->refusal = kNoMinus.in(english);
        else if (text.contains(QLatin1Char('-')))
            e->refusal = kOneMinus.in(english);
        if (!e->refusal.isEmpty())
            e->keyAscii = 0;
        return;
    }
    if (key >= 32)
        e->refusal = kNotOfANumber.in(english).arg(QChar(key));
    e->keyAscii = 0;
}

// The text a box gets when the focus leaves it, or nothing when it stays as typed.
// A value the unit reported is never changed by the editor's limits: it goes back as it came.
std::optional<QString> forcedText(const QString& text, const Range& r, double reference,
                                  bool referenceFromUnit, const QString& separator) {
    if (text.isEmpty())
        return QStringLiteral("0");
    const std::optional<double> v = parseNumber(text, separator);
    if (!v)
        return formatNumber(reference, separator);
    if (referenceFromUnit && *v == reference)
        return std::nullopt;
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

namespace {

// A refused key says why at the box.
void filterBoxKey(frm_config& f, TextBox& box, KeyEvent* e, bool config, int index) {
    // Enter completes the value, as leaving the box does.
    if (e->keyAscii == forms::KeyEnter) {
        config ? f.txt_data_cfg_LostFocus(index) : f.txt_data_in_LostFocus(index);
        return;
    }
    f.typedBox = frm_config::TypedBox{config, index};
    const bool signedField = config ? isSignedConfigField(index) : isSignedInputField(index);
    filterNumberKey(e, box.textBesideSelection(), signedField, hasDecimals(config, index),
                    f.g.decimalSeparator, f.g.languageId == app::kLanguageEnglish);
    if (e->keyAscii == 0 && !e->refusal.isEmpty())
        box.setNotice(e->refusal);
}

void showPasteRefusal(frm_config& f, TextBox& box, const QString& why) {
    const bool english = f.g.languageId == app::kLanguageEnglish;
    box.setNotice(kPasteRefused.in(english).arg(why.isEmpty() ? kPasteTooLong.in(english) : why));
}

} // namespace

void frm_config::txt_data_cfg_KeyPress(int index, KeyEvent* e) {
    filterBoxKey(*this, txt_data_cfg(index), e, true, index);
}

void frm_config::txt_data_in_KeyPress(int index, KeyEvent* e) {
    filterBoxKey(*this, txt_data_in(index), e, false, index);
}

void frm_config::txt_data_cfg_LostFocus(int index) {
    typedBox.reset();
    TextBox& box = txt_data_cfg(index);
    if (const auto text =
            forcedText(box.text(), configRange(index), g.refDataCfg[std::size_t(index)],
                       g.unitValuesRead, g.decimalSeparator))
        box.setText(*text);
}

void frm_config::txt_data_in_LostFocus(int index) {
    typedBox.reset();
    TextBox& box = txt_data_in(index);
    if (const auto text = forcedText(box.text(), inputRange(index), g.refDataIn[std::size_t(index)],
                                     g.unitValuesRead, g.decimalSeparator))
        box.setText(*text);
}

void frm_config::completeTypedValue() {
    if (!typedBox)
        return;
    const TypedBox box = *typedBox;
    box.config ? txt_data_cfg_LostFocus(box.element) : txt_data_in_LostFocus(box.element);
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
    // The arrows stop where the box's own range does: the response time at 5 ms, the location
    // code at what its signed register holds.
    const Range range = configRange(index);
    const double min = std::max(limits->min, range.min);
    const double max = std::min(limits->max, range.max);
    box->setText(formatNumber(stepValue(*v, min, max, stepOf(index), up), f.g.decimalSeparator));
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
        connect(box, &TextBox::pasteRefused, this,
                [this, box = box](const QString& why) { showPasteRefusal(*this, *box, why); });
    }
    for (const auto& [i, box] : txt_data_in) {
        connect(box, &TextBox::keyPress, this,
                [this, i = i](KeyEvent* e) { txt_data_in_KeyPress(i, e); });
        connect(box, &TextBox::lostFocus, this, [this, i = i] { txt_data_in_LostFocus(i); });
        connect(box, &TextBox::pasteRefused, this,
                [this, box = box](const QString& why) { showPasteRefusal(*this, *box, why); });
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
