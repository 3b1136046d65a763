#include "trend/trend_model.h"

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "monitor/monitor_recorder.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "transfer/exchange_values.h"
#include "trend/trend_texts.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace qtx52::trend {

namespace {

// The live ring starts for a cycle of this length and grows when the monitor runs faster, up to
// the largest ring (8 hours of cycles of 48 ms, 46 MB); a monitor faster still keeps less time.
constexpr int kStartCycleMs = 200;
constexpr int kMaxRows = 600'000;
constexpr qint64 kHourMs = 3'600'000;

int rowsFor(int cycleMs) {
    return int(std::min<qint64>(kMaxRows, TrendModel::kHours * kHourMs / std::max(cycleMs, 1)));
}

// Shown at first: the room's values and what the controller makes of them.
bool shownAtFirst(int element) {
    return element == 2 || element == 4 || element == 5 || element == 8 || element == 9;
}

QString valueText(float v, const QString& separator) {
    QString s = QString::number(double(v), 'g', 7);
    s.replace(QLatin1Char('.'), separator.isEmpty() ? QStringLiteral(",") : separator);
    return s;
}

} // namespace

TrendModel::TrendModel(app::Program& program)
    : cmb_window(QStringLiteral("cmb_window"), -1, this),
      cmd_pause(QStringLiteral("cmd_pause"), -1, this),
      cmd_save(QStringLiteral("cmd_save"), -1, this),
      cmd_live(QStringLiteral("cmd_live"), -1, this),
      lbl_source(QStringLiteral("lbl_source"), -1, this),
      lbl_cursor(QStringLiteral("lbl_cursor"), -1, this),
      mnuOpenRecording(QStringLiteral("mnuOpenRecording"), -1, this),
      now([] { return QDateTime::currentDateTime(); }), program_(program), w_(program.frm_config()),
      live_(params::kMonitorCount, rowsFor(kStartCycleMs)) {
    for (int k = 0; k < params::kMonitorCount; ++k) {
        auto* box = new forms::CheckBox(QStringLiteral("chk_series"), k, this);
        chk_series.add(k, box);
        box->setValue(shownAtFirst(k) ? 1 : 0);
        connect(box, &forms::CheckBox::click, this, [this] {
            showCursor();
            emit dataChanged();
        });
        liveSeries_.push_back({monitor::columnName(k, english()), QString(), k});
    }
    cmd_live.setVisible(false);
    applyTexts();
    cmb_window.setListIndex(int(Window::Last30Min));
    connect(&cmb_window, &forms::ListBox::click, this, [this] { emit dataChanged(); });
    connect(&cmd_pause, &forms::CommandButton::click, this, [this] { cmd_pause_Click(); });
    connect(&cmd_save, &forms::CommandButton::click, this, [this] { cmd_save_Click(); });
    connect(&cmd_live, &forms::CommandButton::click, this, [this] { cmd_live_Click(); });
    connect(&mnuOpenRecording, &forms::MenuItem::click, this, [this] { openRecordingClick(); });
    connect(&w_, &editor::frm_config::monitorRangeRead, this, [this] { onRangeRead(); });
    // A monitor switched off and on again leaves a gap in the line.
    connect(w_.chk_read_out, &forms::Control::changed, this, [this] {
        if (w_.chk_read_out->value() != 1)
            live_.breakLine();
    });
}

TrendModel::~TrendModel() = default;

bool TrendModel::english() const {
    return program_.g.languageId == app::kLanguageEnglish;
}

QString TrendModel::separator() const {
    return program_.g.decimalSeparator.isEmpty() ? QStringLiteral(",")
                                                 : program_.g.decimalSeparator;
}

