#pragma once

// A file attached to a PDF, so that the document carries its data: appended as an incremental
// update (the embedded file, the dictionary that names it (/Filespec), an EmbeddedFiles name tree
// and a new version of the catalog naming it), leaving every byte of the document before it as it
// was. Any PDF reader lists and saves such an attachment.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace qtx52::report {

// The document with the file attached; none when `pdf` is not a document this can extend (no
// cross-reference table, no catalog, or a catalog that names files already).
std::optional<QByteArray> attachFile(const QByteArray& pdf, const QString& fileName,
                                     const QByteArray& content, const QDateTime& modified,
                                     const QString& description);

} // namespace qtx52::report
