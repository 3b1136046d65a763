#pragma once

// A parameter set as a commissioning run uses it: the values of a parameter file the write sends
// (configuration registers 2..37 and coils 0..13, read by their labels as the file menu loads
// them), the file's SHA-256, and the comparison with what a unit holds.

#include "files/file_labels.h"
#include "params/write_check.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace qtx52::commission {

inline constexpr int kFirstWrittenRegister = 2;
inline constexpr int kConfigRegisters = 38;
inline constexpr int kConfigCoils = 14;

struct ParameterSet {
    std::array<QString, kConfigRegisters> registers; // 0 and 1 are not in the write
    std::array<QString, kConfigCoils> coilTexts;
    std::array<int, kConfigCoils> coils{};
    int registersRead = 0;
    int coilsRead = 0;
    // The file line of each field, counted from 1.
    std::array<int, kConfigRegisters> registerLines{};
    std::array<int, kConfigCoils> coilLines{};
    // Set when the file is not a whole parameter file: its first line at fault.
    std::optional<files::FileFault> fault;
    QByteArray bytes;
    QString sha256; // lower-case hex of the file's bytes

    static ParameterSet fromBytes(const QByteArray& bytes);
    bool complete() const;
    // Every value the write sends, with the file line it stands on.
    std::vector<params::WriteValue> toWrite() const;
};

// What a unit holds, as a read-out leaves it in the program's reference values.
struct UnitValues {
    std::array<double, kConfigRegisters> registers{};
    std::array<int, kConfigCoils> coils{};
};

// The fields whose value in the set differs from what the unit holds, named as the file names
// them, one line each ("Register 12 (…): set 21, unit 20").
QStringList differences(const ParameterSet& set, const UnitValues& unit, const QString& languageId,
                        const QString& separator);

} // namespace qtx52::commission
