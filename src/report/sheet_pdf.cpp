#include "report/sheet_pdf.h"

#include "report/pdf_attachment.h"
#include "report/sheet_texts.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

namespace qtx52::report {

namespace {

constexpr int kResolution = 300;
const QString kFont = QStringLiteral("DejaVu Sans");

QString esc(const QString& s) {
    return s.toHtmlEscaped();
}

QString cell(const QString& text, const QString& attributes = {}) {
    return QStringLiteral("<td%1>%2</td>").arg(attributes, esc(text));
}

QString pairsTable(const Pairs& pairs) {
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\" width=\"100%\">");
    for (const auto& [name, value] : pairs)
        html += QStringLiteral("<tr>") + cell(name, QStringLiteral(" width=\"35%\"")) +
                QStringLiteral("<td><b>%1</b></td></tr>").arg(esc(value));
    return html + QStringLiteral("</table>");
}

QString h2(const QString& text) {
    return QStringLiteral("<h3>%1</h3>").arg(esc(text));
}

} // namespace

QString sheetHtml(const SheetData& d) {
    const bool en = d.english;
    auto t = [en](SheetText which) { return sheetText(which, en); };
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>");
    html += QStringLiteral("<h2>%1</h2>").arg(esc(t(SheetText::Title)));
    html += pairsTable({{t(SheetText::Project), d.header.project},
                        {t(SheetText::Building), d.header.building},
                        {t(SheetText::Room), d.header.room},
                        {t(SheetText::Technician), d.header.technician},
                        {t(SheetText::Company), d.header.company},
                        {t(SheetText::MadeAt), stampText(d.madeAt, en)},
                        {t(SheetText::ProgramVersion), d.version}});

    html += h2(t(SheetText::Unit)) + pairsTable(d.identity);

    html += h2(t(SheetText::Parameters));
    if (d.hasIntended) {
        html += QStringLiteral("<p>%1 %2</p>")
                    .arg(esc(t(SheetText::IntendedFrom).arg(d.intendedFrom)),
                         esc(d.differences ? t(SheetText::DiffersCount).arg(d.differences)
                                           : t(SheetText::SameAsIntended)));
    }
    const int columns = d.hasIntended ? 4 : 2;
    html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                           "width=\"100%\"><thead><tr bgcolor=\"#d8d8d8\">");
    html += QStringLiteral("<th align=\"left\" width=\"%1%\">%2</th><th align=\"left\">%3</th>")
                .arg(d.hasIntended ? 44 : 60)
                .arg(esc(t(SheetText::Parameter)), esc(t(SheetText::Value)));
    if (d.hasIntended)
        html += QStringLiteral("<th align=\"left\">%1</th><th width=\"5%\">%2</th>")
                    .arg(esc(t(SheetText::Intended)), esc(t(SheetText::Differs)));
    html += QStringLiteral("</tr></thead>");
    for (const SheetRow& row : d.rows) {
        switch (row.kind) {
        case SheetRow::Kind::Tab:
            html += QStringLiteral("<tr bgcolor=\"#eeeeee\"><td colspan=\"%1\"><b>%2</b></td></tr>")
                        .arg(columns)
                        .arg(esc(row.name));
            break;
        case SheetRow::Kind::Frame:
            html += QStringLiteral("<tr><td colspan=\"%1\"><b><i>%2</i></b></td></tr>")
                        .arg(columns)
                        .arg(esc(row.name));
            break;
        case SheetRow::Kind::Heading:
            html += QStringLiteral("<tr><td colspan=\"%1\"><i>%2</i></td></tr>")
                        .arg(columns)
                        .arg(esc(row.name));
            break;
        case SheetRow::Kind::Value:
            html += QStringLiteral("<tr>") + cell(row.name) + cell(row.value);
            if (d.hasIntended)
                html += cell(row.intended) +
                        (row.differs ? QStringLiteral("<td align=\"center\"><b>%1</b></td>")
                                           .arg(esc(t(SheetText::Mark)))
                                     : cell(QString()));
            html += QStringLiteral("</tr>");
            break;
        }
    }
    html += QStringLiteral("</table>");
    html +=
        QStringLiteral("<p><br>%1: <b>%2</b></p>").arg(esc(t(SheetText::ConfigBits)), d.configBits);

    if (d.live) {
        html += h2(t(SheetText::LiveValues).arg(stampText(d.live->at, en))) +
                pairsTable(d.live->values);
    } else {
        html += QStringLiteral("<p>%1</p>").arg(esc(t(SheetText::NoLiveValues)));
    }
    if (!d.counters.empty())
        html += h2(t(SheetText::LinkCounters)) + pairsTable(d.counters);
    if (!d.attachmentName.isEmpty())
        html += QStringLiteral("<p>%1</p>").arg(esc(t(SheetText::Attached).arg(d.attachmentName)));

    html += h2(t(SheetText::Signatures));
    html += signaturesTable(en) + QStringLiteral("</body></html>");
    return html;
}

