// The register reference of the room unit as PDF, in German and in English, drawn from the
// register map: the five address ranges, a table per range (address, caption, encoding, unit,
// value list or arrow limits) and the value lists. The Help menu opens these files below the
// installation folder.
//
//   qtx52-helpdoc OUTPUT-FOLDER

#include "app/language.h"
#include "params/register_map.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstddef>

#include <cstdio>

using namespace qtx52;
using params::Encoding;

namespace {

enum class Lang { German, English };

QString tr2(Lang lang, const char* de, const char* en) {
    return QString::fromUtf8(lang == Lang::English ? en : de);
}

QString esc(const QString& s) {
    return s.toHtmlEscaped();
}

QString encodingText(Lang lang, Encoding encoding) {
    switch (encoding) {
    case Encoding::Signed:
        return tr2(lang, "16 Bit mit Vorzeichen", "16-bit signed");
    case Encoding::SignedTenths:
        return tr2(lang, "16 Bit mit Vorzeichen, Zehntel", "16-bit signed, tenths");
    case Encoding::Unsigned:
        return tr2(lang, "16 Bit ohne Vorzeichen", "16-bit unsigned");
    }
    return {};
}

QString number(Lang lang, double value) {
    QString s = QString::number(value, 'g', 10);
    if (lang == Lang::German)
        s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

QString listOrLimits(Lang lang, const params::RegisterInfo& r) {
    QStringList parts;
    if (r.list != 0)
        parts << tr2(lang, "Liste ", "List ") + QLatin1Char(r.list);
    if (r.family == params::Family::Config) {
        if (const params::UpDownLimits* l = params::upDownLimitsFor(r.element))
            parts << QStringLiteral("%1 … %2 (%3 %4)")
                         .arg(number(lang, l->min), number(lang, l->max),
                              tr2(lang, "Schritt", "step"), number(lang, l->step));
    }
    return parts.join(QStringLiteral("; "));
}

QString cell(const QString& text) {
    return QStringLiteral("<td>") + esc(text) + "</td>";
}
QString head(const QString& text) {
    return QStringLiteral("<th>") + esc(text) + "</th>";
}

struct Range {
    QString title;
    int first;
    int count;
};

QString rangeLine(const Range& r) {
    return QStringLiteral("<li>%1: %2 … %3</li>")
        .arg(esc(r.title))
        .arg(r.first)
        .arg(r.first + r.count - 1);
}

// The heading of a range's table and its column titles; the last column differs.
QString tableStart(Lang lang, const Range& range, const QString& lastColumn) {
    QString html = QStringLiteral("<h2>%1 (%2 … %3)</h2>")
                       .arg(esc(range.title))
                       .arg(range.first)
                       .arg(range.first + range.count - 1);
    html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                           "width=\"100%\"><tr>");
    html += head(tr2(lang, "Adresse", "Address")) + head(tr2(lang, "Bezeichnung", "Caption")) +
            head(tr2(lang, "Kodierung", "Encoding")) + head(tr2(lang, "Einheit", "Unit")) +
            head(lastColumn) + "</tr>";
    return html;
}

QString registerTable(Lang lang, const Range& range,
                      const std::vector<params::RegisterInfo>& registers) {
    QString html = tableStart(lang, range, tr2(lang, "Liste/Grenzen", "List/limits"));
    for (const params::RegisterInfo& r : registers) {
        html += "<tr>" + cell(QString::number(r.address)) +
                cell(lang == Lang::English ? r.labelEn : r.labelDe) +
                cell(encodingText(lang, r.encoding)) + cell(r.unit) + cell(listOrLimits(lang, r)) +
                "</tr>";
    }
    return html + "</table>";
}

QString coilTable(Lang lang, const Range& range, const std::vector<params::CoilInfo>& coils) {
    QString html = tableStart(lang, range, tr2(lang, "Zustände", "States"));
    for (const params::CoilInfo& c : coils) {
        const QStringList& states = lang == Lang::English ? c.statesEn : c.statesDe;
        html += "<tr>" + cell(QString::number(c.address)) +
                cell(lang == Lang::English ? c.labelEn : c.labelDe) +
                cell(tr2(lang, "1 Bit", "1 bit")) + cell(QString()) +
                cell(states.isEmpty() ? tr2(lang, "0 - aus, 1 - ein", "0 - off, 1 - on")
                                      : states.join(QStringLiteral("; "))) +
                "</tr>";
    }
    return html + "</table>";
}

QString valueLists(Lang lang) {
    QString html = "<h2>" + esc(tr2(lang, "Wertelisten", "Value lists")) + "</h2>";
    for (char id = 'A'; id <= 'K'; ++id) {
        const params::ValueList* l = params::valueList(id);
        if (!l)
            continue;
        html += "<h3>" + esc(tr2(lang, "Liste ", "List ") + QLatin1Char(id)) + "</h3>";
        html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>");
        html +=
            head(tr2(lang, "Wert", "Value")) + head(tr2(lang, "Bedeutung", "Meaning")) + "</tr>";
        const QStringList& entries = lang == Lang::English ? l->entriesEn : l->entriesDe;
        for (std::size_t i = 0; i < l->values.size(); ++i) {
            const QString entry =
                i < static_cast<std::size_t>(entries.size()) ? entries.at(qsizetype(i)) : QString();
            html += "<tr>" + cell(QString::number(l->values[i])) + cell(entry) + "</tr>";
        }
        html += "</table>";
    }
    return html;
}

QString documentHtml(Lang lang) {
    const Range ranges[] = {
        {tr2(lang, "Konfigurationsregister", "Configuration registers"), params::kConfigFirst,
         params::kConfigCount},
        {tr2(lang, "Messwertregister", "Monitor registers"), params::kMonitorFirst,
         params::kMonitorCount},
        {tr2(lang, "Eingangsregister", "Input registers"), params::kInputFirst,
         params::kInputCount},
        {tr2(lang, "Konfigurations-Coils", "Configuration coils"), params::kConfigCoilFirst,
         params::kConfigCoilCount},
        {tr2(lang, "Eingangs-Coils", "Input coils"), params::kInputCoilFirst,
         params::kInputCoilCount},
    };
    const QString title =
        tr2(lang, "QTX52 RS485 Modbus – Registerbeschreibung", "QTX52 RS485 Modbus – Register map");
    QString html = "<html><head><meta charset=\"utf-8\"><title>" + esc(title) +
                   "</title></head><body><h1>" + esc(title) + "</h1>";
    html += "<p>" +
            esc(tr2(lang, "Raumbediengerät QTX52-LCD-RS485-Modbus. Adressbereiche:",
                    "Room control unit QTX52-LCD-RS485-Modbus. Address ranges:")) +
            "</p><ul>";
    for (const Range& r : ranges)
        html += rangeLine(r);
    html += "</ul>";
    html += registerTable(lang, ranges[0], params::configRegisters());
    html += registerTable(lang, ranges[1], params::monitorRegisters());
    html += registerTable(lang, ranges[2], params::inputRegisters());
    html += coilTable(lang, ranges[3], params::configCoils());
    html += coilTable(lang, ranges[4], params::inputCoils());
    html += valueLists(lang);
    return html + "</body></html>";
}

bool writePdf(const QString& fileName, Lang lang) {
    QPdfWriter writer(fileName);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("QTX52 RS485 Modbus, Register MS_1"));
    writer.setCreator(QStringLiteral("qtx52-helpdoc"));
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("Sans Serif"), 9));
    doc.setHtml(documentHtml(lang));
    doc.print(&writer);
    return QFileInfo(fileName).size() > 0;
}

// The file name below OUTPUT-FOLDER: the help document path without its "\Doc\" folder.
QString fileNameOf(const QString& helpDocument) {
    QString path = helpDocument;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path.section(QLatin1Char('/'), -1);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: qtx52-helpdoc OUTPUT-FOLDER\n");
        return 2;
    }
    QDir out(args.at(1));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "qtx52-helpdoc: cannot create %s\n", qPrintable(args.at(1)));
        return 1;
    }
    const struct {
        QString file;
        Lang lang;
    } documents[] = {{fileNameOf(app::kHelpDocumentGerman), Lang::German},
                     {fileNameOf(app::kHelpDocumentEnglish), Lang::English}};
    for (const auto& d : documents) {
        const QString path = out.filePath(d.file);
        if (!writePdf(path, d.lang)) {
            std::fprintf(stderr, "qtx52-helpdoc: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
