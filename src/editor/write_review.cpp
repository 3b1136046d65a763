#include "editor/write_review.h"

#include "app/language.h"
#include "app/program.h"
#include "app/shown_value.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "params/numbers.h"
#include "params/register_map.h"

namespace qtx52::editor {

using namespace params;

namespace {

using Texts = app::BothLanguages;

const Texts kOtherKind{
    "Die Werte im Editor sind für eine andere Art von Gerät: Gerätecodierung %1, das Gerät an "
    "Station %2 hat %3. Es wird nichts geschrieben; bitte eine Datei dieses Geräts laden oder "
    "„Gerät auslesen“.",
    "The values in the editor are for another kind of unit: device coding %1, the unit at "
    "station %2 has %3. Nothing is written; load a file of this unit or use \"Read device\"."};
const Texts kConfirm{"An das Gerät an Station %1 gehen %2 geänderte Felder (Gerät -> neu):",
                     "%2 changed fields go to the unit at station %1 (unit -> new):"};
const Texts kConfirmOne{"An das Gerät an Station %1 geht 1 geändertes Feld (Gerät -> neu):",
                        "1 changed field goes to the unit at station %1 (unit -> new):"};
const Texts kMore{"… und %1 weitere", "… and %1 more"};
const Texts kOtherFirmware{"Warnung: die Werte stammen von Firmware %1, das Gerät hat Firmware %2.",
                           "Warning: the values come from firmware %1, the unit has firmware %2."};
const Texts kWriteNow{"Jetzt schreiben?", "Write them now?"};
const Texts kWrite{"Schreiben", "Write"};
const Texts kCancel{"Abbrechen", "Cancel"};
const Texts kVerified{"Geschrieben und geprüft: %1 geänderte Felder; das Gerät an Station %2 hält "
                      "alle geschriebenen Werte.",
                      "Written and verified: %1 changed fields; the unit at station %2 holds "
                      "every value written."};
const Texts kDiffers{"Geschrieben, aber das Gerät an Station %1 hält %2 der geschriebenen Werte "
                     "nicht (geschrieben -> im Gerät):",
                     "Written, but the unit at station %1 does not hold %2 of the values written "
                     "(written -> in the unit):"};

bool english(const frm_config& f) {
    return f.g.languageId == app::kLanguageEnglish;
}

// A long list would push the question off the screen; the rest is counted.
constexpr int kListedAtMost = 20;
constexpr int kDeviceCoding = 0;
constexpr int kFirmware = 1;

// The register's reference differs from what the box holds.
bool differs(const QString& text, double reference, const QString& separator) {
    const std::optional<double> v = parseNumber(text, separator);
    return !v || *v != reference;
}

QString line(const WriteValue& v, const QString& from, const QString& to,
             const QString& languageId) {
    return QStringLiteral("%1: %2 -> %3")
        .arg(fileFieldName(v.kind, v.element, languageId), from, to);
}

// What the unit holds of a field now, as the editor shows numbers.
QString heldText(const frm_config& f, const WriteValue& v) {
    const app::Global& g = f.g;
    switch (v.kind) {
    case WriteKind::ConfigRegister:
        return formatNumber(g.refDataCfg[std::size_t(v.element)], g.decimalSeparator);
    case WriteKind::InputRegister:
        return formatNumber(g.refDataIn[std::size_t(v.element)], g.decimalSeparator);
    case WriteKind::ConfigCoil:
        return QString::number(g.refCfgBits[std::size_t(v.element)]);
    case WriteKind::InputCoil:
        return QString::number(g.refInpBits[std::size_t(v.element)]);
    }
    return {};
}

// The unit holds what was sent: the same number as the write made of the text.
bool holds(const frm_config& f, const WriteValue& v) {
    const app::Global& g = f.g;
    const std::optional<double> sent = writeNumber(v.text, g.decimalSeparator);
    if (!sent)
        return false;
    switch (v.kind) {
    case WriteKind::ConfigRegister:
        return *sent == g.refDataCfg[std::size_t(v.element)];
    case WriteKind::InputRegister:
        return *sent == g.refDataIn[std::size_t(v.element)];
    case WriteKind::ConfigCoil:
        return *sent == g.refCfgBits[std::size_t(v.element)];
    case WriteKind::InputCoil:
        return *sent == g.refInpBits[std::size_t(v.element)];
    }
    return false;
}

QStringList limited(QStringList lines, bool english) {
    if (lines.size() > kListedAtMost) {
        const qsizetype more = lines.size() - kListedAtMost;
        lines = lines.mid(0, kListedAtMost);
        lines << kMore.in(english).arg(more);
    }
    return lines;
}

} // namespace

std::optional<QString> WriteReview::otherKindOfUnit(const frm_config& f) const {
    const app::Global& g = f.g;
    if (!loaded_ || !differs(loaded_->coding, g.refDataCfg[kDeviceCoding], g.decimalSeparator))
        return std::nullopt;
    return kOtherKind.in(english(f))
        .arg(app::shownValue(loaded_->coding))
        .arg(leadingDigitsValue(f.txt_Modbus_adress->text()))
        .arg(formatNumber(g.refDataCfg[kDeviceCoding], g.decimalSeparator));
}

WriteReview::Pending WriteReview::collect(frm_config& f, Group group, QStringList* changes) {
    Pending p;
    p.station = int(leadingDigitsValue(f.txt_Modbus_adress->text()));
    const auto add = [&](WriteKind kind, int element, const QString& text, bool marked) {
        const WriteValue v{kind, element, text};
        p.sent.push_back(v);
        if (!marked)
            return;
        ++p.changed;
        if (changes)
            *changes << line(v, heldText(f, v), app::shownValue(text), f.g.languageId);
    };
    const auto red = [](const forms::Control& c) { return c.foreColor() == forms::ColorChanged; };
    if (group == Group::Config) {
        for (int i = kConfigWriteFirst; i < kConfigFirst + kConfigCount; ++i)
            add(WriteKind::ConfigRegister, i, f.txt_data_cfg(i).text(), red(f.txt_data_cfg(i)));
        for (int i = 0; i < kConfigCoilCount; ++i)
            add(WriteKind::ConfigCoil, i, QString::number(f.chk_cfg(i).value()), red(f.chk_cfg(i)));
    } else {
        for (int i = 0; i < kInputCount; ++i)
            add(WriteKind::InputRegister, i, f.txt_data_in(i).text(), red(f.txt_data_in(i)));
        for (int i = 0; i < kInputCoilCount; ++i)
            add(WriteKind::InputCoil, i, QString::number(f.chk_inp_bit(i).value()),
                red(f.chk_inp_bit(i)));
    }
    return p;
}

bool WriteReview::confirm(frm_config& f, Group group) {
    pending_.reset();
    const bool en = english(f);
    QStringList changes;
    Pending p = collect(f, group, &changes);
    QStringList text;
    text << (p.changed == 1 ? kConfirmOne.in(en).arg(p.station)
                            : kConfirm.in(en).arg(p.station).arg(p.changed));
    text << limited(changes, en);
    const app::Global& g = f.g;
    if (loaded_ && differs(loaded_->firmware, g.refDataCfg[kFirmware], g.decimalSeparator))
        text << QString()
             << kOtherFirmware.in(en).arg(
                    app::shownValue(loaded_->firmware),
                    formatNumber(g.refDataCfg[kFirmware], g.decimalSeparator));
    text << QString() << kWriteNow.in(en);
    if (!f.program.ui.confirmWrite(text.join(QLatin1Char('\n')), app::kAppTitle,
                                   {kWrite.in(en), kCancel.in(en)}))
        return false;
    pending_ = std::move(p);
    return true;
}

void WriteReview::expect(frm_config& f, Group group) {
    pending_ = collect(f, group, nullptr);
}

void WriteReview::stepEnded(frm_config& f, int state, bool answered) {
    if (!pending_)
        return;
    // A configuration write ends in step 4, an input write in 5 or 8; the read-out that follows
    // ends in step 9.
    if (!pending_->written && (state == 4 || state == 5 || state == 8)) {
        pending_->written = true;
        return;
    }
    const Pending p = std::move(*pending_);
    pending_.reset();
    if (p.written && state == 9 && answered && f.g.unitValuesRead)
        report(f, p);
}

void WriteReview::report(frm_config& f, const Pending& p) {
    const bool en = english(f);
    QStringList differences;
    for (const WriteValue& v : p.sent)
        if (!holds(f, v))
            differences << line(v, app::shownValue(v.text), heldText(f, v), f.g.languageId);
    QString text;
    if (differences.isEmpty()) {
        text = kVerified.in(en).arg(p.changed).arg(p.station);
    } else {
        QStringList lines{kDiffers.in(en).arg(p.station).arg(differences.size())};
        lines << limited(differences, en);
        text = lines.join(QLatin1Char('\n'));
    }
    f.program.ui.report(text, app::kAppTitle);
}

} // namespace qtx52::editor
