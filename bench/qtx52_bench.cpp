// How long the program's transfers take on the line, in virtual time against the simulated unit:
// a full read-out from the click on "Gerät auslesen" to the closed status window, one write-back
// of a changed configuration value with the read-out that follows it, and the live monitor's
// refresh rate, each paced and with fast reads. Beside them stands their floor: every request and
// reply frame on the wire at the baud rate, the unit's response time before each reply, the
// line's silent interval (3.5 characters, at least 1.75 ms) before each request, and after each
// acknowledged write the unit's response time again, which it may need to store what it took.
// Then how long a unit that stops answering takes to be reported (from the request to the
// notice), and, in real time on a pseudo-terminal, how much of a core the program uses once its
// device is gone.

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "forms/controls.h"
#include "link/commport.h"
#include "link/framing.h"
#include "link/qt_serial_port.h"
#include "params/numbers.h"
#include "sim/simcommport.h"
#include "sim/station.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>

#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace qtx52;

namespace {

// Nobody in front of the program: message boxes are counted, dialogs cancelled.
class Unattended : public app::UserInteraction {
public:
    void messageBox(const QString& text, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++messages;
    }
    std::optional<QString> openFileName(const QString&) override { return std::nullopt; }
    std::optional<QString> saveFileName(const QString&) override { return std::nullopt; }
    void showModal(forms::Form& form) override { form.setVisible(false); }
    bool openExternal(const QString&) override { return false; }
    int messages = 0;
};

struct Run {
    bool rtu;
    int baud;
    int responseMs;
    QTemporaryDir dir;
    forms::ManualClock clock;
    sim::Station station{clock};
    sim::SimCommPort port{clock, station};
    Unattended ui;
    app::Program program{clock, port, ui,
                         settings::StorePaths{dir.filePath("m.ini"), dir.filePath("u.ini")}};
    editor::frm_config* f = nullptr;

    Run(bool rtuMode, int baudRate, int response, bool fast = false)
        : rtu(rtuMode), baud(baudRate), responseMs(response) {
        station.unit().setLiveMotion(false);
        station.unit().setReg(6, quint16(responseMs));
        // The editor shows a response time below 5 ms as 5 and writes it back so: the unit keeps
        // the one it is measured at.
        station.unit().setWriteObserver(
            [this](const sim::RoomUnit::Write&) { station.unit().setReg(6, quint16(responseMs)); });
        station.setFraming(rtu ? sim::Framing::Rtu : sim::Framing::Ascii);
        station.setLineSettings({baud, 'E', rtu ? 8 : 7, 1});
        app::Main(program);
        f = &program.frm_config();
        const QStringList bauds = {"9600", "19200", "38400", "57600"};
        f->Combo_Port(1).setListIndex(int(bauds.indexOf(QString::number(baud))));
        f->Combo_Port(5).setListIndex(rtu ? 1 : 0);
        f->Combo_Port(6).setListIndex(1);
        f->fastReads = fast;
    }

    bool idle() const { return program.g.commState == 0 && !program.frmStateLoaded(); }

    // Virtual ms until the chain is over with at least `requests` requests sent; -1 if it is not.
    qint64 until(int requests) {
        const qint64 t0 = clock.nowMs();
        const bool done =
            clock.advanceUntil([&] { return idle() && port.sent().size() >= requests; }, 3600000);
        return done ? clock.nowMs() - t0 : -1;
    }

    // Characters of the reply to a request frame, as the unit sends it.
    int replyChars(const QByteArray& frame) const {
        const QByteArray content =
            rtu ? frame.chopped(2) : QByteArray::fromHex(frame.mid(1, frame.size() - 5));
        const int function = quint8(content[1]);
        const int quantity = quint8(content[4]) << 8 | quint8(content[5]);
        int bytes = 6; // write echo: station, function, start, quantity
        if (function == 0x03)
            bytes = 3 + 2 * quantity;
        else if (function == 0x01)
            bytes = 3 + (quantity + 7) / 8;
        return rtu ? bytes + 2 : 1 + 2 * (bytes + 1) + 2;
    }

