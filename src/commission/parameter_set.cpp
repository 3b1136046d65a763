#include "commission/parameter_set.h"

#include "app/shown_value.h"
#include "files/file_labels.h"
#include "files/parameter_file.h"
#include "params/numbers.h"

#include <QCryptographicHash>

#include <optional>

namespace qtx52::commission {

ParameterSet ParameterSet::fromBytes(const QByteArray& bytes) {
    ParameterSet set;
    set.bytes = bytes;
    set.sha256 =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    // Read by the labels, as the window's load and --write read it: a set whose lines moved or
    // went missing is refused whole rather than compared or written a register off.
    const files::LabelledFile file = files::readLabelledFile(bytes);
    if (file.fault) {
        set.fault = file.fault;
        return set;
    }
    for (int i = kFirstWrittenRegister; i < kConfigRegisters; ++i) {
        set.registers[std::size_t(i)] = file.registers[std::size_t(i)];
        set.registerLines[std::size_t(i)] = file.registerLines[std::size_t(i)];
        ++set.registersRead;
    }
    for (int i = 0; i < kConfigCoils; ++i) {
        bool ok = false;
        set.coilTexts[std::size_t(i)] = file.coils[std::size_t(i)];
        set.coilLines[std::size_t(i)] = file.coilLines[std::size_t(i)];
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
                          registerLines[std::size_t(i)]});
    for (int i = 0; i < kConfigCoils; ++i)
        values.push_back({params::WriteKind::ConfigCoil, i, coilTexts[std::size_t(i)],
                          coilLines[std::size_t(i)]});
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
