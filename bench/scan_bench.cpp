// How long the unit finder takes on the line, in virtual time against the simulated unit: a
// sweep of the 63 stations at one line setting and the sweep of all 24 settings, with nobody
// answering (every probe waits out its timeout), and the whole sweep with the unit at the last
// station of the last setting probed. Beside each time stands its floor: every request and its
// reply on the wire at the setting's baud rate, plus the probe timeout for each probe nobody
// answered and the unit's response time for each one it did.

#include "bus/unit_finder.h"
#include "forms/clock.h"
#include "link/commport.h"
#include "sim/simcommport.h"
#include "sim/station.h"

#include <QCoreApplication>

#include <cstdio>

using namespace qtx52;

namespace {

constexpr qint64 kProbeTimeoutMs = 150;
constexpr int kResponseMs = 10;

struct Sweep {
    forms::ManualClock clock;
    sim::Station station{clock};
    sim::SimCommPort port{clock, station};
    bus::UnitFinder finder{clock, port};
    // The settings the port was opened with, and how many frames had gone out by then.
    QList<std::pair<link::LineSettings, qsizetype>> opened;

    Sweep() {
        station.unit().setLiveMotion(false);
        station.unit().setReg(6, kResponseMs);
        port.setOpenObserver([this](const link::LineSettings& s) {
            opened.append({s, port.sent().size()});
        });
    }

    // Puts the unit on the line at a station and setting; without one it understands nothing
    // the finder tries (a baud rate the program never uses).
    void unitAt(int address, const bus::LineChoice& line) {
        station.setAddress(address);
        station.setFraming(line.ascii ? sim::Framing::Ascii : sim::Framing::Rtu);
        station.setLineSettings(line.lineSettings());
    }
    void nobody() { station.setLineSettings({4800, 'E', 8, 1}); }

    // Virtual ms from the start to the end of the search; -1 when it did not end.
    qint64 run(const bus::FinderOptions& options) {
        const qint64 t0 = clock.nowMs();
        if (finder.start(options) != bus::UnitFinder::Refusal::None)
            return -1;
        const bool done = clock.advanceUntil([&] { return !finder.running(); }, 24 * 3600000);
        return done ? clock.nowMs() - t0 : -1;
    }

    // Characters of the reply a read request asks for.
    static int replyChars(const QByteArray& frame, bool ascii) {
        const QByteArray content =
            ascii ? QByteArray::fromHex(frame.mid(1, frame.size() - 5)) : frame.chopped(2);
        const int quantity = quint8(content[4]) << 8 | quint8(content[5]);
        const int bytes = 3 + 2 * quantity;
        return ascii ? 1 + 2 * (bytes + 1) + 2 : bytes + 2;
    }

    double floorMs() const {
        double ms = 0;
        const QList<sim::SimCommPort::Sent>& sent = port.sent();
        for (int k = 0; k < opened.size(); ++k) {
            const link::LineSettings& s = opened[k].first;
            const bool ascii = s.dataBits == 7;
            const qsizetype end = k + 1 < opened.size() ? opened[k + 1].second : sent.size();
            for (qsizetype i = opened[k].second; i < end; ++i) {
                const QByteArray& frame = sent[i].frame;
                const bool answered =
                    station.understands(s) &&
                    (ascii ? station.framing() == sim::Framing::Ascii
                           : station.framing() == sim::Framing::Rtu) &&
                    (ascii ? QByteArray::fromHex(frame.mid(1, 2)) : frame.left(1)) ==
                        QByteArray(1, char(station.address()));
                ms += link::lineTimeMs(s, frame.size() + replyChars(frame, ascii)) +
                      (answered ? kResponseMs : kProbeTimeoutMs);
            }
        }
        return ms;
    }
};

bus::FinderOptions options(const QList<bus::LineChoice>& lines) {
    bus::FinderOptions o;
    o.lines = lines;
    o.probeTimeoutMs = kProbeTimeoutMs;
    return o;
}

void print(const char* what, Sweep& s, qint64 ms) {
    const double floor = s.floorMs();
    std::printf("%-44s %7lld %10.1f %7.3f %7lld\n", what, static_cast<long long>(ms), floor,
                floor > 0 ? double(ms) / floor : 0.0, static_cast<long long>(s.port.sent().size()));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QList<bus::LineChoice> all = bus::probeOrder(std::nullopt);
    std::printf("unit finder, times in virtual ms, probe timeout %lld ms\n\n",
                static_cast<long long>(kProbeTimeoutMs));
    std::printf("%-44s %7s %10s %7s %7s\n", "sweep", "time", "floor", "ratio", "frames");
    std::printf("%s\n", QByteArray(79, '-').constData());
    for (const bus::LineChoice& line :
         {bus::LineChoice{false, 9600, 'E'}, bus::LineChoice{true, 9600, 'E'},
          bus::LineChoice{false, 57600, 'N'}}) {
        Sweep s;
        s.nobody();
        const qint64 ms = s.run(options({line}));
        const QByteArray what = ("63 stations at " + line.describe() + ", nobody").toLatin1();
        print(what.constData(), s, ms);
    }
    {
        Sweep s;
        s.nobody();
        const qint64 ms = s.run(options(all));
        print("63 stations x 24 settings, nobody", s, ms);
    }
    {
        Sweep s;
        s.unitAt(63, all.last());
        const qint64 ms = s.run(options(all));
        const QByteArray what = ("24 settings, unit at 63 " + all.last().describe()).toLatin1();
        print(what.constData(), s, ms);
        if (s.finder.found().size() != 1)
            std::printf("  the unit was not found\n");
    }
    return 0;
}
