#include "params/register_map.h"

#include <QRegularExpression>
#include <QTest>

#include <set>

using namespace qtx52::params;

Q_DECLARE_METATYPE(std::set<int>)

namespace {

// The code an entry begins with: "0x1F, ..." is hex, "3 - ..." and "1- ..." decimal.
std::optional<int> leadingCode(const QString& entry) {
    static const QRegularExpression re(QStringLiteral("^(0x([0-9A-Fa-f]{2})|([0-9]+))[ ,-]"));
    const QRegularExpressionMatch m = re.match(entry);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const int v =
        m.captured(2).isEmpty() ? m.captured(3).toInt(&ok, 10) : m.captured(2).toInt(&ok, 16);
    return ok ? std::optional<int>(v) : std::nullopt;
}

const std::vector<RegisterInfo>& family(int which) {
    switch (which) {
    case 0:
        return configRegisters();
    case 1:
        return monitorRegisters();
    default:
        return inputRegisters();
    }
}

std::set<int> tenthsOf(const std::vector<RegisterInfo>& table) {
    std::set<int> out;
    for (const RegisterInfo& r : table)
        if (r.encoding == Encoding::SignedTenths)
            out.insert(r.address);
    return out;
}

} // namespace

class TestRegisterMap : public QObject {
    Q_OBJECT
private slots:
    void ranges_data();
    void ranges();
    void encodings_data();
    void encodings();
    void everyEntryBeginsWithItsCode();
    void deviceTypeList();
    void coils();
    void upDownLimitsFollowTheEncoding();
};

void TestRegisterMap::ranges_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("firstWritable");
    QTest::newRow("configuration")
        << 0 << kConfigFirst << kConfigCount << int(Family::Config) << kConfigWriteFirst;
    QTest::newRow("monitor") << 1 << kMonitorFirst << kMonitorCount << int(Family::Monitor) << -1;
    QTest::newRow("inputs") << 2 << kInputFirst << kInputCount << int(Family::Input) << kInputFirst;
}

// Addresses run without gaps, elements count from 0, and only the right registers are written.
void TestRegisterMap::ranges() {
    QFETCH(int, which);
    QFETCH(int, first);
    QFETCH(int, count);
    QFETCH(int, family);
    QFETCH(int, firstWritable);
    const auto& table = ::family(which);
    QCOMPARE(int(table.size()), count);
    for (int i = 0; i < count; ++i) {
        const RegisterInfo& r = table[i];
        QCOMPARE(r.address, first + i);
        QCOMPARE(r.element, i);
        QCOMPARE(int(r.family), family);
        QCOMPARE(r.writable, firstWritable >= 0 && r.address >= firstWritable);
        QVERIFY2(!r.labelDe.isEmpty() && !r.labelEn.isEmpty(), qPrintable(r.labelDe));
        // A register in the tenths needs a unit to make sense of its decimal.
        if (r.encoding == Encoding::SignedTenths)
            QVERIFY2(!r.unit.isEmpty(), qPrintable(r.labelDe));
        // Nothing the unit only reports may ever be sent back.
        if (r.encoding == Encoding::Unsigned)
            QVERIFY(!r.writable);
    }
}

void TestRegisterMap::encodings_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<std::set<int>>("tenths");
    QTest::addColumn<bool>("othersUnsigned");
    QTest::newRow("configuration")
        << 0 << std::set<int>{7, 8, 9, 10, 11, 13, 14, 16, 22, 28} << false;
    QTest::newRow("monitor") << 1 << std::set<int>{258, 259, 260, 261} << true;
    QTest::newRow("inputs") << 2 << std::set<int>{512, 513, 514, 515} << false;
}

void TestRegisterMap::encodings() {
    QFETCH(int, which);
    QFETCH(std::set<int>, tenths);
    QFETCH(bool, othersUnsigned);
    const auto& table = family(which);
    QCOMPARE(tenthsOf(table), tenths);
    for (const RegisterInfo& r : table) {
        if (r.encoding != Encoding::SignedTenths)
            QCOMPARE(r.encoding, othersUnsigned ? Encoding::Unsigned : Encoding::Signed);
        // The look-ups give what the table says.
        const Encoding looked = which == 0   ? configEncoding(r.element)
                                : which == 1 ? monitorEncoding(r.address)
                                             : inputEncoding(r.element);
        QCOMPARE(looked, r.encoding);
    }
}

// Every entry, in both languages, starts with the value it stands for, so choosing an entry can
// never send another value than the one the user read.
void TestRegisterMap::everyEntryBeginsWithItsCode() {
    int lists = 0;
    for (char id = 'A'; id <= 'K'; ++id) {
        const ValueList* l = valueList(id);
        QVERIFY2(l, QByteArray(1, id).constData());
        ++lists;
        QCOMPARE(l->entriesDe.size(), qsizetype(l->values.size()));
        QCOMPARE(l->entriesEn.size(), qsizetype(l->values.size()));
        for (size_t pos = 0; pos < l->values.size(); ++pos) {
            for (const QString& entry : {l->entriesDe[pos], l->entriesEn[pos]}) {
                const std::optional<int> code = leadingCode(entry);
                QVERIFY2(code, qPrintable(entry));
                QCOMPARE(*code, l->values[pos]);
            }
        }
    }
    QCOMPARE(lists, 11);
    QCOMPARE(valueList('L'), nullptr);
    QCOMPARE(valueList(0), nullptr);
    // Which register uses which list, in address order.
    QString used;
    for (const auto* table : {&configRegisters(), &inputRegisters()})
        for (const RegisterInfo& r : *table)
            if (r.list)
                used += QStringLiteral("%1%2 ").arg(r.address).arg(QLatin1Char(r.list));
    QCOMPARE(used, QStringLiteral("2A 4B 12C 15D 21E 27E 31F 32F 33G 34G 36H 37I 516J 517K "));
    // Only the list-coded registers have a list partner.
    QCOMPARE(configListElements(),
             (std::vector<int>{2, 4, 12, 15, 21, 27, 31, 32, 33, 34, 36, 37}));
}

