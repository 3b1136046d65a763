// The window's guards on the real widgets offscreen: edits are not dropped unasked, and values go
// only to the unit they were read from.

#include "app/program.h"
#include "editor/frm_config.h"
#include "gui/main_window_view.h"
#include "gui/shown_window.h"
#include "params/numbers.h"
#include "params/write_check.h"
#include "sim/station.h"
#include "support/scripted_ui.h"
#include "support/sim_program.h"
#include "support/test_program.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace qtx52;

using testing::Shown;

class TestGuardViews : public QObject {
    Q_OBJECT
private slots:
    void editsAreNotDroppedUnasked_data();
    void editsAreNotDroppedUnasked();
    void valuesBelongToTheirUnit_data();
    void valuesBelongToTheirUnit();
    void writeSaysWhatChanges_data();
    void writeSaysWhatChanges();
};

// Exit, the close box, "Gerät auslesen" and "Laden" on the real widgets, with the editor's edits
// unsaved, saved or absent: only unsaved edits are asked about, and each answer does what it says.
void TestGuardViews::editsAreNotDroppedUnasked_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("edits"); // "none", "saved", "unsaved"
    QTest::addColumn<int>("answer");    // app::UserInteraction::UnsavedWork
    using W = app::UserInteraction::UnsavedWork;
    for (const char* action : {"exit", "close", "read", "load"})
        for (const char* edits : {"none", "saved", "unsaved"})
            for (W answer : {W::Save, W::Discard, W::Cancel}) {
                if (QLatin1String(edits) != "unsaved" && answer != W::Save)
                    continue; // nothing is asked: one row is enough
                QTest::addRow("%s, edits %s, answer %d", action, edits, int(answer))
                    << action << edits << int(answer);
            }
}

void TestGuardViews::editsAreNotDroppedUnasked() {
    QFETCH(QString, action);
    QFETCH(QString, edits);
    QFETCH(int, answer);
    using W = app::UserInteraction::UnsavedWork;
    Shown s;
    editor::frm_config& w = s.w();
    testing::ScriptedUi& ui = s.tp.ui;
    w.Combo_Port(6).setListIndex(1); // open
    const QString other = s.tp.dir.filePath(QStringLiteral("other.txt"));
    const QString mine = s.tp.dir.filePath(QStringLiteral("mine"));
    ui.queueSaveFileName(other);
    QVERIFY(w.SaveParameterFile()); // a file to load, holding what the box holds now
    auto menuAction = [&](int i) {
        return s.view->findChild<QAction*>(QStringLiteral("ParMenüMain%1").arg(i));
    };
    // Nothing to save is not offered; an edit is.
    QVERIFY(!menuAction(2)->isEnabled());
    const QString before = w.txt_data_cfg(35).text();
    if (edits != QLatin1String("none")) {
        w.txt_data_cfg(35).setText(QStringLiteral("77"));
        QVERIFY(menuAction(2)->isEnabled());
    }
    if (edits == QLatin1String("saved")) {
        ui.queueSaveFileName(mine);
        QVERIFY(w.SaveParameterFile());
        // A file of that name is not replaced unasked.
        ui.queueSaveFileName(mine);
        ui.queueYesNo(false);
        QVERIFY(!w.SaveParameterFile());
        QCOMPARE(ui.questions().size(), 1);
        QFile::remove(mine + ".txt");
    }
    const qsizetype questionsBefore = ui.questions().size();
    const bool asked = edits == QLatin1String("unsaved");
    if (asked)
        ui.queueUnsavedWork(W(answer));
    if (asked && W(answer) == W::Save)
        ui.queueSaveFileName(mine);
    const int sentBefore = int(s.tp.port.outputs().size());

    if (action == QLatin1String("exit")) {
        menuAction(4)->trigger();
    } else if (action == QLatin1String("close")) {
        s.view->close();
    } else if (action == QLatin1String("read")) {
        s.widget<QPushButton>(*w.cmd_read_device)->click();
    } else {
        ui.queueOpenFileName(other);
        menuAction(1)->trigger();
    }

    QCOMPARE(ui.questions().size() - questionsBefore, asked ? 1 : 0);
    const bool goesOn = !asked || W(answer) != W::Cancel;
    if (action == QLatin1String("exit") || action == QLatin1String("close"))
        QCOMPARE(s.tp.program().quitRequested(), goesOn);
    else if (action == QLatin1String("read"))
        QCOMPARE(int(s.tp.port.outputs().size()) > sentBefore, goesOn);
    else
        QCOMPARE(w.txt_data_cfg(35).text(), goesOn ? before : QStringLiteral("77"));
    // Saved first as asked, under the name with the extension the filter shows.
    QCOMPARE(QFileInfo::exists(mine + ".txt"), asked && W(answer) == W::Save);
}

