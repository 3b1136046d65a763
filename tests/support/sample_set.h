#pragma once

// The saved sample parameter set of the tests folder, its coil 13 made sendable, with the value on
// one of its lines replaced: a set a commissioning run can write.

#include <QByteArray>
#include <QFile>
#include <QList>

#include <utility>

namespace qtx52::testing {

inline QByteArray sampleSetWith(int line, const QByteArray& value) {
    QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/files/data/parameters_de.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    for (const auto& [at, text] : {std::pair{65, QByteArray(" 1 ")}, std::pair{line, value}}) {
        QList<QByteArray> pieces = lines[at - 1].split(';');
        pieces[2] = text + "\r";
        lines[at - 1] = pieces.join(';');
    }
    return lines.join('\n');
}

} // namespace qtx52::testing
