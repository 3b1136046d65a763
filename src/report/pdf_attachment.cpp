#include "report/pdf_attachment.h"

#include <QRegularExpression>

namespace qtx52::report {

namespace {

// A PDF text string: plain when it is printable ASCII, else UTF-16 with its byte-order mark.
QByteArray pdfString(const QString& text) {
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7F;
    if (ascii) {
        QByteArray out = text.toLatin1();
        out.replace('\\', "\\\\").replace('(', "\\(").replace(')', "\\)");
        return '(' + out + ')';
    }
    QByteArray hex = "<FEFF";
    for (const QChar c : text)
        hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return hex + '>';
}

// The same name in ASCII, for readers that only look at /F.
QString asciiName(const QString& name) {
    QString out;
    for (const QChar c : name)
        out += c.unicode() >= 0x20 && c.unicode() < 0x7F ? c : QLatin1Char('_');
    return out;
}

QByteArray pdfDate(const QDateTime& t) {
    const int offset = t.offsetFromUtc();
    return "(D:" + t.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() +
           (offset < 0 ? "-" : "+") +
           QByteArray::number(std::abs(offset) / 3600).rightJustified(2, '0') + "'" +
           QByteArray::number(std::abs(offset) % 3600 / 60).rightJustified(2, '0') + "')";
}

// The dictionary that starts at `from` ("<<"), with its nested dictionaries; empty when it does
// not close.
QByteArray dictionaryAt(const QByteArray& pdf, qsizetype from) {
    int depth = 0;
    for (qsizetype i = from; i + 1 < pdf.size(); ++i) {
        if (pdf[i] == '<' && pdf[i + 1] == '<') {
            ++depth;
            ++i;
        } else if (pdf[i] == '>' && pdf[i + 1] == '>') {
            --depth;
            ++i;
            if (depth == 0)
                return pdf.mid(from, i + 1 - from);
        }
    }
    return {};
}

QByteArray xrefEntry(qsizetype offset) {
    return QByteArray::number(offset).rightJustified(10, '0') + " 00000 n\r\n";
}

} // namespace

std::optional<QByteArray> attachFile(const QByteArray& pdf, const QString& fileName,
                                     const QByteArray& content, const QDateTime& modified,
                                     const QString& description) {
    // The last cross-reference section and its trailer.
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    if (startxref < 0)
        return std::nullopt;
    bool ok = false;
    const qsizetype previous =
        pdf.mid(startxref + 9, 24).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
    if (!ok || previous <= 0 || previous >= pdf.size() || !pdf.mid(previous).startsWith("xref"))
        return std::nullopt;
    const qsizetype trailerAt = pdf.indexOf("trailer", previous);
    if (trailerAt < 0)
        return std::nullopt;
    const QByteArray trailer = dictionaryAt(pdf, pdf.indexOf("<<", trailerAt));
    const QString trailerText = QString::fromLatin1(trailer);
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("/Size\\s+(\\d+)")).match(trailerText);
    const QRegularExpressionMatch root =
        QRegularExpression(QStringLiteral("/Root\\s+(\\d+)\\s+(\\d+)\\s+R")).match(trailerText);
    if (!size.hasMatch() || !root.hasMatch())
        return std::nullopt;
    const int firstNew = size.captured(1).toInt();
    const QByteArray rootNumber = root.captured(1).toLatin1();
    const QByteArray rootGeneration = root.captured(2).toLatin1();

    // The catalog as it stands.
    const QRegularExpression objectStart(
        QStringLiteral("(^|[\\r\\n\\s])%1\\s+%2\\s+obj\\b")
            .arg(QString::fromLatin1(rootNumber), QString::fromLatin1(rootGeneration)));
    const QRegularExpressionMatch catalogAt = objectStart.match(QString::fromLatin1(pdf));
    if (!catalogAt.hasMatch())
        return std::nullopt;
    const QByteArray catalog = dictionaryAt(pdf, pdf.indexOf("<<", catalogAt.capturedEnd()));
    if (catalog.isEmpty() || catalog.contains("/Names"))
        return std::nullopt;

    const int fileObject = firstNew;
    const int specObject = firstNew + 1;
    const int treeObject = firstNew + 2;
    const QByteArray ref = " 0 R";
    QByteArray out = pdf;
    if (!out.endsWith('\n'))
        out += '\n';
    QList<std::pair<int, qsizetype>> offsets;

    offsets.append({fileObject, out.size()});
    out += QByteArray::number(fileObject) +
           " 0 obj\n<<\n/Type /EmbeddedFile\n/Subtype /text#2Fplain\n" + "/Length " +
           QByteArray::number(content.size()) + "\n/Params << /Size " +
           QByteArray::number(content.size()) + " /ModDate " + pdfDate(modified) +
           " >>\n>>\nstream\n" + content + "\nendstream\nendobj\n";

    const QByteArray name = pdfString(fileName);
    offsets.append({specObject, out.size()});
    out += QByteArray::number(specObject) + " 0 obj\n<<\n/Type /Filespec\n/F " +
           pdfString(asciiName(fileName)) + "\n/UF " + name + "\n/Desc " + pdfString(description) +
           "\n/EF << /F " + QByteArray::number(fileObject) + ref + " >>\n>>\nendobj\n";

    offsets.append({treeObject, out.size()});
    out += QByteArray::number(treeObject) + " 0 obj\n<<\n/Names [" + name + ' ' +
           QByteArray::number(specObject) + ref + "]\n>>\nendobj\n";

    // The catalog again, naming the files and opening with them shown.
    QByteArray newCatalog = catalog.left(catalog.size() - 2);
    newCatalog += "/Names << /EmbeddedFiles " + QByteArray::number(treeObject) + ref + " >>\n";
    if (!newCatalog.contains("/PageMode"))
        newCatalog += "/PageMode /UseAttachments\n";
    newCatalog += ">>";
    const qsizetype catalogOffset = out.size();
    out += rootNumber + ' ' + rootGeneration + " obj\n" + newCatalog + "\nendobj\n";

    const qsizetype xref = out.size();
    out += "xref\n" + rootNumber + " 1\n" +
           QByteArray::number(catalogOffset).rightJustified(10, '0') + ' ' +
           rootGeneration.rightJustified(5, '0') + " n\r\n";
    out += QByteArray::number(firstNew) + " 3\n";
    for (const auto& [number, offset] : offsets)
        out += xrefEntry(offset);

    // The old trailer's entries (the root, the document's information and identifier) stay.
    QString keep = trailerText.mid(2, trailerText.size() - 4);
    keep.remove(QRegularExpression(QStringLiteral("/Size\\s+\\d+")));
    keep.remove(QRegularExpression(QStringLiteral("/Prev\\s+\\d+")));
    out += "trailer\n<<\n/Size " + QByteArray::number(firstNew + 3) + "\n/Prev " +
           QByteArray::number(previous) + '\n' + keep.trimmed().toLatin1() + "\n>>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

} // namespace qtx52::report