void TrendModel::applyTexts() {
    const bool en = english();
    const QStringList windows = {
        trendText(TrendText::Window5Min, en), trendText(TrendText::Window30Min, en),
        trendText(TrendText::Window2H, en), trendText(TrendText::Window8H, en),
        trendText(TrendText::WindowSession, en)};
    if (cmb_window.listCount() == 0) {
        cmb_window.setItems(windows);
    } else {
        for (int i = 0; i < windows.size(); ++i)
            cmb_window.setItemText(i, windows.at(i));
    }
    cmd_pause.setCaption(trendText(paused() ? TrendText::Resume : TrendText::Pause, en));
    cmd_save.setCaption(trendText(TrendText::SavePicture, en));
    cmd_live.setCaption(trendText(TrendText::Live, en));
    mnuOpenRecording.setCaption(trendText(TrendText::OpenRecording, en));
    for (auto& s : liveSeries_)
        s.name = monitor::columnName(s.element, en);
    for (const auto& [k, box] : chk_series) {
        const SeriesInfo* shown = nullptr;
        for (const SeriesInfo& s : series())
            if (s.element == k)
                shown = &s;
        const QString unit = shown ? shown->unit : QString();
        box->setCaption(unit.isEmpty()
                            ? monitor::columnName(k, en)
                            : QStringLiteral("%1 [%2]").arg(monitor::columnName(k, en), unit));
    }
    showSource();
}

const TrendBuffer& TrendModel::buffer() const {
    return file_ ? *file_->buffer : live_;
}

const std::vector<SeriesInfo>& TrendModel::series() const {
    return file_ ? file_->series : liveSeries_;
}

void TrendModel::onRangeRead() {
    // The monitor range of a read-out is no cycle of the monitor.
    if (w_.chk_read_out->value() != 1)
        return;
    const app::Global& g = program_.g;
    if (const std::optional<qint32> pacing =
            transfer::pacingIntervalMs(g.baudRate, g.minResponseTime))
        if (const int rows = rowsFor(2 * *pacing); rows > live_.capacity())
            live_.setCapacity(rows);

    bool unitsChanged = false;
    std::vector<float> values(std::size_t(params::kMonitorCount), kNoValue);
    for (int k = 0; k < params::kMonitorCount; ++k) {
        const std::optional<double> v =
            params::parseNumber(w_.txt_data_out(k).text(), g.decimalSeparator);
        if (v)
            values[std::size_t(k)] = float(*v);
        const forms::Label* unit = monitor::unitLabel(w_, k);
        const QString caption = unit ? unit->caption().trimmed() : QString();
        if (caption != liveSeries_[std::size_t(k)].unit) {
            unitsChanged = unitsChanged || !live_.empty();
            liveSeries_[std::size_t(k)].unit = caption;
        }
    }
    // A read-out between two runs may have switched the unit to other units: values in °F are
    // not drawn on from values in °C.
    if (unitsChanged)
        live_.clear();
    if (unitsChanged || live_.empty())
        applyTexts();
    live_.append(now().toMSecsSinceEpoch(), values);
    if (!file_) {
        showSource();
        emit dataChanged();
    }
}

std::pair<qint64, qint64> TrendModel::span() const {
    const TrendBuffer& b = buffer();
    const qint64 last = pausedTo_ ? *pausedTo_ : b.lastTime();
    static constexpr qint64 kWindowMs[] = {5 * 60'000, 30 * 60'000, 2 * kHourMs, 8 * kHourMs};
    const int choice = cmb_window.listIndex();
    if (choice >= 0 && choice < int(Window::Session))
        return {last - kWindowMs[choice], last};
    const qint64 first = b.firstTime();
    return {first, std::max(last, first + 1000)};
}

Chart TrendModel::chart(int width) const {
    Chart c;
    std::tie(c.from, c.to) = span();
    const TrendBuffer& b = buffer();
    const std::vector<SeriesInfo>& all = series();
    for (int s = 0; s < int(all.size()); ++s) {
        const forms::CheckBox* box = chk_series.at(all[std::size_t(s)].element);
        if (!box || box->value() != 1)
            continue;
        ChartSeries cs{s, all[std::size_t(s)].element, decimate(b, s, c.from, c.to, width)};
        auto lane = std::find_if(c.lanes.begin(), c.lanes.end(), [&](const ChartLane& l) {
            return l.unit == all[std::size_t(s)].unit;
        });
        if (lane == c.lanes.end()) {
            c.lanes.push_back({all[std::size_t(s)].unit, 0, 0, {}});
            lane = c.lanes.end() - 1;
        }
        lane->series.push_back(std::move(cs));
    }
    for (ChartLane& lane : c.lanes) {
        bool any = false;
        for (const ChartSeries& s : lane.series)
            for (const Column& col : s.columns) {
                if (!col.any)
                    continue;
                lane.min = any ? std::min(lane.min, col.min) : col.min;
                lane.max = any ? std::max(lane.max, col.max) : col.max;
                any = true;
            }
        c.empty = c.empty && !any;
        if (!any) {
            lane.min = 0;
            lane.max = 1;
        }
        // A flat line sits in the middle of its band.
        if (lane.max - lane.min < 1e-3f) {
            lane.min -= 1;
            lane.max += 1;
        }
    }
    return c;
}

