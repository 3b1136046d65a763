#include "link/port_map.h"
#include "link/qt_serial_port.h"
#include "settings/reg_file.h"
#include "settings/registry.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace qtx52::settings;

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT
private slots:
    void init();
    void reads_data();
    void reads();
    void missingOrUnreadableStoreReadsEmpty();
    void decimalSeparatorFallsBackToLocale();
    void enumerationEndsAndStaysEnded();
    void writeCreatesKeyAndFailureSetsErrorNumber();
    void userWriteKeepsTheRestOfBothStores();
    void deleteRemovesSubkeys();
    void portMapOrderAndExplicitMapping();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    StorePaths paths_;
};

void TestRegistry::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    paths_.machineFile = dir_->filePath("machine.ini");
    paths_.userFile = dir_->filePath("user.ini");
    writeFile(paths_.machineFile, "; installation\n"
                                  "[SOFTWARE\\Korvatek\\QTX52-RS485-MODBUS]\n"
                                  "\"Pfad\"=\"/opt/qtx52\"\n"
                                  "\"Language\"=\"1033\"\n"
                                  "\"Version\"=\"1.5\\0 beta\"\n"
                                  "\"Count\"=dword:00000409\n"
                                  "\"Quoted\"=\"say \\\"hi\\\" \\\\ there\"\n"
                                  "[SOFTWARE\\Korvatek\\QTX52-LCD-RS485-MODBUS]\n"
                                  "\"version\"=\"1.5\"\n");
    writeFile(paths_.userFile, "[Control Panel\\International]\n\"sDecimal\"=\".\"\n");
}

void TestRegistry::reads_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("text") << kProductKey << "Pfad"
                          << "/opt/qtx52";
    QTest::newRow("cut at NUL") << kProductKey << "Version"
                                << "1.5";
    QTest::newRow("number is not text") << kProductKey << "Count"
                                        << "";
    QTest::newRow("missing value") << kProductKey << "Nothing"
                                   << "";
    QTest::newRow("missing key") << "SOFTWARE\\Elsewhere\\"
                                 << "Pfad"
                                 << "";
    QTest::newRow("names ignore case") << "software\\korvatek\\qtx52-lcd-rs485-modbus"
                                       << "VERSION"
                                       << "1.5";
    QTest::newRow("escapes") << kProductKey << "Quoted"
                             << "say \"hi\" \\ there";
}

void TestRegistry::reads() {
    QFETCH(QString, section);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(CRegistry(paths_).MachineSetting(section, name), expected);
}

void TestRegistry::missingOrUnreadableStoreReadsEmpty() {
    StorePaths none{dir_->filePath("absent.ini"), dir_->filePath("absent-user.ini")};
    QCOMPARE(CRegistry(none).MachineSetting(kProductKey, "Pfad"), QString());
    QCOMPARE(CRegistry(none).FindFirstMachineKey("SOFTWARE"), QString());
    StorePaths folder{dir_->path(), dir_->path()}; // a folder cannot be read as a store
    QCOMPARE(CRegistry(folder).MachineSetting(kProductKey, "Pfad"), QString());
}

void TestRegistry::decimalSeparatorFallsBackToLocale() {
    QCOMPARE(CRegistry(paths_).Werte(kInternationalKey, "sDecimal"), QString("."));
    writeFile(paths_.userFile, "[Control Panel\\International]\n\"sDecimal\"=\"\"\n");
    QCOMPARE(CRegistry(paths_).Werte(kInternationalKey, "sDecimal"), QString());
    QFile::remove(paths_.userFile);
    QCOMPARE(CRegistry(paths_).Werte(kInternationalKey, "sDecimal"),
             QString(QLocale::system().decimalPoint()));
    QCOMPARE(CRegistry(paths_).Werte(kInternationalKey, "sThousand"), QString());
}

void TestRegistry::enumerationEndsAndStaysEnded() {
    CRegistry reg(paths_);
    QCOMPARE(reg.FindFirstMachineKey("SOFTWARE\\Korvatek"), QString("QTX52-RS485-MODBUS"));
    QCOMPARE(reg.GetNextMachineKey(), QString("QTX52-LCD-RS485-MODBUS"));
    QCOMPARE(reg.GetNextMachineKey(), QString());
    QCOMPARE(reg.GetNextMachineKey(), QString());
    QCOMPARE(reg.FindFirstMachineKey("SOFTWARE"), QString("Korvatek")); // parent-only key
    QCOMPARE(reg.FindFirstMachineKey(kProductKey), QString());          // no subkeys
}

