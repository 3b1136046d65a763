// The commissioning sheet read back from its PDF: the unit's values in both languages, by tab and
// heading, across a page break with the table's header on the next page, "page x of y", a value
// with umlauts from the user store, the marks where the intended set differs, and the parameter
// file attached inside, byte for byte.

#include "app/program.h"
#include "editor/frm_config.h"
#include "files/parameter_set.h"
#include "report/pdf_attachment.h"
#include "report/sheet_data.h"
#include "report/sheet_pdf.h"
#include "sim/simcommport.h"
#include "sim/station.h"
#include "support/test_program.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace qtx52;

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>")
            .arg(program, QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestSheet : public QObject {
    Q_OBJECT
private slots:
    void sheetReadBack_data();
    void sheetReadBack();
};

void TestSheet::sheetReadBack_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("expected"); // each on one line of the sheet, in order
    QTest::newRow("German") << "1031" << QStringList{"Inbetriebnahmeprotokoll",
                                                     "Gebäude Großraumbüro Süd",
                                                     "Station 1",
                                                     "Baudrate 9600",
                                                     "Parität gerade",
                                                     "Parameter Wert im Gerät Sollwert ≠",
                                                     "Seite 1 von"};
    QTest::newRow("English") << "1033"
                             << QStringList{"Commissioning sheet",
                                            "Building Großraumbüro Süd",
                                            "Station 1",
                                            "Baud rate 9600",
                                            "Parity even",
                                            "Parameter Value in the unit Intended ≠",
                                            "Page 1 of"};
}

void TestSheet::sheetReadBack() {
    QFETCH(QString, language);
    QFETCH(QStringList, expected);
    testing::StoreValues values;
    values.language = language;
    testing::TestProgram tp(values);
    sim::Station station{tp.clock};
    sim::SimCommPort port{tp.clock, station};
    const settings::StorePaths stores{tp.dir.filePath("machine.ini"), tp.dir.filePath("user.ini")};
    app::Program p(tp.clock, port, tp.ui, stores);
    app::Main(p);
    editor::frm_config& w = p.frm_config();
    w.Combo_Port(6).setListIndex(1);
    w.cmd_read_device->userClick();
    QVERIFY(tp.clock.advanceUntil([&] { return !p.frmStateLoaded() && p.g.linkReady; }, 60000));

    // The header fields go through the user store, umlauts and all.
    report::SheetHeader header{"Neubau Nord", "Großraumbüro Süd", "2.14", "A. Müller",
                               "Kälte GmbH"};
    QVERIFY(header.save(stores));
    QCOMPARE(report::SheetHeader::load(stores), header);

    // The intended set: the unit's own, with two fields otherwise.
    const QByteArray saved = w.parameterFileBytes();
    const QString savedPath = tp.dir.filePath("Raum 2.14 ü.txt");
    {
        QFile f(savedPath);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(saved) == saved.size());
    }
    files::ParameterSet intended = files::readParameterSet(saved);
    intended.registers[6] = QStringLiteral("25");
    intended.coils[9] = intended.coils[9] == QStringLiteral("1") ? "0" : "1";
    report::SheetInputs in;
    in.intended = intended;
    in.intendedFrom = QStringLiteral("soll.txt");
    in.attachmentName = QStringLiteral("Raum 2.14 ü.txt");
    in.attachment = saved;
    in.madeAt = QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::OffsetFromUTC, 3600);
    const report::SheetData data = report::collectSheet(p, in);
    QCOMPARE(data.differences, 2);

    const QString pdf = tp.dir.filePath("sheet.pdf");
    QString error;
    QVERIFY2(report::writeSheet(pdf, data, &error), qPrintable(error));
    const QString text = run("pdftotext", {"-layout", pdf, "-"});
    QStringList pages = text.split(QLatin1Char('\f'));
    pages.removeAll(QString());
    QVERIFY2(pages.size() >= 2, qPrintable(text));
    QStringList lines;
    for (const QString& l : text.split(QLatin1Char('\n')))
        lines << l.simplified();

    qsizetype at = 0;
    for (const QString& e : expected) {
        while (at < lines.size() && !lines.at(at).contains(e))
            ++at;
        QVERIFY2(at < lines.size(), qPrintable(e + " missing or out of order in:\n" + text));
    }
    // Every page says which of how many it is; the table's header stands on the next page too.
    const QString pageWord =
        language == QLatin1String("1033") ? "Page %1 of %2" : "Seite %1 von %2";
    for (int i = 0; i < pages.size(); ++i)
        QVERIFY2(pages.at(i).simplified().contains(pageWord.arg(i + 1).arg(pages.size())),
                 qPrintable(pages.at(i)));
    QVERIFY(pages.at(1).simplified().contains(expected.at(5)));
    // Every parameter row with its value, and a mark exactly on the two that differ.
    int marked = 0;
    for (const report::SheetRow& row : data.rows) {
        if (row.kind != report::SheetRow::Kind::Value)
            continue;
        // A long value may wrap in its cell: its first word stands beside the name.
        const QString want = (row.name + ' ' + row.value.section(' ', 0, 0)).simplified();
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&](const QString& l) { return l.startsWith(want); });
        QVERIFY2(line != lines.end(), qPrintable(want + " missing in:\n" + text));
        QCOMPARE(line->endsWith(QStringLiteral("≠")), row.differs);
        marked += row.differs ? 1 : 0;
    }
    QCOMPARE(marked, 2);

    // The attached file is the saved file, byte for byte.
    const QString list = run("pdfdetach", {"-list", "-enc", "UTF-8", pdf});
    QVERIFY2(list.contains(QStringLiteral("1: Raum 2.14 ü.txt")), qPrintable(list));
    const QString out = tp.dir.filePath("detached.txt");
    run("pdfdetach", {"-save", "1", "-o", out, pdf});
    QCOMPARE(readAll(out), readAll(savedPath));
}

QTEST_MAIN(TestSheet)
#include "tst_sheet.moc"
