#include "report/building_sheet.h"

#include "report/sheet_pdf.h"
#include "report/sheet_texts.h"

namespace qtx52::report {

namespace {

QString esc(const QString& s) {
    return s.toHtmlEscaped();
}

} // namespace

QString buildingSheetHtml(const BuildingSheet& d) {
    const bool en = d.english;
    auto t = [en](SheetText which) { return sheetText(which, en); };
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>");
    html += QStringLiteral("<h2>%1</h2>").arg(esc(t(SheetText::BuildingTitle)));
    html += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\" width=\"100%\">");
    const Pairs head{{t(SheetText::Project), d.header.project},
                     {t(SheetText::Building), d.header.building},
                     {t(SheetText::Technician), d.header.technician},
                     {t(SheetText::Company), d.header.company},
                     {t(SheetText::Plan), d.plan},
                     {t(SheetText::MadeAt), stampText(d.madeAt, en)},
                     {t(SheetText::ProgramVersion), d.version}};
    for (const auto& [name, value] : head)
        html += QStringLiteral("<tr><td width=\"35%\">%1</td><td><b>%2</b></td></tr>")
                    .arg(esc(name), esc(value));
    html += QStringLiteral("</table><h3>%1</h3><p>").arg(esc(t(SheetText::Results)));
    QStringList counts;
    for (const auto& [result, count] : d.counts)
        counts << QStringLiteral("%1: <b>%2</b>").arg(esc(result), esc(count));
    html += counts.join(QStringLiteral(" · ")) + QStringLiteral("</p>");

    // The header row is repeated by the layout on every page the table runs over.
    html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                           "width=\"100%\"><thead><tr bgcolor=\"#d8d8d8\">");
    for (SheetText column :
         {SheetText::Room, SheetText::Line, SheetText::Station, SheetText::CodingShort,
          SheetText::Firmware, SheetText::Result, SheetText::Time, SheetText::UnitSheet})
        html += QStringLiteral("<th align=\"left\">%1</th>").arg(esc(t(column)));
    html += QStringLiteral("</tr></thead>");
    for (const BuildingRow& r : d.rows) {
        html += QStringLiteral("<tr>");
        for (const QString& value : {r.room, r.line, r.station, r.coding, r.firmware})
            html += QStringLiteral("<td>%1</td>").arg(esc(value));
        html += r.good ? QStringLiteral("<td>%1</td>").arg(esc(r.result))
                       : QStringLiteral("<td><b>%1</b></td>").arg(esc(r.result));
        html += QStringLiteral("<td>%1</td><td>%2</td></tr>").arg(esc(r.time), esc(r.sheet));
    }
    html += QStringLiteral("</table>");

    html += QStringLiteral("<h3>%1</h3>").arg(esc(t(SheetText::Signatures)));
    html += signaturesTable(d.english) + QStringLiteral("</body></html>");
    return html;
}

bool writeBuildingSheet(const QString& path, const BuildingSheet& d, QString* error) {
    const QString title = sheetText(SheetText::BuildingTitle, d.english);
    QString why;
    const std::optional<QByteArray> bytes = htmlPdf(
        buildingSheetHtml(d), title, d.version,
        d.header.building.isEmpty() ? title
                                    : QStringLiteral("%1 · %2").arg(title, d.header.building),
        d.english, &why);
    return writePdfFile(path, bytes, why, error);
}

} // namespace qtx52::report
