#include "params/write_check.h"

#include "app/language.h"
#include "app/shown_value.h"
#include "params/field_rules.h"
#include "params/numbers.h"
#include "params/register_map.h"

#include <algorithm>
#include <cmath>

namespace qtx52::params {

namespace {

// The register's 16 bits after its scale.
constexpr double kSignedMin = -32768;
constexpr double kSignedMax = 32767;
constexpr double kUnsignedMax = 65535;
constexpr int kLangTextConfigBit = 8; // "Konfigurationsbit" / "configuration bit"

bool english(const QString& languageId) {
    return languageId == app::kLanguageEnglish;
}

using Texts = app::BothLanguages;

// The texts of the check, in both languages.
const Texts kLine{"Zeile %1, %2", "line %1, %2"};
const Texts kNotANumber{
    "%1: \"%2\" ist keine Zahl mit dem Dezimaltrennzeichen \"%4\"; erlaubt ist %3",
    "%1: \"%2\" is not a number with the decimal separator \"%4\"; allowed is %3"};
const Texts kOutOfRange{"%1: \"%2\" liegt außerhalb der Grenzen; erlaubt ist %3",
                        "%1: \"%2\" is outside the limits; allowed is %3"};
const Texts kTooBig{"%1: \"%2\" passt nicht in die 16 Bit des Registers; erlaubt ist %3",
                    "%1: \"%2\" does not fit the register's 16 bits; allowed is %3"};
const Texts kTooManyDecimals{
    "%1: \"%2\" hat mehr Nachkommastellen, als das Register speichert: das Gerät speichert %3; "
    "erlaubt ist %4",
    "%1: \"%2\" has more decimals than the register keeps: the unit keeps %3; allowed is %4"};
const Texts kOneDecimal{"höchstens eine Nachkommastelle", "one decimal place at most"};
const Texts kWholeNumber{"eine ganze Zahl", "a whole number"};
const Texts kNotACoilState{"%1: \"%2\" ist kein Zustand einer Coil; erlaubt ist 0 oder 1",
                           "%1: \"%2\" is not a coil state; allowed is 0 or 1"};
const Texts kRange{"%1 bis %2", "%1 to %2"};
const Texts kOr{" oder ", " or "};
const Texts kOneOf{"einer der Werte %1", "one of the values %1"};
const Texts kWindowHeading{
    "Die Werte wurden nicht zum Gerät übertragen. Bitte diese Felder korrigieren:",
    "The values were not sent to the unit. Please correct these fields:"};

const RegisterInfo* registerOf(WriteKind field, int element) {
    const std::vector<RegisterInfo>& table =
        field == WriteKind::InputRegister ? inputRegisters() : configRegisters();
    for (const RegisterInfo& r : table)
        if (r.element == element)
            return &r;
    return nullptr;
}

const CoilInfo* coilOf(WriteKind field, int element) {
    const std::vector<CoilInfo>& table =
        field == WriteKind::InputCoil ? inputCoils() : configCoils();
    for (const CoilInfo& c : table)
        if (c.element == element)
            return &c;
    return nullptr;
}

bool isCoil(WriteKind field) {
    return field == WriteKind::ConfigCoil || field == WriteKind::InputCoil;
}

QString captionOf(WriteKind field, int element, const QString& languageId) {
    if (isCoil(field)) {
        const CoilInfo* c = coilOf(field, element);
        return c ? captionName(english(languageId) ? c->labelEn : c->labelDe) : QString();
    }
    const RegisterInfo* r = registerOf(field, element);
    return r ? captionName(english(languageId) ? r->labelEn : r->labelDe) : QString();
}

double scaleOf(WriteKind field, int element) {
    const Encoding e =
        field == WriteKind::InputRegister ? inputEncoding(element) : configEncoding(element);
    return e == Encoding::SignedTenths ? 10.0 : 1.0;
}

bool fitsWord(WriteKind field, int element, double value) {
    const Encoding e =
        field == WriteKind::InputRegister ? inputEncoding(element) : configEncoding(element);
    const double word = roundHalfEven(value * scaleOf(field, element));
    if (e == Encoding::Unsigned)
        return word >= 0 && word <= kUnsignedMax;
    return word >= kSignedMin && word <= kSignedMax;
}

// The register's 16 bits as limits of the field's value.
FieldLimits wordLimits(WriteKind field, int element) {
    const Encoding e =
        field == WriteKind::InputRegister ? inputEncoding(element) : configEncoding(element);
    const double scale = scaleOf(field, element);
    if (e == Encoding::Unsigned)
        return {0, kUnsignedMax / scale, {}, {}};
    return {kSignedMin / scale, kSignedMax / scale, {}, {}};
}

bool sameValue(double a, double b) {
    // The values come from decimal texts of a few digits; the limits are such texts as well.
    return std::fabs(a - b) < 1e-9;
}

bool withinLimits(const FieldLimits& l, double v) {
    if (!l.codes.empty()) {
        const double code = roundHalfEven(v);
        return std::find(l.codes.begin(), l.codes.end(), code) != l.codes.end();
    }
    if (v >= l.min - 1e-9 && v <= l.max + 1e-9)
        return true;
    return std::any_of(l.alsoAllowed.begin(), l.alsoAllowed.end(),
                       [v](double a) { return sameValue(a, v); });
}

QString describe(const FieldLimits& l, const QString& languageId, const QString& separator) {
    if (!l.codes.empty()) {
        QStringList codes;
        for (int c : l.codes)
            codes << QString::number(c);
        return kOneOf.in(languageId).arg(codes.join(QStringLiteral(", ")));
    }
    QString out =
        kRange.in(languageId).arg(formatNumber(l.min, separator), formatNumber(l.max, separator));
    for (double a : l.alsoAllowed)
        out += kOr.in(languageId) + formatNumber(a, separator);
    return out;
}

} // namespace

FieldLimits limitsOf(WriteKind field, int element) {
    if (isCoil(field))
        return {0, 1, {}, {}};
    const bool config = field == WriteKind::ConfigRegister;
    const Range forced = config ? configRange(element) : inputRange(element);
    const bool takesMinus = config ? isSignedConfigField(element) : isSignedInputField(element);
    FieldLimits l{forced.min, forced.max, {}, {}};
    // A box without the minus key never holds a negative value.
    if (!takesMinus)
        l.min = std::max(l.min, 0.0);
    // What leaving the box writes for a value above its range stands for "no value given".
    if (forced.aboveMax > forced.max || forced.aboveMax < forced.min)
        l.alsoAllowed.push_back(forced.aboveMax);
    if (const RegisterInfo* r = registerOf(field, element); r && r->list)
        if (const ValueList* list = valueList(r->list))
            l.codes = list->values;
    return l;
}

std::optional<double> writeNumber(const QString& text, const QString& separator) {
    return parseNumber(text.trimmed(), separator);
}

double unitKeeps(WriteKind field, int element, double value) {
    const double scale = scaleOf(field, element);
    return roundHalfEven(value * scale) / scale;
}

std::vector<WriteProblem> checkWrite(const std::vector<WriteValue>& values,
                                     const QString& separator, WriteChecks checks) {
    std::vector<WriteProblem> problems;
    for (const WriteValue& v : values) {
        const std::optional<double> number = writeNumber(v.text, separator);
        if (isCoil(v.kind)) {
            if (!number || (*number != 0 && *number != 1))
                problems.push_back({v, WriteFault::NotACoilState});
            continue;
        }
        if (!number)
            problems.push_back({v, WriteFault::NotANumber});
        else if (v.held && sameValue(*v.held, *number))
            continue;
        else if (checks == WriteChecks::All && !withinLimits(limitsOf(v.kind, v.element), *number))
            problems.push_back({v, WriteFault::OutOfRange});
        else if (!fitsWord(v.kind, v.element, *number))
            problems.push_back({v, WriteFault::TooBigForWord});
        else if (!sameValue(unitKeeps(v.kind, v.element, *number), *number))
            problems.push_back({v, WriteFault::TooManyDecimals});
    }
    return problems;
}

QString fileFieldName(WriteKind field, int element, const QString& languageId) {
    const QString caption = captionOf(field, element, languageId);
    QString name;
    if (field == WriteKind::ConfigRegister) {
        name = QStringLiteral("Register %1").arg(element + 1);
    } else if (field == WriteKind::ConfigCoil) {
        for (const app::LangText& t : app::langTextTable())
            if (t.index == kLangTextConfigBit)
                name =
                    QStringLiteral("%1 %2").arg(english(languageId) ? t.en : t.de).arg(element + 1);
    } else {
        return caption;
    }
    return caption.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, caption);
}

