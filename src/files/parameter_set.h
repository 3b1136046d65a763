#pragma once

// The values of a parameter file, read by their labels as the loader reads them, and the
// comparison of two such sets: which fields a write would change. `--diff`, the commissioning
// sheet's intended values and the check after a write all compare this way; a set of the unit
// is the parameter file the editor would save after a read-out.

#include "files/file_labels.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace qtx52::files {

struct ParameterSet {
    // Registers 0..37 and the configuration coils 0..13: the value as written, blanks around it
    // dropped, and the field's name as the line gives it ("Register 3: Gerätetyp"). None of them
    // where the file cannot be read by its labels; `fault` then names the line.
    std::array<std::optional<QString>, 38> registers;
    std::array<QString, 38> registerNames;
    std::array<std::optional<QString>, 14> coils;
    std::array<QString, 14> coilNames;
    std::optional<FileFault> fault;
    // Whether every register line a write sends (2..37) and every coil line was there.
    bool complete() const;
};

ParameterSet readParameterSet(const QByteArray& fileBytes);

struct Difference {
    bool coil;   // a configuration coil, else a register
    int element; // register 0..37 or coil 0..13
    QString name;
    std::optional<QString> first;
    std::optional<QString> second;
};

// The fields a write sends (registers 2..37, coils 0..13) whose values differ: numbers by their
// value (a "," or "." file and blanks around a value alike), anything else by its text. A field
// missing from one set differs.
std::vector<Difference> compareSets(const ParameterSet& first, const ParameterSet& second);

// Whether two values of a field are the same value.
bool sameValue(const QString& a, const QString& b);

} // namespace qtx52::files