void TrendModel::setCursor(std::optional<qint64> timeMs) {
    if (cursor_ == timeMs)
        return;
    cursor_ = timeMs;
    showCursor();
}

void TrendModel::showCursor() {
    const TrendBuffer& b = buffer();
    const int row = cursor_ ? b.nearest(*cursor_) : -1;
    if (row < 0) {
        lbl_cursor.setCaption(QString());
        return;
    }
    QStringList parts{QDateTime::fromMSecsSinceEpoch(b.time(row))
                          .toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))};
    const std::vector<SeriesInfo>& all = series();
    for (int s = 0; s < int(all.size()); ++s) {
        const SeriesInfo& info = all[std::size_t(s)];
        const forms::CheckBox* box = chk_series.at(info.element);
        const float v = b.value(s, row);
        if (!box || box->value() != 1 || std::isnan(v))
            continue;
        parts << QStringLiteral("%1 %2%3").arg(info.name, valueText(v, program_.g.decimalSeparator),
                                               info.unit.isEmpty() ? QString()
                                                                   : QLatin1Char(' ') + info.unit);
    }
    lbl_cursor.setCaption(parts.join(QStringLiteral("  ·  ")));
}

void TrendModel::showSource() {
    if (file_)
        lbl_source.setCaption(
            trendText(TrendText::SourceFile, english()).arg(fileName_).arg(file_->lines));
    else
        lbl_source.setCaption(trendText(TrendText::SourceLive, english()));
    cmd_live.setVisible(file_ != nullptr);
}

bool TrendModel::openRecording(const QString& path) {
    ReadResult r = readRecording(path, english());
    if (!r.recording) {
        program_.ui.messageBox(r.message, app::kAppTitle);
        return false;
    }
    file_ = std::make_unique<Recording>(std::move(*r.recording));
    fileName_ = QFileInfo(path).fileName();
    pausedTo_.reset();
    cursor_.reset();
    applyTexts();
    cmb_window.setListIndex(int(Window::Session));
    showCursor();
    emit dataChanged();
    // Shown, with the lines it had to leave out said.
    if (!r.message.isEmpty())
        program_.ui.messageBox(r.message, app::kAppTitle);
    return true;
}

void TrendModel::openRecordingClick() {
    const std::optional<QString> path =
        program_.ui.openFileName(trendText(TrendText::RecordingFilter, program_.g));
    if (path && !path->isEmpty())
        openRecording(*path);
}

void TrendModel::cmd_live_Click() {
    file_.reset();
    fileName_.clear();
    cursor_.reset();
    applyTexts();
    cmb_window.setListIndex(int(Window::Last30Min));
    showCursor();
    emit dataChanged();
}

void TrendModel::cmd_pause_Click() {
    if (pausedTo_)
        pausedTo_.reset();
    else
        pausedTo_ = span().second;
    cmd_pause.setCaption(trendText(paused() ? TrendText::Resume : TrendText::Pause, english()));
    emit dataChanged();
}

void TrendModel::cmd_save_Click() {
    const std::optional<QString> path =
        program_.ui.saveFileName(trendText(TrendText::PictureFilter, program_.g));
    if (!path || path->isEmpty())
        return;
    if (!writePicture || !writePicture(*path))
        program_.ui.messageBox(trendText(TrendText::PictureFailed, program_.g).arg(*path),
                               app::kAppTitle);
}

} // namespace qtx52::trend
