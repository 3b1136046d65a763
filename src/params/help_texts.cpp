#include "params/help_texts.h"

namespace qtx52::params {

namespace {

struct Text {
    const char* de;
    const char* en;
    QString in(bool english) const { return QString::fromUtf8(english ? en : de); }
};

const Text kNoViewer{"Die Hilfe kann nicht angezeigt werden: Es ist kein Programm zum Anzeigen "
                     "von PDF-Dokumenten installiert.\n\n%1",
                     "The help cannot be shown: no viewer for PDF documents is installed.\n\n%1"};
const Text kMissing{"Die Hilfe kann nicht angezeigt werden: Das Dokument fehlt.\n\n%1",
                    "The help cannot be shown: the document is missing.\n\n%1"};

} // namespace

QString helpNoViewerText(const QString& path, bool english) {
    return kNoViewer.in(english).arg(path);
}

QString helpMissingText(const QString& path, bool english) {
    return kMissing.in(english).arg(path);
}

} // namespace qtx52::params
