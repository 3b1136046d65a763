#include "gui/trend_view.h"

#include "gui/binders.h"
#include "trend/trend_model.h"
#include "trend/trend_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <cmath>

namespace qtx52::gui {

namespace {

constexpr int kAxisWidth = 68;
constexpr int kTimeHeight = 18;
constexpr int kLaneGap = 8;

QColor seriesColor(int element) {
    static const std::array<QColor, 18> colors = {
        QColor(120, 120, 120), QColor(150, 150, 150), QColor(200, 30, 30),   QColor(230, 130, 0),
        QColor(120, 40, 160),  QColor(20, 100, 200),  QColor(90, 90, 0),     QColor(0, 130, 130),
        QColor(220, 60, 120),  QColor(30, 150, 60),   QColor(100, 60, 30),   QColor(180, 90, 20),
        QColor(60, 60, 200),   QColor(0, 0, 0),       QColor(110, 110, 110), QColor(170, 0, 170),
        QColor(0, 160, 220),   QColor(80, 140, 0)};
    return colors[std::size_t(element) % colors.size()];
}

// A step for the time labels that leaves about `pixels` between two of them.
qint64 timeStep(qint64 span, int width, int pixels) {
    static constexpr qint64 steps[] = {1000,      2000,      5000,       10'000,     30'000,
                                       60'000,    120'000,   300'000,    600'000,    1'800'000,
                                       3'600'000, 7'200'000, 14'400'000, 28'800'000, 86'400'000};
    const double wanted = double(span) * pixels / std::max(width, 1);
    for (qint64 s : steps)
        if (s >= wanted)
            return s;
    return steps[std::size(steps) - 1];
}

QString axisNumber(double v, double range, const QString& separator, const QString& unit) {
    QString text = QString::number(v, 'f', range < 5 ? 1 : 0);
    text.replace(QLatin1Char('.'), separator);
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

} // namespace

void paintTrend(QPainter& p, const QRect& area, const trend::TrendModel& model) {
    p.fillRect(area, Qt::white);
    const QRect plot = area.adjusted(kAxisWidth, 4, -6, -kTimeHeight);
    if (plot.width() < 10 || plot.height() < 10)
        return;
    const trend::Chart chart = model.chart(plot.width());
    const QFontMetrics fm(p.font());
    if (chart.empty) {
        p.setPen(Qt::darkGray);
        p.drawRect(plot.adjusted(0, 0, -1, -1));
        p.drawText(plot, Qt::AlignCenter,
                   trend::trendText(trend::TrendText::NoValues, model.english()));
        return;
    }
    const std::vector<trend::SeriesInfo>& info = model.series();
    const int lanes = std::max<int>(1, int(chart.lanes.size()));
    const double laneHeight = (plot.height() - kLaneGap * (lanes - 1)) / double(lanes);
    const double span = double(chart.to - chart.from);

    // The time grid, across every band.
    const qint64 step = timeStep(chart.to - chart.from, plot.width(), 90);
    const qint64 offset = QDateTime::fromMSecsSinceEpoch(chart.from).offsetFromUtc() * 1000LL;
    const QString format = step < 60'000 ? QStringLiteral("HH:mm:ss")
                                         : (span > 86'400'000 ? QStringLiteral("dd.MM. HH:mm")
                                                              : QStringLiteral("HH:mm"));
    for (qint64 t = ((chart.from + offset) / step + 1) * step - offset; t < chart.to; t += step) {
        const int x = plot.left() + int(double(t - chart.from) * plot.width() / span);
        p.setPen(QColor(225, 225, 225));
        p.drawLine(x, plot.top(), x, plot.bottom());
        p.setPen(Qt::black);
        // A label that would stand past the chart's end is left out.
        if (x + 30 > plot.right())
            break;
        const QString label = QDateTime::fromMSecsSinceEpoch(t).toString(format);
        p.drawText(QRect(x - 60, plot.bottom() + 2, 120, kTimeHeight - 2),
                   Qt::AlignHCenter | Qt::AlignTop, label);
    }

    std::vector<QLineF> lines;
    for (int l = 0; l < int(chart.lanes.size()); ++l) {
        const trend::ChartLane& lane = chart.lanes[std::size_t(l)];
        const QRectF band(plot.left(), plot.top() + l * (laneHeight + kLaneGap), plot.width(),
                          laneHeight);
        // A little room above and below the values.
        const double pad = (lane.max - lane.min) * 0.06;
        const double lo = lane.min - pad;
        const double hi = lane.max + pad;
        auto y = [&](float v) {
            return band.bottom() - (double(v) - lo) * band.height() / (hi - lo);
        };

        p.setPen(QColor(160, 160, 160));
        p.drawRect(band);
        p.setPen(Qt::black);
        for (int i = 0; i <= 2; ++i) {
            const double v = lo + (hi - lo) * (0.1 + 0.4 * i);
            const double yy = y(float(v));
            p.setPen(QColor(235, 235, 235));
            p.drawLine(QPointF(band.left() + 1, yy), QPointF(band.right() - 1, yy));
            p.setPen(Qt::black);
            p.drawText(QRectF(area.left(), yy - fm.height() / 2.0, kAxisWidth - 4, fm.height()),
                       Qt::AlignRight | Qt::AlignVCenter,
                       axisNumber(v, hi - lo, model.separator(), lane.unit));
        }

        // The names in their colours along the top of the band.
        double legendX = band.left() + 6;
        p.save();
        p.setClipRect(band);
        for (const trend::ChartSeries& s : lane.series) {
            const QColor color = seriesColor(s.element);
            lines.clear();
            std::optional<QPointF> previous;
            for (int x = 0; x < int(s.columns.size()); ++x) {
                const trend::Column& c = s.columns[std::size_t(x)];
                if (!c.any)
                    continue;
                const double px = band.left() + x + 0.5;
                if (previous && !c.breakBefore)
                    lines.emplace_back(*previous, QPointF(px, y(c.first)));
                if (c.min != c.max)
                    lines.emplace_back(QPointF(px, y(c.min)), QPointF(px, y(c.max)));
                previous = QPointF(px, y(c.last));
                if (c.first == c.last && c.min == c.max && c.breakBefore)
                    lines.emplace_back(QPointF(px - 0.5, y(c.first)),
                                       QPointF(px + 0.5, y(c.first)));
            }
            p.setPen(QPen(color, 1.4));
            p.drawLines(lines.data(), int(lines.size()));
            const QString name = info.at(std::size_t(s.series)).name;
            p.setPen(color);
            p.drawText(QPointF(legendX, band.top() + fm.ascent() + 2), name);
            legendX += fm.horizontalAdvance(name) + 14;
        }
        p.restore();
    }

    if (const std::optional<qint64> cursor = model.cursor();
        cursor && *cursor >= chart.from && *cursor <= chart.to) {
        const double x = plot.left() + double(*cursor - chart.from) * plot.width() / span;
        p.setPen(QPen(QColor(40, 40, 40), 1, Qt::DashLine));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
}

TrendChart::TrendChart(trend::TrendModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(&model, &trend::TrendModel::dataChanged, this, qOverload<>(&QWidget::update));
    connect(&model.lbl_cursor, &forms::Control::changed, this, qOverload<>(&QWidget::update));
}

void TrendChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintTrend(p, rect(), model_);
}

void TrendChart::mouseMoveEvent(QMouseEvent* event) {
    const QRect plot = rect().adjusted(kAxisWidth, 4, -6, -kTimeHeight);
    const auto [from, to] = model_.span();
    if (model_.buffer().empty() || !plot.contains(event->position().toPoint())) {
        model_.setCursor(std::nullopt);
        return;
    }
    model_.setCursor(from + qint64(double(event->position().x() - plot.left()) * double(to - from) /
                                   plot.width()));
}

void TrendChart::leaveEvent(QEvent*) {
    model_.setCursor(std::nullopt);
}

TrendView::TrendView(trend::TrendModel& model, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("trend"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* controls = new QHBoxLayout;
    controls->addWidget(bindList(model.cmb_window, this));
    controls->addWidget(bindButton(model.cmd_pause, this));
    controls->addWidget(bindButton(model.cmd_save, this));
    controls->addWidget(bindButton(model.cmd_live, this));
    controls->addWidget(new ClickableLabel(model.lbl_source, this), 1);
    layout->addLayout(controls);
    auto* boxes = new QGridLayout;
    boxes->setHorizontalSpacing(10);
    boxes->setVerticalSpacing(0);
    int n = 0;
    for (const auto& [k, box] : model.chk_series) {
        QCheckBox* check = bindCheckBox(*box, this);
        QPalette palette = check->palette();
        palette.setColor(QPalette::WindowText, seriesColor(k));
        check->setPalette(palette);
        boxes->addWidget(check, n / 3, n % 3);
        ++n;
    }
    layout->addLayout(boxes);
    chart_ = new TrendChart(model, this);
    layout->addWidget(chart_, 1);
    auto* cursor = new ClickableLabel(model.lbl_cursor, this);
    cursor->setWordWrap(true);
    cursor->setMinimumHeight(cursor->fontMetrics().height() * 2);
    layout->addWidget(cursor);

    // The picture is the chart as drawn now, at the size it has on the screen.
    model.writePicture = [this, &model](const QString& path) {
        QImage image(chart_->size().expandedTo(QSize(640, 360)), QImage::Format_RGB32);
        QPainter p(&image);
        p.setFont(chart_->font());
        paintTrend(p, image.rect(), model);
        p.end();
        return image.save(path, "PNG");
    };
}

} // namespace qtx52::gui
