#pragma once

// The trend on the Monitor tab: the series' check boxes, the time window, pause, the PNG and the
// way back to the live values above a chart drawn with QPainter from the model's decimated
// columns, one band per unit, and the values at the pointer below it. The view keeps nothing:
// it draws what the model gives and hands it the pointer.

#include <QWidget>

class QPainter;

namespace qtx52::trend {
class TrendModel;
}

namespace qtx52::gui {

// Draws the chart of `model` into `area`: bands, axes with their units, time labels, the lines
// and the cursor.
void paintTrend(QPainter& painter, const QRect& area, const trend::TrendModel& model);

class TrendChart : public QWidget {
    Q_OBJECT
public:
    TrendChart(trend::TrendModel& model, QWidget* parent);
    QSize sizeHint() const override { return {620, 360}; }
    QSize minimumSizeHint() const override { return {320, 200}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    trend::TrendModel& model_;
};

class TrendView : public QWidget {
    Q_OBJECT
public:
    TrendView(trend::TrendModel& model, QWidget* parent);
    TrendChart* chart() const { return chart_; }

private:
    TrendChart* chart_ = nullptr;
};

} // namespace qtx52::gui
