#include "commission/parameter_set.h"

#include "app/shown_value.h"
#include "files/parameter_file.h"
#include "params/numbers.h"

#include <QCryptographicHash>

#include <optional>

namespace qtx52::commission {

namespace {
// The third ";" piece of lines 15..52 holds registers 0..37, of lines 53..66 coils 0..13.
constexpr int kFirstRegisterLine = 15;
constexpr int kFirstCoilLine = kFirstRegisterLine + kConfigRegisters;
} // namespace

ParameterSet ParameterSet::fromBytes(const QByteArray& bytes) {
    ParameterSet set;
    set.bytes = bytes;
    set.sha256 =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    const QStringList lines = files::splitParameterLines(files::fromWindows1252(bytes));
    const auto piece = [&lines](int number) -> std::optional<QString> {
        const QStringList pieces = lines.value(number - 1).split(QLatin1Char(';'));
        return pieces.size() > 2 ? std::optional(pieces.at(2)) : std::nullopt;
    };
    for (int i = kFirstWrittenRegister; i < kConfigRegisters; ++i) {
        if (const std::optional<QString> text = piece(kFirstRegisterLine + i)) {
            set.registers[std::size_t(i)] = *text;
            ++set.registersRead;
        }
    }
    for (int i = 0; i < kConfigCoils; ++i) {
        bool ok = false;
        set.coilTexts[std::size_t(i)] = piece(kFirstCoilLine + i).value_or(QString());
        const int state = set.coilTexts[std::size_t(i)].trimmed().toShort(&ok);
        // A coil the write cannot send (2) still counts as read: the check names it.
        if (ok && state >= 0 && state <= 2) {
            set.coils[std::size_t(i)] = state;
            ++set.coilsRead;
        }
    }
    return set;
}

bool ParameterSet::complete() const {
    return registersRead == kConfigRegisters - kFirstWrittenRegister && coilsRead == kConfigCoils;
}

std::vector<params::WriteValue> ParameterSet::toWrite() const {
    std::vector<params::WriteValue> values;
    for (int i = kFirstWrittenRegister; i < kConfigRegisters; ++i)
        values.push_back({params::WriteKind::ConfigRegister, i, registers[std::size_t(i)],
                          kFirstRegisterLine + i});
    for (int i = 0; i < kConfigCoils; ++i)
        values.push_back(
            {params::WriteKind::ConfigCoil, i, coilTexts[std::size_t(i)], kFirstCoilLine + i});
    return values;
}

QStringList differences(const ParameterSet& set, const UnitValues& unit, const QString& languageId,
                        const QString& separator) {
    using params::WriteKind;
    const bool english = languageId == QStringLiteral("1033");
    const QString pattern =
        english ? QStringLiteral("%1: set %2, unit %3") : QStringLiteral("%1: Satz %2, Gerät %3");
    QStringList lines;
    for (int i = kFirstWrittenRegister; i < kConfigRegisters; ++i) {
        const QString& wanted = set.registers[std::size_t(i)];
        const double held = unit.registers[std::size_t(i)];
        const std::optional<double> value = params::writeNumber(wanted, separator);
        if (!value || *value != held)
            lines << pattern.arg(params::fileFieldName(WriteKind::ConfigRegister, i, languageId),
                                 app::shownValue(wanted.trimmed()),
                                 params::formatNumber(held, separator));
    }
    for (int i = 0; i < kConfigCoils; ++i) {
        if (set.coils[std::size_t(i)] != unit.coils[std::size_t(i)])
            lines << pattern.arg(params::fileFieldName(WriteKind::ConfigCoil, i, languageId),
                                 QString::number(set.coils[std::size_t(i)]),
                                 QString::number(unit.coils[std::size_t(i)]));
    }
    return lines;
}

} // namespace qtx52::commission