namespace {

// The simulated unit and the main window on screen.
struct OnUnit : testing::SimProgram {
    std::unique_ptr<gui::MainWindowView> view;
    explicit OnUnit(const QString& language)
        : SimProgram(language), view(std::make_unique<gui::MainWindowView>(p)) {
        view->show();
    }
    template <class T> T* widget(const forms::Control& c) {
        return qobject_cast<T*>(view->widgetFor(&c));
    }
    // A selector chosen as the technician chooses it.
    void choose(forms::ListBox& selector, int position) {
        auto* combo = widget<QComboBox>(selector);
        QVERIFY(combo && combo->isEnabled());
        combo->setCurrentIndex(position);
        emit combo->activated(position);
    }
    void click(const forms::CommandButton& button) {
        auto* b = widget<QPushButton>(button);
        QVERIFY(b && b->isEnabled());
        QTest::mouseClick(b, Qt::LeftButton);
        tp.clock.advance(120'000); // the chain and its status window's time limit
    }
    // How many fields of both groups are marked as changed.
    int marked() {
        editor::frm_config& f = w();
        int n = 0;
        for (const auto* arrays : {&f.txt_data_cfg, &f.txt_data_in})
            for (const auto& [i, c] : *arrays)
                n += c->foreColor() == forms::ColorChanged;
        for (const auto* arrays : {&f.chk_cfg, &f.chk_inp_bit})
            for (const auto& [i, c] : *arrays)
                n += c->foreColor() == forms::ColorChanged;
        return n;
    }
    int fields() {
        editor::frm_config& f = w();
        return int(f.txt_data_cfg.size() + f.txt_data_in.size() + f.chk_cfg.size() +
                   f.chk_inp_bit.size());
    }
    QStringList texts() {
        QStringList out;
        for (const auto& [i, c] : w().txt_data_cfg)
            out << c->text();
        for (const auto& [i, c] : w().txt_data_in)
            out << c->text();
        return out;
    }
    int writesSent() const {
        int n = 0;
        for (const auto& s : port.sent()) {
            const QByteArray& fr = s.frame;
            const bool ascii = fr.startsWith(':');
            const int function = ascii ? fr.mid(3, 2).toInt(nullptr, 16) : quint8(fr.at(1));
            n += function == 0x10 || function == 0x0F;
        }
        return n;
    }
};

constexpr int kXpHeating = 16; // 0..10 K in the editor; the unit holds -4.2
constexpr int kBypassTime = 35;

} // namespace

// Read station 1, then change one selector: the fields keep their texts and all show as changed,
// a value of the unit outside the editor's limits is no longer exempt, and Apply is refused with
// the station named until a read-out of the unit now chosen succeeds. A failed read-out says so
// in a message naming the station; after a successful one Apply writes the new unit, its own
// value outside the limits going back as it came.
void TestGuardViews::valuesBelongToTheirUnit_data() {
    QTest::addColumn<QString>("selector");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<QString>("language");
    for (const char* selector : {"port", "baud rate", "parity", "framing", "station"})
        for (bool answers : {false, true})
            for (const char* language : {"1031", "1033"})
                QTest::addRow("%s, %s, %s", selector, answers ? "read" : "no answer", language)
                    << selector << answers << language;
}

void TestGuardViews::valuesBelongToTheirUnit() {
    QFETCH(QString, selector);
    QFETCH(bool, answers);
    QFETCH(QString, language);
    OnUnit u(language);
    editor::frm_config& f = u.w();
    u.station.unit().setReg(kXpHeating, quint16(-42));
    u.choose(f.Combo_Port(6), 1);
    u.click(*f.cmd_read_device);
    QVERIFY(f.g.unitValuesRead);
    QCOMPARE(f.txt_data_cfg(kXpHeating).text(), QStringLiteral("-4,2"));
    const QStringList shown = u.texts();

    // The selector changed; a unit with the new settings answers, or none does.
    sim::Station& unit = u.station;
    link::LineSettings line = unit.lineSettings();
    int station = 1;
    const bool lineSelector = selector != QLatin1String("station");
    if (lineSelector)
        u.choose(f.Combo_Port(6), 0);
    if (selector == QLatin1String("port")) {
        u.choose(f.Combo_Port(0), 1);
    } else if (selector == QLatin1String("baud rate")) {
        u.choose(f.Combo_Port(1), 1);
        line.baud = 19200;
    } else if (selector == QLatin1String("parity")) {
        u.choose(f.Combo_Port(2), 2);
        line.parity = 'O';
    } else if (selector == QLatin1String("framing")) {
        u.choose(f.Combo_Port(5), 0);
        line.dataBits = 7;
        unit.setFraming(sim::Framing::Ascii);
    } else {
        auto* box = u.widget<QLineEdit>(*f.txt_Modbus_adress);
        QVERIFY(box);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("5"));
        station = 5;
    }
    unit.setLineSettings(line);
    QVERIFY(unit.setAddress(answers ? station : 60));
    if (lineSelector)
        u.choose(f.Combo_Port(6), 1);
    QCOMPARE(u.texts(), shown);
    QCOMPARE(u.marked(), u.fields());
    QVERIFY(!f.hasUnsavedEdits()); // nothing was edited: a read-out asks nothing

