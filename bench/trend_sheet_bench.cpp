// What the trend and the commissioning sheet cost: a redraw of 20 series over 8 hours at the
// monitor's rate (decimated to the chart's pixel columns and drawn with QPainter off screen), the
// memory of the rings, and the time to make the sheet of one unit and of a building of 200.
// Run by hand; not a test.
//
//   qtx52-bench-trend

#include "app/program.h"
#include "app/ui.h"
#include "cli/link_target.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "report/sheet_data.h"
#include "report/sheet_pdf.h"
#include "transfer/exchange_values.h"
#include "trend/decimate.h"
#include "trend/trend_buffer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace qtx52;

namespace {

class NoOne : public app::UserInteraction {
public:
    void messageBox(const QString&, const QString&) override {}
    std::optional<QString> openFileName(const QString&) override { return std::nullopt; }
    std::optional<QString> saveFileName(const QString&) override { return std::nullopt; }
    void showModal(forms::Form&) override {}
    bool openExternal(const QString&) override { return true; }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void trendFigures() {
    constexpr int kSeries = 20;
    // One cycle of the monitor at 9600 baud and 10 ms response time: two block reads.
    const int cycleMs = 2 * *transfer::pacingIntervalMs(QStringLiteral("9600"), 10);
    const int rows = int(8LL * 3'600'000 / cycleMs);
    trend::TrendBuffer buffer(kSeries, rows);
    std::vector<float> values(kSeries);
    for (int i = 0; i < rows; ++i) {
        for (int k = 0; k < kSeries; ++k)
            values[std::size_t(k)] =
                float(20 + 5 * std::sin(i * 0.001 * (k + 1)) + (i % 997 == 0 ? 8 : 0));
        buffer.append(qint64(i) * cycleMs, values);
    }
    constexpr int kWidth = 1200;
    constexpr int kHeight = 500;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    std::vector<double> times;
    std::vector<QLineF> lines;
    for (int run = 0; run < 15; ++run) {
        QElapsedTimer t;
        t.start();
        QPainter p(&image);
        p.fillRect(image.rect(), Qt::white);
        for (int k = 0; k < kSeries; ++k) {
            const std::vector<trend::Column> cols =
                trend::decimate(buffer, k, buffer.firstTime(), buffer.lastTime(), kWidth);
            lines.clear();
            std::optional<QPointF> previous;
            auto y = [](float v) { return kHeight - (double(v) - 10) * kHeight / 25.0; };
            for (int x = 0; x < kWidth; ++x) {
                const trend::Column& c = cols[std::size_t(x)];
                if (!c.any)
                    continue;
                if (previous && !c.breakBefore)
                    lines.emplace_back(*previous, QPointF(x, y(c.first)));
                lines.emplace_back(QPointF(x, y(c.min)), QPointF(x, y(c.max)));
                previous = QPointF(x, y(c.last));
            }
            p.setPen(QPen(QColor::fromHsv(k * 17, 200, 180), 1.4));
            p.drawLines(lines.data(), int(lines.size()));
        }
        p.end();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("trend: %d series x %d rows (8 h at a %d ms cycle), %d px wide\n", kSeries, rows,
                cycleMs, kWidth);
    std::printf("  redraw median %.2f ms, best %.2f ms\n", median(times),
                *std::min_element(times.begin(), times.end()));
    std::printf("  ring memory %.1f MB (%.1f bytes a row)\n", buffer.memoryBytes() / 1e6,
                double(buffer.memoryBytes()) / rows);
    trend::TrendBuffer live(18, int(8LL * 3'600'000 / cycleMs));
    std::printf("  the live ring of the 18 monitor values: %.1f MB\n", live.memoryBytes() / 1e6);
}

void sheetFigures() {
    QTemporaryDir dir;
    const settings::StorePaths stores{dir.filePath("machine.ini"), dir.filePath("user.ini")};
    forms::ManualClock clock;
    cli::LinkOptions link;
    link.simulate = true;
    cli::LinkTarget target = cli::openLinkTarget(link, clock, stores);
    NoOne ui;
    app::Program program(clock, *target.port, ui, stores);
    app::Main(program);
    editor::frm_config& w = program.frm_config();
    w.Combo_Port(6).setListIndex(1);
    w.cmd_read_device->userClick();
    clock.advanceUntil([&] { return !program.frmStateLoaded() && program.g.linkReady; }, 120000);
    report::SheetInputs in;
    in.attachmentName = QStringLiteral("unit.txt");
    in.attachment = w.parameterFileBytes();
    in.intended = files::readParameterSet(in.attachment);
    std::vector<double> times;
    qint64 bytes = 0;
    QElapsedTimer building;
    building.start();
    for (int unit = 0; unit < 200; ++unit) {
        QElapsedTimer t;
        t.start();
        const QString path = dir.filePath(QStringLiteral("sheet-%1.pdf").arg(unit));
        if (!report::writeSheet(path, report::collectSheet(program, in))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return;
        }
        times.push_back(double(t.nsecsElapsed()) / 1e6);
        bytes += QFile(path).size();
    }
    std::printf("sheet: one unit median %.1f ms (first %.1f ms), %.0f kB a sheet\n", median(times),
                times.front(), bytes / 200.0 / 1000);
    std::printf("  a building of 200 units: %.2f s\n", double(building.elapsed()) / 1000);
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    trendFigures();
    sheetFigures();
    return 0;
}
