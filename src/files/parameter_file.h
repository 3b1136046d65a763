#pragma once

// Parameter files: the editor's parameter set as a 66-line semicolon-separated text file in the
// Windows-1252 code page with CR LF line ends, and the file menu that saves, loads and exits.
// The handlers themselves are members of frm_config (files/parameter_file.cpp).

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace qtx52::files {

inline const QString kParameterFileFilter = QStringLiteral("Textfile (*.txt)|*.txt");
inline constexpr int kParameterFileLines = 66;

// Where the date and time of the file's sixth line come from; an empty function (the default)
// means the current local time. Tests set a fixed instant to get stable bytes.
void setParameterFileClock(std::function<QDateTime()> now);

// Text to and from the Windows-1252 code page. Characters the code page lacks are written as "?".
QByteArray toWindows1252(const QString& text);
QString fromWindows1252(const QByteArray& bytes);

// The lines of a file as it is read back: a line ends at CR LF or at a bare CR; a bare LF is part
// of the line. A final line without an end is a line; nothing follows the last line end.
QStringList splitParameterLines(const QString& text);

// A number as the file writes it: one blank (or the minus sign) before, one blank after, the
// decimal separator for a fraction: 1 gives " 1 ", -2.5 under "," gives "-2,5 ".
QString parameterFileNumber(double value, const QString& separator);

} // namespace qtx52::files