void TestRegistry::writeCreatesKeyAndFailureSetsErrorNumber() {
    CRegistry reg(paths_);
    reg.MachineSetting("SOFTWARE\\Test\\Deep", "Name", "Wert mit ä");
    QCOMPARE(reg.lastError(), 0u);
    QCOMPARE(CRegistry(paths_).MachineSetting("SOFTWARE\\Test\\Deep\\", "Name"),
             QString("Wert mit ä"));
    QCOMPARE(CRegistry(paths_).MachineSetting(kProductKey, "Pfad"), QString("/opt/qtx52"));

    StorePaths readOnly{dir_->filePath("no/such/folder/machine.ini"), paths_.userFile};
    CRegistry bad(readOnly);
    bad.MachineSetting("SOFTWARE\\Test", "Name", "x");
    QCOMPARE(bad.lastError(), CRegistry::kWriteFailed);

    // The user store: its folder made on the first value, the values beside it kept, and a store
    // that cannot be read never written over.
    StorePaths fresh{paths_.machineFile, dir_->filePath("new/folder/user.ini")};
    CRegistry user(fresh);
    user.Werte("SOFTWARE\\Test", "Raum", "Büro 1");
    user.Werte("SOFTWARE\\Test", "Firma", "Kälte GmbH");
    user.Werte("software\\test", "raum", "Büro 2");
    QCOMPARE(user.lastError(), 0u);
    QCOMPARE(CRegistry(fresh).Werte("SOFTWARE\\Test", "Raum"), QString("Büro 2"));
    QCOMPARE(CRegistry(fresh).Werte("SOFTWARE\\Test", "Firma"), QString("Kälte GmbH"));
    StorePaths folderInTheWay{paths_.machineFile, dir_->filePath("new")};
    CRegistry blocked(folderInTheWay);
    blocked.Werte("SOFTWARE\\Test", "Raum", "x");
    QCOMPARE(blocked.lastError(), CRegistry::kWriteFailed);
}

void TestRegistry::userWriteKeepsTheRestOfBothStores() {
    const QByteArray machineBefore = [&] {
        QFile m(paths_.machineFile);
        return m.open(QIODevice::ReadOnly) ? m.readAll() : QByteArray();
    }();
    for (const char* value : {"1", "0"}) {
        CRegistry reg(paths_);
        reg.Werte(kProductKey, "FastReads", value);
        QCOMPARE(reg.lastError(), 0u);
        QCOMPARE(CRegistry(paths_).Werte(kProductKey, "fastreads"), QString(value));
    }
    QCOMPARE(CRegistry(paths_).Werte(kInternationalKey, "sDecimal"), QString("."));
    QCOMPARE(CRegistry(paths_).MachineSetting(kProductKey, "FastReads"), QString());
    QFile m(paths_.machineFile);
    QVERIFY(m.open(QIODevice::ReadOnly));
    QCOMPARE(m.readAll(), machineBefore);
}

void TestRegistry::deleteRemovesSubkeys() {
    CRegistry reg(paths_);
    reg.MachineSetting("SOFTWARE\\Korvatek\\QTX52-RS485-MODBUS\\Ports", "COM1", "/dev/ttyUSB0");
    QVERIFY(CRegistry(paths_).DeleteMachineKey("SOFTWARE\\Korvatek"));
    QCOMPARE(CRegistry(paths_).MachineSetting(kProductKey, "Pfad"), QString());
    QCOMPARE(CRegistry(paths_).FindFirstMachineKey("SOFTWARE"), QString());
    QVERIFY(!CRegistry(paths_).DeleteMachineKey("SOFTWARE\\Korvatek"));
}

void TestRegistry::portMapOrderAndExplicitMapping() {
    using qtx52::link::PortMap;
    const QStringList ordered =
        PortMap::orderDevices({"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyACM0", "/dev/ttyUSB10",
                               "/dev/ttyUSB2", "/dev/ttyAMA0"});
    QCOMPARE(ordered, (QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS2",
                                   "/dev/ttyS10", "/dev/ttyAMA0"}));

    writeFile(paths_.userFile, "[SOFTWARE\\Korvatek\\QTX52-RS485-MODBUS\\Ports]\n"
                               "\"COM2\"=\"/dev/ttyS2\"\n");
    const PortMap map = PortMap::build(paths_, QString(), ordered);
    QCOMPARE(map.deviceFor(1), QString("/dev/ttyUSB2"));
    QCOMPARE(map.deviceFor(2), QString("/dev/ttyS2"));
    QCOMPARE(map.deviceFor(3), QString("/dev/ttyUSB10")); // the explicit device is not used twice
    QCOMPARE(map.deviceFor(7), QString());
    QCOMPARE(qtx52::link::QtSerialCommPort(map).describePort(2), QString("/dev/ttyS2"));
    const PortMap forced = PortMap::build(paths_, "/dev/pts/7", ordered);
    QCOMPARE(forced.deviceFor(2), QString("/dev/pts/7"));
    QCOMPARE(forced.deviceFor(8), QString("/dev/pts/7"));
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
