#include "files/file_labels.h"

#include "app/language.h"
#include "app/shown_value.h"
#include "files/parameter_file.h"
#include "params/register_map.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

#include <vector>

namespace qtx52::files {

namespace {

constexpr int kLangTextConfigBit = 8; // "Konfigurationsbit" / "configuration bit"
constexpr int kLangTextAddress = 12;  // "Adresse: " / "address: "
constexpr int kFields = kFileRegisters + kFileCoils;

QString langText(int index, bool english) {
    for (const app::LangText& t : app::langTextTable())
        if (t.index == index)
            return english ? t.en : t.de;
    return QString();
}

// A caption as it is compared: blanks and the colon that ends it on the form do not count, nor
// does the case.
QString captionKey(const QString& caption) {
    QString c = caption.simplified();
    while (c.endsWith(QLatin1Char(':')))
        c = c.chopped(1).simplified();
    return c.toCaseFolded();
}

struct Field {
    bool coil;
    int element;
    QString de;
    QString en;
};

// The fields in the order the program writes them: registers 0..37, then the bits 0..13.
const std::vector<Field>& fields() {
    static const std::vector<Field> table = [] {
        std::vector<Field> t(kFields);
        for (const params::RegisterInfo& r : params::configRegisters())
            t[std::size_t(r.element)] = {false, r.element, r.labelDe, r.labelEn};
        for (const params::CoilInfo& c : params::configCoils())
            t[std::size_t(kFileRegisters + c.element)] = {true, c.element, c.labelDe, c.labelEn};
        return t;
    }();
    return table;
}

// What a line says it is: "Register 12 ", "Konfigurationsbit 3 ", "configuration bit 3 ".
struct Label {
    bool coil = false;
    int number = 0; // from 1; 0 where the number is not one
};

std::optional<Label> labelOf(const QString& firstPiece, bool& looksLikeOne) {
    static const QRegularExpression re(
        QStringLiteral("^(register|%1|%2)\\s*(\\S*)$")
            .arg(QRegularExpression::escape(langText(kLangTextConfigBit, false)),
                 QRegularExpression::escape(langText(kLangTextConfigBit, true))),
        QRegularExpression::CaseInsensitiveOption);
    const QString piece = firstPiece.simplified();
    const QRegularExpressionMatch m = re.match(piece);
    looksLikeOne = m.hasMatch();
    if (!m.hasMatch())
        return std::nullopt;
    Label label;
    label.coil = m.captured(1).compare(QLatin1String("register"), Qt::CaseInsensitive) != 0;
    bool ok = false;
    const int n = m.captured(2).toInt(&ok);
    label.number = ok && !m.captured(2).startsWith(QLatin1Char('+')) ? n : 0;
    return label;
}

bool blank(const QString& line) {
    for (QChar c : line)
        if (!c.isSpace() && c != QLatin1Char(';'))
            return false;
    return true;
}

bool startsWithLabelWord(const QString& line) {
    const QString l = line.trimmed();
    return l.startsWith(QLatin1String("register"), Qt::CaseInsensitive) ||
           l.startsWith(langText(kLangTextConfigBit, false), Qt::CaseInsensitive) ||
           l.startsWith(langText(kLangTextConfigBit, true), Qt::CaseInsensitive);
}

struct FieldLine {
    int line;
    int index; // into fields()
    QStringList pieces;
};

QString nameFor(const FieldLine& f) {
    QString caption = f.pieces.at(1).trimmed();
    while (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    return f.pieces.at(0).simplified() + QStringLiteral(": ") + caption.trimmed();
}

FileFault faultAt(LineFault kind, int line, int index, const QString& text = QString()) {
    const bool coil = index >= kFileRegisters;
    return {kind, line, coil, coil ? index - kFileRegisters + 1 : index + 1, text};
}

} // namespace

QString parameterFileText(const QByteArray& bytes) {
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    bool ascii = true;
    for (const char c : b)
        if (quint8(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(b);
        if (!utf8.hasError())
            return text;
    }
    return fromWindows1252(b);
}

LabelledFile readLabelledFile(const QByteArray& bytes) {
    LabelledFile out;
    const QStringList lines = splitParameterLines(parameterFileText(bytes));
    const std::vector<Field>& table = fields();

    // The fields' lines; the header before them gives only the station address.
    std::vector<FieldLine> found;
    for (int n = 1; n <= lines.size(); ++n) {
        const QString& line = lines.at(n - 1);
        if (blank(line))
            continue;
        const QStringList pieces = line.split(QLatin1Char(';'));
        bool looksLikeOne = false;
        const std::optional<Label> label = labelOf(pieces.at(0), looksLikeOne);
        if (!label) {
            if (startsWithLabelWord(line) || !found.empty()) {
                out.fault =
                    FileFault{found.empty() ? LineFault::NotAFieldLine : LineFault::StrayLine, n,
                              false, 0, app::shownValue(line)};
                return out;
            }
            for (bool english : {false, true}) {
                const QString word = langText(kLangTextAddress, english).trimmed();
                if (!out.address && line.startsWith(word, Qt::CaseInsensitive)) {
                    const QStringList words = line.split(QLatin1Char(' '));
                    if (words.size() > 1)
                        out.address = words.at(1);
                }
            }
            continue;
        }
        const int limit = label->coil ? kFileCoils : kFileRegisters;
        if (label->number < 1 || label->number > limit) {
            out.fault = FileFault{LineFault::NoSuchField, n, label->coil, label->number,
                                  app::shownValue(pieces.at(0).simplified())};
            return out;
        }
        if (pieces.size() < 3) {
            out.fault = FileFault{LineFault::NotAFieldLine, n, label->coil, label->number,
                                  app::shownValue(line)};
            return out;
        }
        found.push_back({n, (label->coil ? kFileRegisters : 0) + label->number - 1, pieces});
    }

    // Each field once, in order, under its own caption.
    std::array<int, kFields> seenOn{};
    int expected = 0;
    for (const FieldLine& f : found) {
        if (seenOn[std::size_t(f.index)] != 0) {
            out.fault = faultAt(LineFault::Doubled, f.line, f.index);
            out.fault->otherLine = seenOn[std::size_t(f.index)];
            return out;
        }
        if (f.index != expected) {
            // The field that belongs here stands further down: the lines are out of order;
            // nowhere: it is missing.
            const FieldLine* late = nullptr;
            for (const FieldLine& g : found)
                if (g.index == expected && g.line > f.line)
                    late = &g;
            if (late) {
                out.fault = faultAt(LineFault::OutOfOrder, f.line, f.index);
                out.fault->otherLine = late->line;
                const FileFault first = faultAt(LineFault::OutOfOrder, 0, expected);
                out.fault->otherCoil = first.coil;
                out.fault->otherNumber = first.number;
            } else {
                out.fault = faultAt(LineFault::Missing, f.line, expected);
            }
            return out;
        }
        const Field& field = table[std::size_t(f.index)];
        const QString caption = captionKey(f.pieces.at(1));
        if (caption != captionKey(field.de) && caption != captionKey(field.en)) {
            out.fault = faultAt(LineFault::WrongCaption, f.line, f.index,
                                app::shownValue(f.pieces.at(1).trimmed()));
            return out;
        }
        const QString& value = f.pieces.at(2);
        if (field.coil) {
            bool ok = false;
            const int state = value.trimmed().toShort(&ok);
            if (!ok || state < 0 || state > 2) {
                out.fault = faultAt(LineFault::NotACoilState, f.line, f.index,
                                    app::shownValue(value.trimmed()));
                return out;
            }
            out.coils[std::size_t(field.element)] = value;
            out.coilLines[std::size_t(field.element)] = f.line;
            out.coilNames[std::size_t(field.element)] = nameFor(f);
        } else {
            out.registers[std::size_t(field.element)] = value;
            out.registerLines[std::size_t(field.element)] = f.line;
            out.registerNames[std::size_t(field.element)] = nameFor(f);
        }
        seenOn[std::size_t(f.index)] = f.line;
        ++expected;
    }
    if (expected < kFields)
        out.fault = faultAt(LineFault::Missing, int(lines.size()) + 1, expected);
    return out;
}

QString fileFaultText(const FileFault& f, bool english) {
    const auto name = [english](bool coil, int number) {
        return coil ? QStringLiteral("%1 %2").arg(langText(kLangTextConfigBit, english)).arg(number)
                    : QStringLiteral("Register %1").arg(number);
    };
    const QString field = name(f.coil, f.number);
    const QString other = name(f.otherCoil, f.otherNumber);
    QString what;
    switch (f.kind) {
    case LineFault::NotAFieldLine:
        what =
            english
                ? QStringLiteral("\"%1\" is not a line of the form \"Register N;caption;value\"")
                : QStringLiteral("\"%1\" ist keine Zeile der Form \"Register N;Bezeichnung;Wert\"");
        what = what.arg(f.text);
        break;
    case LineFault::NoSuchField:
        what = english ? QStringLiteral("\"%1\": the unit has no such field")
                       : QStringLiteral("\"%1\": dieses Feld hat das Gerät nicht");
        what = what.arg(f.text);
        break;
    case LineFault::StrayLine:
        what = english ? QStringLiteral("\"%1\" is neither a register nor a configuration bit line")
                       : QStringLiteral(
                             "\"%1\" ist weder eine Register- noch eine Konfigurationsbitzeile");
        what = what.arg(f.text);
        break;
    case LineFault::Missing:
        what = english ? QStringLiteral("the line of %1 is missing")
                       : QStringLiteral("die Zeile von %1 fehlt");
        what = what.arg(field);
        break;
    case LineFault::Doubled:
        what = english ? QStringLiteral("%1 stands a second time (first on line %2)")
                       : QStringLiteral("%1 steht ein zweites Mal da (zuerst in Zeile %2)");
        what = what.arg(field).arg(f.otherLine);
        break;
    case LineFault::OutOfOrder:
        what = english ? QStringLiteral("%1 stands before %2 (line %3)")
                       : QStringLiteral("%1 steht vor %2 (Zeile %3)");
        what = what.arg(field, other).arg(f.otherLine);
        break;
    case LineFault::WrongCaption:
        what = english ? QStringLiteral("\"%1\" is not the caption of %2")
                       : QStringLiteral("\"%1\" ist nicht die Bezeichnung von %2");
        what = what.arg(f.text, field);
        break;
    case LineFault::NotACoilState:
        what = english ? QStringLiteral("%1: \"%2\" is not 0, 1 or 2")
                       : QStringLiteral("%1: \"%2\" ist nicht 0, 1 oder 2");
        what = what.arg(field, f.text);
        break;
    }
    return (english ? QStringLiteral("line %1: %2") : QStringLiteral("Zeile %1: %2"))
        .arg(f.line)
        .arg(what);
}

} // namespace qtx52::files