    // Refused, naming the station and the command that reads it.
    const QString readDevice = f.cmd_read_device->caption();
    u.tp.ui.takeMessages();
    u.click(*f.set_parameter);
    QCOMPARE(u.tp.ui.messages().size(), 1);
    QVERIFY(u.tp.ui.messages()[0].text.contains(QString::number(station)));
    QVERIFY(u.tp.ui.messages()[0].text.contains(readDevice));
    QCOMPARE(u.writesSent(), 0);

    u.tp.ui.takeMessages();
    u.click(*f.cmd_read_device);
    if (!answers) {
        // Said in a message as well as the notice; nothing became the unit's.
        QVERIFY(f.lbl_desc(16).visible());
        QCOMPARE(u.tp.ui.messages().size(), 1);
        QVERIFY(u.tp.ui.messages()[0].text.contains(QString::number(station)));
        QVERIFY(u.tp.ui.messages()[0].text.contains(f.lbl_desc(16).caption()));
        QCOMPARE(u.texts(), shown);
        QCOMPARE(u.marked(), u.fields());
        f.set_parameter->setEnabled(true);
        u.tp.ui.takeMessages();
        u.click(*f.set_parameter);
        QVERIFY(u.tp.ui.messages().value(0).text.contains(readDevice));
        QCOMPARE(u.writesSent(), 0);
        return;
    }
    QVERIFY(u.tp.ui.messages().isEmpty());
    QCOMPARE(u.marked(), 0);
    // The unit's own value goes back as it came beside the edit.
    auto* bypass = u.widget<QLineEdit>(f.txt_data_cfg(kBypassTime));
    QVERIFY(bypass);
    f.SSTab1->setTab(0);
    for (int tab = 0; tab < f.SSTab1->captions().size() && !bypass->isEnabled(); ++tab)
        f.SSTab1->setTab(tab);
    bypass->setFocus();
    bypass->selectAll();
    QTest::keyClicks(bypass, QStringLiteral("77"));
    u.click(*f.set_parameter);
    QVERIFY2(u.tp.ui.messages().isEmpty(), qPrintable(u.tp.ui.messageTexts().join('\n')));
    QCOMPARE(int(unit.unit().reg(kBypassTime)), 77);
    QCOMPARE(qint16(unit.unit().reg(kXpHeating)), qint16(-42));
    QVERIFY(u.writesSent() > 0);
}

