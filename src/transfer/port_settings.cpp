// The serial settings group: the five selectors that choose port, baud rate, parity and framing
// and open or close the port, and the station address box.

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "app/ui.h"
#include "link/commport.h"
#include "link/link_events.h"
#include "link/port_texts.h"
#include "link/transaction.h"
#include "link/wandeln.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "transfer/main_window_transfer.h"
#include "windows/frmState.h"

#include <QPointer>

#include <array>

namespace qtx52::transfer {

using namespace params;

namespace {

// Entries of the baud rate and parity selectors, by list position.
constexpr std::array<const char*, 4> kBaudRates{"9600", "19200", "38400", "57600"};
constexpr std::array<const char*, 3> kParities{"N", "E", "O"};

// What the framing mode decides besides the framing itself.
struct ModeSettings {
    const char* name;
    const char* dataBits;
    link::InputMode inputMode;
    qint64 receivePollMs; // Timer4
    qint64 failureMs;     // Timer3
};
constexpr std::array<ModeSettings, 2> kModes{{
    {"ASCII", "7", link::InputMode::Text, 100, 1000},
    {"RTU", "8", link::InputMode::Binary, 50, 500},
}};

constexpr int kPortSelector = 0;
constexpr int kBaudSelector = 1;
constexpr int kParitySelector = 2;
constexpr int kModeSelector = 5;
constexpr int kStateSelector = 6;

constexpr int kStationMin = 1;
constexpr int kStationMax = 63;

constexpr int kNotice = 16;

template <std::size_t N>
const char* entryAt(const std::array<const char*, N>& entries, int position) {
    return position >= 0 && position < int(N) ? entries[std::size_t(position)] : nullptr;
}

} // namespace

void MainWindowTransfer::Combo_Port_Click(int /*index*/) {
    const QString lineBefore =
        QStringLiteral("%1 %2 %3 %4").arg(g.commPort).arg(g.baudRate, g.parity, g.modbusMode);
    g.commPort = quint8(Combo_Port(kPortSelector).listIndex() + 1);
    // A Modbus TCP gateway takes RTU only: its line is chosen as RTU, and choosing it again runs
    // this handler with everything else as it is.
    constexpr int kRtu = 1;
    const bool gateway = MSComm1.throughGateway(g.commPort);
    if (gateway && Combo_Port(kModeSelector).listIndex() != kRtu) {
        Combo_Port(kModeSelector).setListIndex(kRtu);
        return;
    }
    if (const char* baud = entryAt(kBaudRates, Combo_Port(kBaudSelector).listIndex()))
        g.baudRate = QLatin1String(baud);
    if (const char* parity = entryAt(kParities, Combo_Port(kParitySelector).listIndex()))
        g.parity = QLatin1String(parity);
    g.stopBits = QStringLiteral("1");

    const int mode = Combo_Port(kModeSelector).listIndex();
    if (mode >= 0 && mode < int(kModes.size())) {
        const ModeSettings& m = kModes[std::size_t(mode)];
        g.modbusMode = QLatin1String(m.name);
        g.dataBits = QLatin1String(m.dataBits);
        MSComm1.setInputMode(m.inputMode);
        Timer4.setInterval(m.receivePollMs);
        Timer3.setInterval(m.failureMs);
        // The repeat and failure intervals follow the framing and what is known of the unit.
        applyLinkTiming();
    }

    if (Combo_Port(kStateSelector).listIndex() >= 0)
        g.portOpen = Combo_Port(kStateSelector).listIndex() != 0;
    if (QStringLiteral("%1 %2 %3 %4").arg(g.commPort).arg(g.baudRate, g.parity, g.modbusMode) !=
        lineBefore)
        forgetUnit();

    // While the port is open the settings stay as they are, so a running transaction never sees
    // them change; the station address may still be edited.
    for (int s : {kPortSelector, kBaudSelector, kParitySelector, kModeSelector})
        Combo_Port(s).setEnabled(!g.portOpen && !(gateway && s == kModeSelector));
    if (!g.portOpen) {
        resetTransaction();
        dropHeldRequest();
        Timer1.setEnabled(false);
        Timer3.setEnabled(false);
        Timer5.setEnabled(false);
        Timer6.setEnabled(false);
    }

    if (opening_) {
        // The open under way goes on; "close" ends it, and nothing was opened to report closed.
        if (g.portOpen)
            return;
        opening_ = false;
        ++openAttempt_;
        MSComm1.setPortOpen(false);
    }

    const auto applyToPort = [this]() -> link::CommError {
        if (MSComm1.commPort() != g.commPort) {
            if (MSComm1.portOpen())
                if (link::CommError e = MSComm1.setPortOpen(false))
                    return e;
            if (link::CommError e = MSComm1.setCommPort(g.commPort))
                return e;
        }
        const QString settings = g.baudRate + QLatin1Char(',') + g.parity + QLatin1Char(',') +
                                 g.dataBits + QLatin1Char(',') + g.stopBits;
        if (link::CommError e = MSComm1.setSettings(settings))
            return e;
        if (!g.portOpen && MSComm1.portOpen())
            if (link::CommError e = MSComm1.setPortOpen(false))
                return e;
        return {};
    };

    // Whoever has the port hears its arrivals: the unit finder may have had it while it was closed.
    if (g.portOpen)
        MSComm1.setArrivalHandler([this] { bytesArrived(); });
    const bool wasOpen = MSComm1.portOpen();
    const link::CommError err = applyToPort();
    if (!err && g.portOpen && !MSComm1.portOpen()) {
        beginOpen(wasOpen);
        return;
    }
    portChangeEnded(err, wasOpen);
}

void MainWindowTransfer::beginOpen(bool wasOpen) {
    // A line over the network connects in the event loop: until it has, nothing that needs the
    // port can be started, and the window stays responsive. Choosing "close" meanwhile ends the
    // attempt; an outcome that comes after that, or after the window has gone, changes nothing.
    opening_ = true;
    const quint64 attempt = ++openAttempt_;
    read_out_parameter->setEnabled(false);
    set_parameter->setEnabled(false);
    chk_read_out->setEnabled(false);
    cmd_read_device->setEnabled(false);
    Timer4.setEnabled(false);
    if (lbl_port_device)
        lbl_port_device->setCaption(link::connectingText(
            portDevice(Combo_Port(kPortSelector).listIndex()), englishTexts()));
    QPointer<MainWindowTransfer> self(this);
    MSComm1.startOpen([self, attempt, wasOpen](const link::CommError& e) {
        if (!self || !self->opening_ || self->openAttempt_ != attempt)
            return;
        self->opening_ = false;
        self->portChangeEnded(e, wasOpen);
        emit self->portOpenEnded(self->MSComm1.portOpen());
    });
}

void MainWindowTransfer::portChangeEnded(const link::CommError& err, bool wasOpen) {
    showPortDevice();
    if (err) {
        // The number is written as the program has always shown it: a blank stands in for the
        // sign of a non-negative number. The line below says which device and why.
        const QString number = err.number >= 0 ? QLatin1Char(' ') + QString::number(err.number)
                                               : QString::number(err.number);
        program.ui.messageBox(QStringLiteral("COM-Port not available, ") + number +
                                  QLatin1Char('\n') + link::openFailureText(err, englishTexts()),
                              app::kAppTitle);
        if (wasOpen && !MSComm1.portOpen())
            reportPortClosed();
        // Selecting "close" runs this handler again and leaves everything in the closed state.
        Combo_Port(kStateSelector).setListIndex(0);
        g.portOpen = false;
        return;
    }
    if (!wasOpen && MSComm1.portOpen()) {
        // A notice of a lost device belongs to the last time the port was open.
        restoreNotice();
        forgetResponseTime();
        program.linkEvents.portOpened();
    } else if (wasOpen && !MSComm1.portOpen()) {
        reportPortClosed();
    }

    if (MSComm1.portOpen()) {
        chk_read_out->setEnabled(true);
        update_apply_button(0);
        read_out_parameter->setEnabled(true);
        Timer4.setEnabled(true);
        cmd_read_device->setEnabled(true);
        reset_cmb_bit_cfg();
    } else {
        read_out_parameter->setEnabled(false);
        set_parameter->setEnabled(false);
        chk_read_out->setEnabled(false);
        cmd_read_device->setEnabled(false);
        Timer4.setEnabled(false);
        g.linkReady = true;
        chk_read_out->setValue(0); // runs the monitor's switch-off
    }
    rtuExpectedLength = 0;
}

void MainWindowTransfer::txt_Modbus_adress_KeyPress(KeyEvent* e) {
    const bool digit = e->keyAscii >= '0' && e->keyAscii <= '9';
    if (!digit && e->keyAscii != forms::KeyBackspace)
        e->keyAscii = 0;
}

void MainWindowTransfer::txt_Modbus_adress_Change() {
    const qint64 station = leadingDigitsValue(txt_Modbus_adress->text());
    if (station < kStationMin || station > kStationMax) {
        program.ui.messageBox(QStringLiteral("Nur Werte zwischen 1 und 63 erlaubt!"),
                              app::kAppTitle);
        txt_Modbus_adress->setText(QStringLiteral("1"));
    }
    forgetUnit();
}

void MainWindowTransfer::forgetUnit() {
    forgetResponseTime();
    // The fields keep their texts for the technician, but on another unit none of them is the
    // unit's value, so none may pass as unchanged and nothing goes out before that unit is read.
    // A file carrying another station, set back to the unit read, leaves them its values.
    const bool readUnit = !referencesReadFrom.isEmpty() && referencesReadFrom == unitOnLine();
    g.unitValuesRead = readUnit;
    const bool cleared = referencesOfUnit && !readUnit;
    if (cleared != g.referencesCleared) {
        g.referencesCleared = cleared;
        markAgainstReferences();
    }
}

QString MainWindowTransfer::unitOnLine() const {
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(g.commPort)
        .arg(g.baudRate, g.parity, g.modbusMode)
        .arg(leadingDigitsValue(txt_Modbus_adress->text()));
}

void MainWindowTransfer::forgetResponseTime() {
    // Setting an interval restarts its count: only a change of what is known touches the timers.
    if (!responseTimeKnown)
        return;
    responseTimeKnown = false;
    applyLinkTiming();
}

void MainWindowTransfer::reset_cmb_bit_cfg() {
    // Each coil list is brought in line with the coil it shows, not cleared: the check boxes may
    // hold values that are not on the unit yet (a loaded file), and clearing the lists would run
    // their selection handling and clear those coils too. A state the list cannot show (2, from a
    // file) leaves the list alone.
    for (int i = 4; i <= 13; ++i)
        cmb_bit_cfg(i).setListIndex(chk_cfg(i).value());
    // Element 99 is a second view of coil 13, and its selection writes coil 13. It follows the
    // coil itself: its own check box is filled only by a read-out and may be stale after a load.
    cmb_bit_cfg(kCoil13View).setListIndex(chk_cfg(13).value());
}

QString MainWindowTransfer::stationHex() const {
    return link::ByteToHex(quint8(leadingDigitsValue(txt_Modbus_adress->text())));
}

QString MainWindowTransfer::portDevice(int position) const {
    return MSComm1.describePort(position + 1);
}

bool MainWindowTransfer::englishTexts() const {
    return g.languageId == app::kLanguageEnglish;
}

void MainWindowTransfer::showPortDevice() {
    if (lbl_port_device)
        lbl_port_device->setCaption(link::portDeviceText(
            portDevice(Combo_Port(kPortSelector).listIndex()), englishTexts()));
}

void MainWindowTransfer::restoreNotice() {
    for (const app::ControlText& t : app::mainWindowTexts())
        if (t.control == QLatin1String("lbl_desc") && t.index == kNotice)
            lbl_desc(kNotice).setCaption(englishTexts() ? t.en : t.de);
    lbl_desc(kNotice).setVisible(false);
}

void MainWindowTransfer::reportPortClosed() {
    // Whatever had begun to arrive cannot complete any more; the watchers learn what it was
    // before they learn that the port closed.
    dropHeldReply();
    program.linkEvents.portClosed();
}

void MainWindowTransfer::Combo_Port_DropDown() {
    MSComm1.rescanDevices();
    showPortDevice();
}

void MainWindowTransfer::MSComm1_Lost(const link::CommError& why) {
    // Told once by the port, which has closed itself; a loss after the technician closed the
    // port has nothing left to act on.
    if (!g.portOpen)
        return;
    program.linkEvents.transactionFailed(link::Failure::DeviceLost);
    // A write cut off says what the unit has taken, before the close forgets the chain.
    const bool writing = isWriteState(g.commState);
    const std::optional<link::PendingRequest> awaited =
        transaction.answered() || transaction.ended() ? std::nullopt : transaction.request();
    const std::vector<link::PendingRequest> acknowledged = transaction.acknowledged();
    // The same path as choosing "close": every timer of the link and the monitor stops, the
    // transaction state is reset and the commands are disabled.
    const bool closedByPort = !MSComm1.portOpen();
    Combo_Port(kStateSelector).setListIndex(0);
    if (MSComm1.portOpen())
        MSComm1.setPortOpen(false);
    // The port closed itself before telling, so the selector's path saw nothing to close.
    if (closedByPort)
        reportPortClosed();
    // A transfer under way cannot go on; its status window gives the main window back.
    if (program.frmStateLoaded()) {
        program.frmState().Timer1SW.setEnabled(false);
        program.frmState().Timer2SW.setEnabled(false);
        program.unloadFrmState();
    }
    lbl_desc(kNotice).setCaption(link::deviceLostText(why, englishTexts()));
    lbl_desc(kNotice).setVisible(true);
    if (writing)
        program.ui.messageBox(link::lostDuringWriteMessage(awaited, acknowledged, g.languageId),
                              app::kAppTitle);
}

void MainWindowTransfer::connectPortSettings() {
    MSComm1.setLostHandler([this](const link::CommError& why) { MSComm1_Lost(why); });
    for (const auto& [i, combo] : Combo_Port)
        connect(combo, &ListBox::click, this, [this, i = i] { Combo_Port_Click(i); });
    connect(txt_Modbus_adress, &TextBox::keyPress, this,
            [this](KeyEvent* e) { txt_Modbus_adress_KeyPress(e); });
    connect(txt_Modbus_adress, &TextBox::change, this, [this] { txt_Modbus_adress_Change(); });
}

} // namespace qtx52::transfer
