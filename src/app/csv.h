#pragma once

// CSV as the program writes it (the monitor's recording, the bus monitor's and the trace's lines):
// ";" between fields, a field quoted when it must be.

#include <QString>

namespace qtx52::app {

// The field as it stands, or in double quotes with its quotes doubled when it holds a ";", a '"',
// a carriage return or a line feed, so that a spreadsheet reads it back as one field.
QString csvField(const QString& text);

} // namespace qtx52::app
