// How long the program's transfers take on the line, in virtual time against the simulated unit:
// a full read-out from the click on "Gerät auslesen" to the closed status window, one write-back
// of a changed configuration value with the read-out that follows it, and the live monitor's
// refresh rate. Beside each time stands its floor: every request and reply frame on the wire at
// the baud rate, plus the unit's response time for each request. Then how long a unit that stops
// answering takes to be reported (from the request to the notice), and, in real time on a
// pseudo-terminal, how much of a core the program uses once its device is gone.

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "forms/controls.h"
#include "link/commport.h"
#include "link/qt_serial_port.h"
#include "params/numbers.h"
#include "sim/simcommport.h"
#include "sim/station.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

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

    Run(bool rtuMode, int baudRate, int response)
        : rtu(rtuMode), baud(baudRate), responseMs(response) {
        station.unit().setLiveMotion(false);
        station.unit().setReg(6, quint16(responseMs));
        station.setFraming(rtu ? sim::Framing::Rtu : sim::Framing::Ascii);
        station.setLineSettings({baud, 'E', rtu ? 8 : 7, 1});
        app::Main(program);
        f = &program.frm_config();
        const QStringList bauds = {"9600", "19200", "38400", "57600"};
        f->Combo_Port(1).setListIndex(int(bauds.indexOf(QString::number(baud))));
        f->Combo_Port(5).setListIndex(rtu ? 1 : 0);
        f->Combo_Port(6).setListIndex(1);
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

    // Every frame sent so far and its reply on the wire, plus a response time per request.
    double floorMs() const {
        const double msPerChar = link::lineTimeMs(link::LineSettings{baud, 'E', rtu ? 8 : 7, 1}, 1);
        double ms = 0;
        for (const auto& s : port.sent())
            ms += (s.frame.size() + replyChars(s.frame)) * msPerChar + responseMs;
        return ms;
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf("times in virtual ms\n\n");
    std::printf("%-6s %6s %5s | %10s %10s | %11s %10s | %14s\n", "mode", "baud", "resp", "read-out",
                "floor", "write-back", "floor", "monitor cyc/s");
    std::printf(
        "-------------- + --------------------- + ---------------------- + --------------\n");
    for (const int response : {10, 1000, 3000})
        for (const bool rtu : {true, false}) {
            for (const int baud : {9600, 19200, 38400, 57600}) {
                Run r(rtu, baud, response);
                r.port.clearSent();
                r.f->cmd_read_device->userClick();
                const qint64 readOut = r.until(10);
                const double readFloor = r.floorMs();

                editor::frm_config& f = *r.f;
                const auto v =
                    params::parseNumber(f.txt_data_cfg(11).text(), r.program.g.decimalSeparator);
                f.txt_data_cfg(11).setText(
                    params::formatNumber(v.value_or(20) + 0.5, r.program.g.decimalSeparator));
                r.port.clearSent();
                f.set_parameter->userClick();
                const qint64 writeBack = r.until(6 + 9);
                const double writeFloor = r.floorMs();

                r.port.clearSent();
                f.chk_read_out->setValue(1);
                constexpr qint64 kWindowMs = 60000;
                r.clock.advance(kWindowMs);
                int cycles = 0;
                for (const auto& s : r.port.sent())
                    cycles += (rtu ? s.frame.chopped(2).toHex().toUpper()
                                   : s.frame.mid(1, s.frame.size() - 5)) == "0103010A0008";
                f.chk_read_out->setValue(0);

                std::printf("%-6s %6d %5d | %10lld %10.1f | %11lld %10.1f | %14.2f\n",
                            rtu ? "RTU" : "ASCII", baud, response, static_cast<long long>(readOut),
                            readFloor, static_cast<long long>(writeBack), writeFloor,
                            cycles * 1000.0 / kWindowMs);
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
