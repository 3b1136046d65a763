#pragma once

// qtx52-config run as a process for the end-to-end tests of the windowless commands: with its own
// empty user settings folder, waited for within a bound, its exit code and both outputs kept.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>

namespace qtx52::testing {

struct ConfigRun {
    int exitCode = -1; // -1: crashed or did not end in time
    QString out;
    QString err;
};

// Runs $QTX52_CONFIG with the arguments; XDG_CONFIG_HOME is `configHome`. Killed after `waitMs`.
ConfigRun runConfig(const QStringList& arguments, const QString& configHome, int waitMs = 60000);

// Starts $QTX52_CONFIG the same way without waiting; `environment` adds to or replaces variables
// of the test's own environment, and a variable given empty there is removed.
std::unique_ptr<QProcess> startConfig(const QStringList& arguments, const QString& configHome,
                                      const QProcessEnvironment& environment = {});
// Waits at most `waitMs` for a started run to end (killing it otherwise) and collects it.
ConfigRun finishConfig(QProcess& process, int waitMs);

} // namespace qtx52::testing
