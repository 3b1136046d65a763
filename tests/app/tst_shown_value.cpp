// Values quoted in messages: at most 40 characters, then "…", control characters escaped.

#include "app/shown_value.h"

#include <QTest>

using qtx52::app::shownValue;

class TestShownValue : public QObject {
    Q_OBJECT
private slots:
    void shown_data();
    void shown();
};

void TestShownValue::shown_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");
    const QString forty(40, QLatin1Char('7'));
    QTest::newRow("short") << "22,5"
                           << "22,5";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("exactly 40") << forty << forty;
    QTest::newRow("41") << forty + "8" << forty + QChar(0x2026);
    QTest::newRow("1 MB") << QString(1 << 20, QLatin1Char('x'))
                          << QString(40, QLatin1Char('x')) + QChar(0x2026);
    QTest::newRow("NUL in the middle")
        << QStringLiteral("2") + QChar(0) + QStringLiteral("5") << "2\\x005";
    QTest::newRow("tab, line ends") << "a\tb\r\nc"
                                    << "a\\tb\\r\\nc";
    QTest::newRow("escape, DEL, C1")
        << QStringLiteral("\x1b\x7f") + QChar(0x85) << "\\x1b\\x7f\\x85";
    QTest::newRow("umlauts kept") << "Kühlen Größe"
                                  << "Kühlen Größe";
    QTest::newRow("line separator") << QStringLiteral("a") + QChar(0x2028) << "a\\u2028";
    // An escape is never cut: 39 characters and a tab do not fit in 40.
    QTest::newRow("escape at the end")
        << QString(39, QLatin1Char('1')) + "\t" << QString(39, QLatin1Char('1')) + QChar(0x2026);
    QTest::newRow("outside the basic plane, one character")
        << QString(39, QLatin1Char('1')) + QString::fromUcs4(U"\U0001F600")
        << QString(39, QLatin1Char('1')) + QString::fromUcs4(U"\U0001F600");
}

void TestShownValue::shown() {
    QFETCH(QString, value);
    QFETCH(QString, shown);
    QCOMPARE(shownValue(value), shown);
}

QTEST_GUILESS_MAIN(TestShownValue)
#include "tst_shown_value.moc"