QString signaturesTable(bool english) {
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"6\" width=\"100%\">");
    for (SheetText who : {SheetText::SignatureTechnician, SheetText::SignatureOwner})
        html +=
            QStringLiteral("<tr><td width=\"30%\">%1</td><td>%2: "
                           "________________________</td><td>"
                           "________________________________</td></tr>")
                .arg(esc(sheetText(who, english)), esc(sheetText(SheetText::DatePlace, english)));
    return html + QStringLiteral("</table>");
}

std::optional<QByteArray> htmlPdf(const QString& html, const QString& title, const QString& creator,
                                  const QString& footerLeft, bool english, QString* error) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(kResolution);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 12), QPageLayout::Millimeter);
        writer.setTitle(title);
        writer.setCreator(creator);

        QTextDocument doc;
        doc.documentLayout()->setPaintDevice(&writer);
        // Without shaping "ff" and "fi" stay two letters, which a reader's search and copy would
        // not find in the one glyph of a ligature; the fonts are plain Latin.
        QFont font(kFont, 9);
        font.setStyleStrategy(QFont::PreferNoShaping);
        doc.setDefaultFont(font);
        doc.setHtml(html);
        const QRectF page = writer.pageLayout().paintRectPixels(kResolution);
        QFont footerFont(kFont, 7);
        footerFont.setStyleStrategy(QFont::PreferNoShaping);
        const double footer = QFontMetricsF(footerFont, &writer).height() * 2.5;
        const QSizeF body(page.width(), page.height() - footer);
        doc.setPageSize(body);
        const int pages = doc.pageCount();

        QPainter p;
        if (!p.begin(&writer)) {
            if (error)
                *error = QStringLiteral("PDF");
            return std::nullopt;
        }
        for (int i = 0; i < pages; ++i) {
            if (i > 0)
                writer.newPage();
            p.save();
            const QRectF clip(0, i * body.height(), body.width(), body.height());
            p.translate(0, -clip.top());
            p.setClipRect(clip);
            QAbstractTextDocumentLayout::PaintContext context;
            context.clip = clip;
            doc.documentLayout()->draw(&p, context);
            p.restore();
            p.setFont(footerFont);
            const QRectF line(0, body.height(), body.width(), footer);
            p.drawText(line, Qt::AlignLeft | Qt::AlignBottom, footerLeft);
            p.drawText(line, Qt::AlignRight | Qt::AlignBottom,
                       sheetText(SheetText::Page, english).arg(i + 1).arg(pages));
        }
        p.end();
    }
    return bytes;
}

bool writePdfFile(const QString& path, const std::optional<QByteArray>& bytes, const QString& why,
                  QString* error) {
    QSaveFile file(path);
    if (!bytes || !file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() ||
        !file.commit()) {
        if (error)
            *error = bytes ? file.errorString() : why;
        file.cancelWriting();
        return false;
    }
    return true;
}

std::optional<QByteArray> sheetPdf(const SheetData& d, QString* error) {
    const QString title = sheetText(SheetText::Title, d.english);
    const QString station = d.identity.size() > 2 ? d.identity.at(2).second : QString();
    const QString left =
        QStringLiteral("%1 · %2 · %3 %4")
            .arg(title, d.header.room, sheetText(SheetText::Station, d.english), station);
    const std::optional<QByteArray> bytes =
        htmlPdf(sheetHtml(d), title, d.version, left, d.english, error);
    if (!bytes)
        return std::nullopt;
    if (d.attachmentName.isEmpty())
        return bytes;
    std::optional<QByteArray> attached =
        attachFile(*bytes, d.attachmentName, d.attachment, d.madeAt,
                   sheetText(SheetText::Attached, d.english).arg(d.attachmentName));
    if (!attached && error)
        *error = QStringLiteral("PDF");
    return attached;
}

bool writeSheet(const QString& path, const SheetData& d, QString* error) {
    QString why;
    const std::optional<QByteArray> bytes = sheetPdf(d, &why);
    return writePdfFile(path, bytes, why, error);
}

} // namespace qtx52::report
