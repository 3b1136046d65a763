#pragma once

// What every windowless command shares with its caller: its exit codes and where its lines go.

#include <QString>

#include <functional>

namespace qtx52::cli {

// Exit codes of the commands.
inline constexpr int kExitOk = 0;        // done; also a write with nothing to write
inline constexpr int kExitUsage = 2;     // the command line was off
inline constexpr int kExitLink = 3;      // the port did not open, or the unit did not answer
inline constexpr int kExitMismatch = 4;  // after a write the unit holds other values than the file
inline constexpr int kExitFile = 5;      // the file could not be read, is incomplete, or not saved
inline constexpr int kExitRefused = 6;   // the unit refused the request (an exception reply)
inline constexpr int kExitOtherUnit = 7; // the file is for another kind of unit; nothing written

// Where the lines go: results, and progress and messages.
struct CommandOutput {
    std::function<void(const QString&)> result;
    std::function<void(const QString&)> progress;
    // Standard output and standard error.
    static CommandOutput standard();
};

} // namespace qtx52::cli
