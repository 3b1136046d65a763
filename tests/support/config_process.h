#pragma once

// qtx52-config run as a process for the end-to-end tests of the windowless commands: with its own
// empty user settings folder, waited for within a bound, its exit code and both outputs kept.

#include <QString>
#include <QStringList>

namespace qtx52::testing {

struct ConfigRun {
    int exitCode = -1; // -1: crashed or did not end in time
    QString out;
    QString err;
};

// Runs $QTX52_CONFIG with the arguments; XDG_CONFIG_HOME is `configHome`. Killed after `waitMs`.
ConfigRun runConfig(const QStringList& arguments, const QString& configHome, int waitMs = 60000);

} // namespace qtx52::testing