void TestRegisterMap::deviceTypeList() {
    const ValueList* l = valueList('A');
    QVERIFY(l);
    QCOMPARE(l->values, (std::vector<int>{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x10, 0x11}));
    const QSet<QString> distinct(l->entriesDe.begin(), l->entriesDe.end());
    QCOMPARE(distinct.size(), 8);
    for (int pos = 0; pos < 8; ++pos) {
        // "code, name": the name is not empty.
        QVERIFY2(l->entriesDe[pos].section(QStringLiteral(", "), 1).size() > 0,
                 qPrintable(l->entriesDe[pos]));
        // English names the first seven variants anew; the last keeps its one name.
        QCOMPARE(l->entriesEn[pos] == l->entriesDe[pos], pos == 7);
    }
}

void TestRegisterMap::coils() {
    const auto& cfg = configCoils();
    QCOMPARE(int(cfg.size()), kConfigCoilCount);
    for (int i = 0; i < kConfigCoilCount; ++i) {
        const CoilInfo& c = cfg[i];
        QCOMPARE(c.address, kConfigCoilFirst + i);
        QCOMPARE(c.element, i);
        QVERIFY(!c.labelDe.isEmpty() && !c.labelEn.isEmpty());
        // 0..3 are plain check boxes; the others are chosen as one of two named states, and the
        // entry position is the coil state.
        const int states = i < 4 ? 0 : 2;
        QCOMPARE(int(c.statesDe.size()), states);
        QCOMPARE(int(c.statesEn.size()), states);
        for (int s = 0; s < states; ++s) {
            QCOMPARE(leadingCode(c.statesDe[s]), std::optional<int>(s));
            QCOMPARE(leadingCode(c.statesEn[s]), std::optional<int>(s));
        }
    }
    const auto& inp = inputCoils();
    QCOMPARE(int(inp.size()), kInputCoilCount);
    for (int i = 0; i < kInputCoilCount; ++i) {
        QCOMPARE(inp[i].address, kInputCoilFirst + i);
        QCOMPARE(inp[i].element, i);
        QVERIFY(inp[i].statesDe.isEmpty());
    }
    // The second view of coil 13 is German in both languages.
    const CoilInfo& view = coil13View();
    QCOMPARE(view.element, kCoil13View);
    QCOMPARE(view.labelDe, QStringLiteral("Sollwertdarstellung"));
    QCOMPARE(view.labelEn, view.labelDe);
    QCOMPARE(view.statesDe, (QStringList{QStringLiteral("0, mit Basissollwert"),
                                         QStringLiteral("1, Sollwertbereich")}));
    QCOMPARE(view.statesEn, view.statesDe);
}

// The arrows step in tenths exactly where the register travels in tenths, and only plain number
// fields have arrows.
void TestRegisterMap::upDownLimitsFollowTheEncoding() {
    std::set<int> seen;
    for (const UpDownLimits& l : upDownLimits()) {
        QVERIFY2(seen.insert(l.element).second, "element listed twice");
        const RegisterInfo& r = configRegisters().at(l.element);
        QCOMPARE(r.list, char(0));
        QVERIFY(r.writable);
        QVERIFY(l.min < l.max);
        QCOMPARE(l.step, r.encoding == Encoding::SignedTenths ? 0.1 : 1.0);
        // What the arrows can reach must fit the register on the wire.
        const double scale = r.encoding == Encoding::SignedTenths ? 10 : 1;
        QVERIFY(l.min * scale >= -32768);
        QVERIFY(l.max * scale <= 65535);
        QCOMPARE(upDownLimitsFor(l.element), &l);
    }
    QCOMPARE(seen, (std::set<int>{3,  5,  6,  7,  8,  9,  10, 11, 13, 14, 16,
                                  17, 18, 19, 20, 22, 23, 24, 25, 26, 28, 35}));
    QCOMPARE(upDownLimitsFor(12), nullptr);
    QCOMPARE(upDownLimitsFor(29), nullptr);
    // The signed ranges reach below zero; the others start at zero.
    QCOMPARE(upDownLimitsFor(7)->min, -10.0);
    QCOMPARE(upDownLimitsFor(13)->min, -99.0);
    QCOMPARE(upDownLimitsFor(3)->max, 65535.0);
    QCOMPARE(upDownLimitsFor(6)->max, 3000.0);
}

QTEST_GUILESS_MAIN(TestRegisterMap)
#include "tst_register_map.moc"
