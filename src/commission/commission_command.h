#pragma once

// qtx52-config --commission PLAN.csv --out DIR: a building's commissioning without a window.
// The plan is read and checked whole first (exit 5 and nothing sent on any fault); then every
// line runs at once, each unit's result on standard error as it ends, a progress line every 5 s
// with --progress, and Ctrl+C lets the units under way finish and stops before the next ones.
// The summary counts each result; the exit code is the run's.

#include "cli/command_line.h"

namespace qtx52::commission {

int runCommission(const cli::CommandLine& commandLine);

} // namespace qtx52::commission