// A file loaded on the real widgets and Apply: the confirmation lists each changed field as the
// file names it, unit -> new, and warns of other firmware; cancelled, nothing goes out. A set of
// another kind of unit is refused unasked. After the write, the result counts the changed fields
// and says whether the unit holds every value written.
void TestGuardViews::writeSaysWhatChanges_data() {
    QTest::addColumn<QString>("file");    // "same kind", "other firmware", "other kind"
    QTest::addColumn<QString>("outcome"); // "cancelled", "kept", "not kept"
    QTest::addColumn<QString>("language");
    for (const char* file : {"same kind", "other firmware", "other kind"})
        for (const char* outcome : {"cancelled", "kept", "not kept"})
            for (const char* language : {"1031", "1033"}) {
                if (QLatin1String(file) == "other kind" && QLatin1String(outcome) != "cancelled")
                    continue; // nothing is asked: one row is enough
                QTest::addRow("%s, %s, %s", file, outcome, language) << file << outcome << language;
            }
}

void TestGuardViews::writeSaysWhatChanges() {
    QFETCH(QString, file);
    QFETCH(QString, outcome);
    QFETCH(QString, language);
    constexpr int kSetpoint = 11; // tenths of a degree
    OnUnit u(language);
    editor::frm_config& f = u.w();
    testing::ScriptedUi& ui = u.tp.ui;
    const bool en = language == QLatin1String("1033");
    const QString sep = f.g.decimalSeparator;
    // The port's device, in the interface's words.
    auto* device = u.widget<QLabel>(*f.lbl_port_device);
    QVERIFY(device);
    QCOMPARE(device->text(), en ? QStringLiteral("Device: simulated unit")
                                : QStringLiteral("Gerät: simuliertes Gerät"));
    u.choose(f.Combo_Port(6), 1);
    u.click(*f.cmd_read_device);
    QVERIFY(f.g.unitValuesRead);
    const QString path = u.tp.dir.filePath(QStringLiteral("set.txt"));
    ui.queueSaveFileName(path);
    QVERIFY(f.SaveParameterFile());

    // The file as another unit's set would differ: two fields, and the unit it was saved from.
    QFile io(path);
    QVERIFY(io.open(QIODevice::ReadOnly));
    QByteArray bytes = io.readAll();
    io.close();
    const auto setValue = [&bytes](int reg, const QString& value) {
        const QRegularExpression line(
            QStringLiteral("(Register %1 ;[^;\\r\\n]*;)[^\\r\\n]*").arg(reg));
        QString text = QString::fromLatin1(bytes);
        QVERIFY(text.contains(line));
        text.replace(line, QStringLiteral("\\1") + value);
        bytes = text.toLatin1();
    };
    const double coding = f.g.refDataCfg[0];
    const double firmware = f.g.refDataCfg[1];
    const QString setpointWas = params::formatNumber(f.g.refDataCfg[kSetpoint], sep);
    const QString bypassWas = params::formatNumber(f.g.refDataCfg[kBypassTime], sep);
    const QString setpoint = QStringLiteral("22") + sep + QStringLiteral("5");
    setValue(kSetpoint + 1, setpoint);
    setValue(kBypassTime + 1, QStringLiteral("77"));
    if (file == QLatin1String("other firmware"))
        setValue(2, QString::number(firmware + 1));
    if (file == QLatin1String("other kind"))
        setValue(1, QStringLiteral("99"));
    QVERIFY(io.open(QIODevice::WriteOnly | QIODevice::Truncate));
    io.write(bytes);
    io.close();
    ui.queueOpenFileName(path);
    u.view->findChild<QAction*>(QStringLiteral("ParMenüMain1"))->trigger();
    QCOMPARE(f.txt_data_cfg(kBypassTime).text(), QStringLiteral("77"));

    sim::RoomUnit& unit = u.station.unit();
    const quint16 bypassHeld = unit.reg(kBypassTime);
    if (outcome == QLatin1String("not kept"))
        unit.setWriteObserver([&unit, bypassHeld](const sim::RoomUnit::Write& w) {
            if (!w.coils && w.start <= kBypassTime && kBypassTime < w.start + w.values.size())
                unit.setReg(kBypassTime, bypassHeld);
        });
    ui.queueConfirmWrite(outcome != QLatin1String("cancelled"));
    ui.takeMessages();
    u.click(*f.set_parameter);

    if (file == QLatin1String("other kind")) {
        QCOMPARE(ui.messages().size(), 1);
        const QString& m = ui.messages()[0].text;
        QVERIFY2(m.contains(en ? QStringLiteral("another kind of unit")
                               : QStringLiteral("andere Art von Gerät")),
                 qPrintable(m));
        QVERIFY(m.contains(QStringLiteral("99")) && m.contains(QString::number(coding)));
        QVERIFY(ui.writeQuestions().isEmpty());
        QCOMPARE(u.writesSent(), 0);
        return;
    }
    QCOMPARE(ui.writeQuestions().size(), 1);
    const QString& asked = ui.writeQuestions()[0].text;
    using params::WriteKind;
    for (const QString& change :
         {params::fileFieldName(WriteKind::ConfigRegister, kSetpoint, language) + ": " +
              setpointWas + " -> " + setpoint,
          params::fileFieldName(WriteKind::ConfigRegister, kBypassTime, language) + ": " +
              bypassWas + " -> 77"})
        QVERIFY2(asked.contains(change), qPrintable(asked + "\n--- lacks: " + change));
    QCOMPARE(asked.count(QStringLiteral(" -> ")), 3); // the heading's "unit -> new" and two
    const QString warning = en ? QStringLiteral("firmware %1, the unit has firmware %2")
                               : QStringLiteral("Firmware %1, das Gerät hat Firmware %2");
    QCOMPARE(asked.contains(warning.arg(firmware + 1).arg(firmware)),
             file == QLatin1String("other firmware"));

    if (outcome == QLatin1String("cancelled")) {
        QCOMPARE(u.writesSent(), 0);
        QVERIFY(ui.reports().isEmpty());
        QCOMPARE(f.txt_data_cfg(kBypassTime).text(), QStringLiteral("77"));
        QVERIFY(f.txt_data_cfg(kBypassTime).foreColor() == forms::ColorChanged);
        return;
    }
    QCOMPARE(int(unit.reg(kSetpoint)), 225);
    QVERIFY2(ui.messages().isEmpty(), qPrintable(ui.messageTexts().join('\n')));
    QCOMPARE(ui.reports().size(), 1);
    const QString& result = ui.reports()[0].text;
    if (outcome == QLatin1String("kept")) {
        QCOMPARE(int(unit.reg(kBypassTime)), 77);
        QVERIFY2(
            result.startsWith(en ? QStringLiteral("Written and verified: 2 changed fields")
                                 : QStringLiteral("Geschrieben und geprüft: 2 geänderte Felder")),
            qPrintable(result));
    } else {
        QVERIFY2(result.contains(
                     params::fileFieldName(WriteKind::ConfigRegister, kBypassTime, language) +
                     ": 77 -> " + bypassWas),
                 qPrintable(result));
        QCOMPARE(result.count(QStringLiteral(" -> ")), 2); // the heading's and one
    }
}

QTEST_MAIN(TestGuardViews)
#include "tst_guard_views.moc"
