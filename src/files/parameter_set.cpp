#include "files/parameter_set.h"

#include "files/parameter_file.h"
#include "params/numbers.h"
#include "params/register_map.h"

#include <QStringList>

namespace qtx52::files {

namespace {

constexpr int kFirstWritten = 2;

std::optional<double> numberOf(const QString& text) {
    const QString t = text.trimmed();
    if (auto v = params::parseNumber(t, QStringLiteral(",")))
        return v;
    return params::parseNumber(t, QStringLiteral("."));
}

} // namespace

bool ParameterSet::complete() const {
    for (int i = kFirstWritten; i < int(registers.size()); ++i)
        if (!registers[std::size_t(i)])
            return false;
    for (const auto& c : coils)
        if (!c)
            return false;
    return true;
}

ParameterSet readParameterSet(const QByteArray& fileBytes) {
    ParameterSet set;
    const LabelledFile file = readLabelledFile(fileBytes);
    set.fault = file.fault;
    if (file.fault)
        return set;
    for (std::size_t i = 0; i < set.registers.size(); ++i) {
        set.registers[i] = file.registers[i].trimmed();
        set.registerNames[i] = file.registerNames[i];
    }
    for (std::size_t i = 0; i < set.coils.size(); ++i) {
        set.coils[i] = file.coils[i].trimmed();
        set.coilNames[i] = file.coilNames[i];
    }
    return set;
}

bool sameValue(const QString& a, const QString& b) {
    const std::optional<double> x = numberOf(a);
    const std::optional<double> y = numberOf(b);
    if (x && y)
        return *x == *y;
    return a.trimmed() == b.trimmed();
}

std::vector<Difference> compareSets(const ParameterSet& first, const ParameterSet& second) {
    std::vector<Difference> out;
    auto compare = [&out](bool coil, int element, const std::optional<QString>& a,
                          const std::optional<QString>& b, const QString& nameA,
                          const QString& nameB) {
        if (a && b && sameValue(*a, *b))
            return;
        if (!a && !b)
            return;
        out.push_back({coil, element, a ? nameA : nameB, a, b});
    };
    for (int i = kFirstWritten; i < int(first.registers.size()); ++i)
        compare(false, i, first.registers[std::size_t(i)], second.registers[std::size_t(i)],
                first.registerNames[std::size_t(i)], second.registerNames[std::size_t(i)]);
    for (int i = 0; i < int(first.coils.size()); ++i)
        compare(true, i, first.coils[std::size_t(i)], second.coils[std::size_t(i)],
                first.coilNames[std::size_t(i)], second.coilNames[std::size_t(i)]);
    return out;
}

} // namespace qtx52::files
