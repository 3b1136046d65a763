#pragma once

// The commissioning sheet as an A4 PDF in the interface's language: Qt's text document laid out
// page by page with "page x of y" below each, the parameter table's header repeated on every
// page, the fonts embedded, and the parameter file attached inside.

#include "report/sheet_data.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace qtx52::report {

QString sheetHtml(const SheetData& data);

// The document's bytes; none, with the reason in `error`, when it cannot be made.
std::optional<QByteArray> sheetPdf(const SheetData& data, QString* error = nullptr);

// Writes the sheet whole or not at all (an old file stays as it was); false with the reason.
bool writeSheet(const QString& path, const SheetData& data, QString* error = nullptr);

} // namespace qtx52::report
