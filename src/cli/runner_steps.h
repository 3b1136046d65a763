#pragma once

// What the commands share besides the runner's interface: the main window's controls they use
// and the limits of their phases. For the runner's own source files only.

#include <QtGlobal>

namespace qtx52::cli::steps {

// The longest gap between two monitor cycles. The link's own failure handling reports a silent
// unit within seconds; the limits only bound a transfer that keeps going without ending.
inline constexpr qint64 kCycleLimitMs = 15000;
// Requests of a read-out (read device and nine steps) and of a write-back with its read-out
// (four register blocks, two coil groups, one input block and its coils, then the read-out).
inline constexpr int kReadOutRequests = 10;
inline constexpr int kWriteBackRequests = 8 + kReadOutRequests;

// The main window's controls: the serial selectors, the link notice and the file menu.
inline constexpr int kPortSelector = 0;
inline constexpr int kBaudSelector = 1;
inline constexpr int kParitySelector = 2;
inline constexpr int kModeSelector = 5;
inline constexpr int kStateSelector = 6;
inline constexpr int kNotice = 16;
inline constexpr int kMenuLoad = 1;
inline constexpr int kMenuSave = 2;

} // namespace qtx52::cli::steps
