#include "params/numbers.h"

#include <QTest>

#include <optional>

using namespace qtx52::params;

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void format_data();
    void format();
    void roundHalfEven_data();
    void roundHalfEven();
    void leadingDigits_data();
    void leadingDigits();
};

void TestNumbers::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("value");

    // clang-format off
    QTest::newRow("integer") << "17" << "," << true << 17.0;
    QTest::newRow("comma decimal") << "2,5" << "," << true << 2.5;
    QTest::newRow("point decimal") << "2.5" << "." << true << 2.5;
    QTest::newRow("negative") << "-5" << "," << true << -5.0;
    QTest::newRow("negative fraction") << "-0,1" << "," << true << -0.1;
    QTest::newRow("leading separator") << ",5" << "," << true << 0.5;
    QTest::newRow("trailing separator") << "5," << "," << true << 5.0;
    QTest::newRow("leading zeros") << "007" << "," << true << 7.0;
    QTest::newRow("empty separator falls back to comma") << "1,5" << "" << true << 1.5;
    QTest::newRow("empty") << "" << "," << false << 0.0;
    QTest::newRow("lone minus") << "-" << "," << false << 0.0;
    QTest::newRow("lone separator") << "," << "," << false << 0.0;
    QTest::newRow("point under comma") << "2.5" << "," << false << 0.0;
    QTest::newRow("comma under point") << "2,5" << "." << false << 0.0;
    QTest::newRow("two separators") << "1,2,3" << "," << false << 0.0;
    QTest::newRow("minus not leading") << "5-" << "," << false << 0.0;
    QTest::newRow("two minus") << "--5" << "," << false << 0.0;
    QTest::newRow("plus sign") << "+5" << "," << false << 0.0;
    QTest::newRow("blank") << " 5" << "," << false << 0.0;
    QTest::newRow("letters") << "12a" << "," << false << 0.0;
    QTest::newRow("exponent") << "1e3" << "," << false << 0.0;
    // clang-format on
}

void TestNumbers::parse() {
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(bool, isNumber);
    QFETCH(double, value);
    const std::optional<double> v = parseNumber(text, separator);
    QCOMPARE(v.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*v, value);
}

void TestNumbers::format_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");

    // clang-format off
    QTest::newRow("sum without tail, comma") << 0.7 + 0.1 << "," << "0,8";
    QTest::newRow("sum without tail, point") << 0.7 + 0.1 << "." << "0.8";
    QTest::newRow("integer") << 255.0 << "," << "255";
    QTest::newRow("trailing zeros dropped") << 2.50 << "," << "2,5";
    QTest::newRow("negative tenths") << -5.0 << "," << "-5";
    QTest::newRow("external temperature cap") << 3276.7 << "," << "3276,7";
    QTest::newRow("external humidity cap") << 1638.3 << "." << "1638.3";
    QTest::newRow("step down from ten") << 10 - 0.1 << "," << "9,9";
    QTest::newRow("small fraction without exponent") << 0.0001 << "," << "0,0001";
    QTest::newRow("large value without exponent") << 65535.0 << "," << "65535";
    QTest::newRow("beyond 15 digits without exponent") << 1e17 << "," << "100000000000000000";
    QTest::newRow("15 significant digits") << 1.0 / 3 << "," << "0,333333333333333";
    QTest::newRow("rounding carries into the next digit") << 0.9999999999999999 << "," << "1";
    QTest::newRow("three tenths") << 0.1 * 3 << "," << "0,3";
    QTest::newRow("negative zero") << -0.0 << "," << "0";
    QTest::newRow("minus one tenth") << -0.1 << "," << "-0,1";
    // clang-format on
}

void TestNumbers::format() {
    QFETCH(double, value);
    QFETCH(QString, separator);
    QFETCH(QString, text);
    QCOMPARE(formatNumber(value, separator), text);
}

void TestNumbers::roundHalfEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("2.5 to even below") << 2.5 << 2.0;
    QTest::newRow("3.5 to even above") << 3.5 << 4.0;
    QTest::newRow("22.5 tenths") << 22.5 << 22.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("-3.5") << -3.5 << -4.0;
    QTest::newRow("below half") << 6.49 << 6.0;
    QTest::newRow("above half") << 6.51 << 7.0;
    QTest::newRow("negative above half") << -0.6 << -1.0;
    QTest::newRow("0.5") << 0.5 << 0.0;
}

void TestNumbers::roundHalfEven() {
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(qtx52::params::roundHalfEven(value), rounded);
}

void TestNumbers::leadingDigits_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value");
    QTest::newRow("digits") << "63" << qint64(63);
    QTest::newRow("empty") << "" << qint64(0);
    QTest::newRow("trailing letters") << "7x" << qint64(7);
    QTest::newRow("leading letter") << "x7" << qint64(0);
    QTest::newRow("leading zeros") << "007" << qint64(7);
    QTest::newRow("minus") << "-5" << qint64(0);
    QTest::newRow("huge saturates") << "99999999999999999999999" << qint64(INT64_MAX);
}

void TestNumbers::leadingDigits() {
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QCOMPARE(leadingDigitsValue(text), value);
}

QTEST_APPLESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
