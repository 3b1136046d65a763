#pragma once

// What the Help menu tells the technician when the help document does not open, in German and
// English, chosen by the interface language.

#include <QString>

namespace qtx52::params {

// The document is there, but no program on this computer opens it.
QString helpNoViewerText(const QString& path, bool english);
// The document is not where the installation keeps it.
QString helpMissingText(const QString& path, bool english);

} // namespace qtx52::params
