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

// The lines for the technician's and the owner's signatures, as both sheets end.
QString signaturesTable(bool english);

// Any HTML laid out as the sheet is, A4 page by page, `footerLeft` and "page x of y" below each.
std::optional<QByteArray> htmlPdf(const QString& html, const QString& title, const QString& creator,
                                  const QString& footerLeft, bool english,
                                  QString* error = nullptr);
// Writes the bytes whole or not at all; false with the reason (`why` when there are none).
bool writePdfFile(const QString& path, const std::optional<QByteArray>& bytes, const QString& why,
                  QString* error);

// Writes the sheet whole or not at all (an old file stays as it was); false with the reason.
bool writeSheet(const QString& path, const SheetData& data, QString* error = nullptr);

} // namespace qtx52::report
