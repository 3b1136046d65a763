// How long the program's transfers take on the line, in virtual time against the simulated unit:
// a full read-out from the click on "Gerät auslesen" to the closed status window, one write-back
// of a changed configuration value with the read-out that follows it, and the live monitor's
// refresh rate. Beside each time stands its floor: every request and reply frame on the wire at
// the baud rate, plus the unit's response time for each request.

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "editor/numbers.h"
#include "forms/clock.h"
#include "forms/controls.h"
#include "sim/simcommport.h"
#include "sim/station.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

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
        const double msPerChar = (rtu ? 11.0 : 10.0) * 1000.0 / baud;
        double ms = 0;
        for (const auto& s : port.sent())
            ms += (s.frame.size() + replyChars(s.frame)) * msPerChar + responseMs;
        return ms;
    }
};

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
                    editor::parseNumber(f.txt_data_cfg(11).text(), r.program.g.decimalSeparator);
                f.txt_data_cfg(11).setText(
                    editor::formatNumber(v.value_or(20) + 0.5, r.program.g.decimalSeparator));
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
    return 0;
}