QStringList problemLines(const std::vector<WriteProblem>& problems, const QString& languageId,
                         const QString& separator) {
    QStringList lines;
    for (const WriteProblem& p : problems) {
        const WriteValue& v = p.value;
        QString where = fileFieldName(v.kind, v.element, languageId);
        if (v.line > 0)
            where = kLine.in(languageId).arg(v.line).arg(where);
        const QString value = app::shownValue(v.text);
        switch (p.fault) {
        case WriteFault::NotANumber:
            lines << kNotANumber.in(languageId)
                         .arg(where, value,
                              describe(limitsOf(v.kind, v.element), languageId, separator),
                              separator.isEmpty() ? QStringLiteral(",") : separator);
            break;
        case WriteFault::OutOfRange:
            lines << kOutOfRange.in(languageId)
                         .arg(where, value,
                              describe(limitsOf(v.kind, v.element), languageId, separator));
            break;
        case WriteFault::TooBigForWord:
            lines << kTooBig.in(languageId)
                         .arg(where, value,
                              describe(wordLimits(v.kind, v.element), languageId, separator));
            break;
        case WriteFault::TooManyDecimals:
            lines << kTooManyDecimals.in(languageId)
                         .arg(where, value,
                              formatNumber(unitKeeps(v.kind, v.element,
                                                     writeNumber(v.text, separator).value_or(0)),
                                           separator),
                              (scaleOf(v.kind, v.element) > 1 ? kOneDecimal : kWholeNumber)
                                  .in(languageId));
            break;
        case WriteFault::NotACoilState:
            lines << kNotACoilState.in(languageId).arg(where, value);
            break;
        }
    }
    return lines;
}

QString windowProblemMessage(const std::vector<WriteProblem>& problems, const QString& languageId,
                             const QString& separator) {
    return (QStringList{kWindowHeading.in(languageId)} +
            problemLines(problems, languageId, separator))
        .join(QLatin1Char('\n'));
}

} // namespace qtx52::params