    // Every frame sent so far and its reply on the wire, a response time per request, the silent
    // interval before each request and the unit's time to store each write.
    double floorMs() const {
        const double msPerChar = link::lineTimeMs(link::LineSettings{baud, 'E', rtu ? 8 : 7, 1}, 1);
        const double silentMs = std::max(3.5 * msPerChar, 1.75);
        double ms = 0;
        QByteArray last;
        qint64 lastMs = 0;
        for (const auto& s : port.sent()) {
            // A repeat of the request before (a unit slower than the repeat, its response time
            // not yet known) goes out at the repeat time whatever the setting, and the unit
            // answers it too: the line is busy for the time between the tries besides.
            const qint64 sinceLast = s.timeMs - std::exchange(lastMs, s.timeMs);
            if (std::exchange(last, s.frame) == s.frame) {
                ms += double(sinceLast);
                continue;
            }
            ms += (s.frame.size() + replyChars(s.frame)) * msPerChar + responseMs + silentMs;
            if (isWrite(s.frame))
                ms += std::max<double>(0, responseMs - silentMs);
        }
        return ms;
    }
    bool isWrite(const QByteArray& frame) const {
        const QByteArray content =
            rtu ? frame.chopped(2) : QByteArray::fromHex(frame.mid(1, frame.size() - 5));
        return quint8(content[1]) == 0x0F || quint8(content[1]) == 0x10;
    }
};

// Virtual ms from the first try of a read-out request the unit no longer answers to the notice,
// with the response time known (a read device first); -1 if the notice never shows.
qint64 lostReplyToNotice(bool rtu, int baud, int response) {
    Run r(rtu, baud, response);
    r.f->cmd_read_device->userClick();
    if (r.until(10) < 0)
        return -1;
    r.port.clearSent();
    r.station.faults().setNoReply(sim::FaultPlan::Always);
    r.f->read_out_parameter->userClick();
    if (!r.clock.advanceUntil([&] { return !r.port.sent().isEmpty(); }, 3600000))
        return -1;
    const qint64 t0 = r.port.sent().first().timeMs;
    if (!r.clock.advanceUntil([&] { return r.f->lbl_desc(16).visible(); }, 3600000))
        return -1;
    return r.clock.nowMs() - t0;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void runEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// In real time: the program on the Qt clock and the QSerialPort backend on a pseudo-terminal whose
// other end closes during a read device. Returns the share of one core used over `windowMs`
// after the loss, and in *noticeMs how long the loss took to show; -1 when no pseudo-terminal.
double cpuShareAfterLoss(bool rtu, int windowMs, qint64* noticeMs) {
    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return -1;
    ::close(slave); // the port opens the device itself
    QTemporaryDir dir;
    forms::QtClock clock;
    link::QtSerialCommPort port(link::PortMap::build({}, QString::fromLocal8Bit(name), {}));
    Unattended ui;
    app::Program program(clock, port, ui,
                         settings::StorePaths{dir.filePath("m.ini"), dir.filePath("u.ini")});
    app::Main(program);
    editor::frm_config& f = program.frm_config();
    f.Combo_Port(2).setListIndex(0); // no parity: a pseudo-terminal takes it as it is
    f.Combo_Port(5).setListIndex(rtu ? 1 : 0);
    f.Combo_Port(6).setListIndex(1);
    if (!port.portOpen()) {
        ::close(master);
        return -1;
    }
    f.cmd_read_device->userClick();
    runEventsFor(50);
    QElapsedTimer sinceLoss;
    sinceLoss.start();
    ::close(master);
    while (!f.lbl_desc(16).visible() && sinceLoss.elapsed() < 5000)
        runEventsFor(5);
    *noticeMs = sinceLoss.elapsed();
    const double before = cpuSeconds();
    QElapsedTimer window;
    window.start();
    runEventsFor(windowMs);
    return (cpuSeconds() - before) / (double(window.elapsed()) / 1000.0);
}

// One cell of the table: read-out, write-back and monitor, paced or with fast reads.
struct Cell {
    qint64 readOut = -1;
    double readFloor = 0;
    qint64 writeBack = -1;
    double writeFloor = 0;
    double cyclesPerS = 0;
    double cycleFloorMs = 0;
};

Cell measure(bool rtu, int baud, int response, bool fast) {
    Cell c;
    Run r(rtu, baud, response, fast);
    r.port.clearSent();
    r.f->cmd_read_device->userClick();
    c.readOut = r.until(10);
    c.readFloor = r.floorMs();

    editor::frm_config& f = *r.f;
    const auto v = params::parseNumber(f.txt_data_cfg(11).text(), r.program.g.decimalSeparator);
    f.txt_data_cfg(11).setText(
        params::formatNumber(v.value_or(20) + 0.5, r.program.g.decimalSeparator));
    r.port.clearSent();
    f.set_parameter->userClick();
    c.writeBack = r.until(6 + 9);
    c.writeFloor = r.floorMs();

    // Long enough for twenty cycles of the slowest unit.
    const qint64 windowMs = std::max<qint64>(60000, 2 * 20 * (response + 100));
    r.port.clearSent();
    f.chk_read_out->setValue(1);
    r.clock.advance(windowMs);
    int cycles = 0;
    for (const auto& s : r.port.sent())
        cycles += (rtu ? s.frame.chopped(2).toHex().toUpper()
                       : s.frame.mid(1, s.frame.size() - 5)) == "0103010A0008";
    f.chk_read_out->setValue(0);
    c.cyclesPerS = cycles * 1000.0 / double(windowMs);
    // The floor of one cycle: its two block reads.
    const double msPerChar = (rtu ? 11.0 : 10.0) * 1000.0 / baud;
    const double silentMs = std::max(3.5 * msPerChar, 1.75);
    c.cycleFloorMs = 2 * (response + silentMs);
    for (const char* request : {"01030100000A", "0103010A0008"}) {
        const QByteArray frame =
            rtu ? link::frameRtu(QLatin1String(request)) : link::frameAscii(QLatin1String(request));
        c.cycleFloorMs += (frame.size() + r.replyChars(frame)) * msPerChar;
    }
    return c;
}

double over(double value, double floor) {
    return floor > 0 ? (value / floor - 1) * 100 : 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf(
        "times in virtual ms; +%% is fast reads over the floor (cycles: floor over fast)\n\n");
    std::printf("%-5s %5s %4s | %8s %8s %8s %5s | %8s %8s %8s %5s | %6s %6s %6s %5s\n", "mode",
                "baud", "resp", "read", "fast", "floor", "+%", "write", "fast", "floor", "+%",
                "cyc/s", "fast", "floor", "+%");
    std::printf("---------------- + ---------------------------------- + "
                "---------------------------------- + ---------------------------\n");
    for (const int response : {0, 10, 100, 500, 1000, 3000})
        for (const bool rtu : {true, false}) {
            for (const int baud : {9600, 19200, 38400, 57600}) {
                const Cell paced = measure(rtu, baud, response, false);
                const Cell fast = measure(rtu, baud, response, true);
                const double cycleFloor = 1000.0 / fast.cycleFloorMs;
                std::printf("%-5s %5d %4d | %8lld %8lld %8.0f %5.1f | %8lld %8lld %8.0f %5.1f | "
                            "%6.2f %6.2f %6.2f %5.1f\n",
                            rtu ? "RTU" : "ASCII", baud, response,
                            static_cast<long long>(paced.readOut),
                            static_cast<long long>(fast.readOut), fast.readFloor,
                            over(double(fast.readOut), fast.readFloor),
                            static_cast<long long>(paced.writeBack),
                            static_cast<long long>(fast.writeBack), fast.writeFloor,
                            over(double(fast.writeBack), fast.writeFloor), paced.cyclesPerS,
                            fast.cyclesPerS, cycleFloor, over(cycleFloor, fast.cyclesPerS));
                std::fflush(stdout);
            }
        }
    std::printf("\nfrom the first try of an unanswered request to the notice, virtual ms\n\n");
    std::printf("%-6s %6s | %8s %8s %8s\n", "mode", "baud", "10 ms", "1000 ms", "3000 ms");
    std::printf("-------------- + --------------------------\n");
    for (const bool rtu : {true, false})
        for (const int baud : {9600, 19200, 38400, 57600}) {
            std::printf("%-6s %6d |", rtu ? "RTU" : "ASCII", baud);
            for (const int response : {10, 1000, 3000})
                std::printf(" %8lld",
                            static_cast<long long>(lostReplyToNotice(rtu, baud, response)));
            std::printf("\n");
        }

    std::printf("\na device lost during a read device, real time on a pseudo-terminal\n\n");
    std::printf("%-6s | %14s | %22s\n", "mode", "notice after", "CPU over 2 s after it");
    std::printf("------ + -------------- + ----------------------\n");
    for (const bool rtu : {true, false}) {
        qint64 noticeMs = -1;
        const double share = cpuShareAfterLoss(rtu, 2000, &noticeMs);
        if (share < 0)
            std::printf("%-6s | %14s | %22s\n", rtu ? "RTU" : "ASCII", "-", "no pseudo-terminal");
        else
            std::printf("%-6s | %11lld ms | %19.2f %%\n", rtu ? "RTU" : "ASCII",
                        static_cast<long long>(noticeMs), share * 100.0);
    }
    return 0;
}
