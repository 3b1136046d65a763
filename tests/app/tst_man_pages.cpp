// The man pages against the programs: every option --help lists has its entry in the page's
// OPTIONS, and every entry there is an option --help lists. A new option fails here until its
// page has a line for it.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

QSet<QString> helpOptions(const QString& program, QString* error) {
    QProcess p;
    p.start(program, {QStringLiteral("--help")});
    if (!p.waitForFinished(10000) || p.exitCode() != 0) {
        *error = program + QStringLiteral(" --help failed");
        return {};
    }
    QSet<QString> out;
    static const QRegularExpression line(QStringLiteral("^\\s+(-.*?)(\\s{2,}|$)"));
    static const QRegularExpression name(QStringLiteral("(--?[A-Za-z0-9][A-Za-z0-9-]*)"));
    for (const QString& l : QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n')) {
        const auto m = line.match(l);
        if (!m.hasMatch())
            continue;
        for (const auto& n : name.globalMatch(m.captured(1)))
            out.insert(n.captured(1));
    }
    return out;
}

// The options of a page: the tag line after each .TP in its OPTIONS section.
QSet<QString> manOptions(const QString& page, QString* error) {
    QFile f(page);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read ") + page;
        return {};
    }
    QSet<QString> out;
    bool inOptions = false;
    bool tag = false;
    static const QRegularExpression name(
        QStringLiteral("(?<![\\\\\\w])((?:\\\\-){1,2}[A-Za-z0-9](?:[A-Za-z0-9]|\\\\-)*)"));
    for (const QString& l : QString::fromUtf8(f.readAll()).split('\n')) {
        if (l.startsWith(QLatin1String(".SH"))) {
            inOptions = l.contains(QLatin1String("OPTIONS"));
            continue;
        }
        if (!inOptions)
            continue;
        if (l.startsWith(QLatin1String(".TP"))) {
            tag = true;
            continue;
        }
        if (!tag)
            continue;
        tag = false;
        for (const auto& n : name.globalMatch(l))
            out.insert(n.captured(1).replace(QLatin1String("\\-"), QLatin1String("-")));
    }
    return out;
}

} // namespace

class TestManPages : public QObject {
    Q_OBJECT
private slots:
    void optionsAgree_data();
    void optionsAgree();
};

void TestManPages::optionsAgree_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("page");
    QTest::newRow("qtx52-config") << qEnvironmentVariable("QTX52_CONFIG")
                                  << QStringLiteral(QT_TESTCASE_SOURCEDIR
                                                    "/../docs/man/qtx52-config.1");
    QTest::newRow("qtx52-sim") << qEnvironmentVariable("QTX52_SIM")
                               << QStringLiteral(QT_TESTCASE_SOURCEDIR "/../docs/man/qtx52-sim.1");
}

void TestManPages::optionsAgree() {
    QFETCH(QString, program);
    QFETCH(QString, page);
    if (program.isEmpty())
        QSKIP("the program's path is not set (run through ctest)");
    QString error;
    const QSet<QString> help = helpOptions(program, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QSet<QString> man = manOptions(page, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(help.contains(QStringLiteral("--help")));
    QStringList missingInPage = (help - man).values();
    QStringList missingInHelp = (man - help).values();
    missingInPage.sort();
    missingInHelp.sort();
    QVERIFY2(missingInPage.isEmpty(),
             qPrintable(QStringLiteral("not in %1: %2").arg(page, missingInPage.join(' '))));
    QVERIFY2(missingInHelp.isEmpty(),
             qPrintable(QStringLiteral("not in --help: %1").arg(missingInHelp.join(' '))));
}

QTEST_GUILESS_MAIN(TestManPages)
#include "tst_man_pages.moc"
