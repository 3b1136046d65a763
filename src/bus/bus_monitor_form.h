#pragma once

// The bus monitor window's logic: a table that follows the traffic log frame by frame, paused
// and resumed (the log goes on recording while the table stands still), cleared, and saved as
// text or CSV; with the link counters on a line of their own. The view shows the rows and hands
// the buttons' clicks here.

#include "app/language.h"
#include "bus/bus_texts.h"
#include "bus/status_line.h"
#include "bus/traffic_log.h"
#include "forms/controls.h"
#include "link/link_events.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <deque>

namespace qtx52::app {
class Program;
}

namespace qtx52::bus {

class BusMonitorForm final : public QObject, public link::LinkObserver {
    Q_OBJECT
    // First, so that the controls below can use them while they are made.
    app::Program& program_;
    TrafficLog& log_;
    link::LinkEvents& events_;
    int capacity_;

public:
    enum Column { Time, Dir, Gap, Hex, Ascii, Meaning, VerdictColumn, Try, ColumnCount };

    // Follows `log`, which must watch `events` ahead of this form.
    BusMonitorForm(app::Program& program, TrafficLog& log, const LinkStats& stats,
                   link::LinkEvents& events);
    ~BusMonitorForm() override;

    forms::Form form;
    forms::CommandButton cmdPause;
    forms::CommandButton cmdClear;
    forms::CommandButton cmdSaveText;
    forms::CommandButton cmdSaveCsv;
    forms::Label lblDropped;
    StatusLine counters;

    QStringList columnTitles() const;
    int rowCount() const { return int(rows_.size()); }
    QString cell(int row, int column) const;
    const TrafficEntry& entry(int row) const { return rows_[std::size_t(row)].entry; }
    // Rows kept at most: the log's own bound.
    int capacity() const { return capacity_; }

    bool paused() const { return paused_; }

    // The table as saved: the text lines of the trace, or CSV with its header line.
    QString textContent() const;
    QString csvContent() const;

    // The buttons.
    void cmdPause_Click();
    void cmdClear_Click();
    void cmdSaveText_Click();
    void cmdSaveCsv_Click();

    void frameSent(const link::SentFrame&) override { follow(); }
    void frameReceived(const link::ReceivedFrame&) override { follow(); }

signals:
    // Around each change of the rows, so that a view can keep its own rows in step.
    void rowsAboutToBeAppended(int first, int last);
    void rowsAppended();
    void frontRowsAboutToBeRemoved(int count);
    void frontRowsRemoved();
    void rowsAboutToBeReset();
    void rowsReset();

private:
    struct Row {
        TrafficEntry entry;
        std::array<QString, ColumnCount> cells;
    };
    bool english() const;
    Row makeRow(const TrafficEntry& e) const;
    void follow();
    void reload();
    void showDropped();
    void applyTexts();
    void save(BusText filter, const QString& content);

    bool paused_ = false;
    std::deque<Row> rows_;
    // Writes the texts again when the technician switches the language.
    app::LanguageFollower languageFollower_{program_, [this] { applyTexts(); }};
};

} // namespace qtx52::bus
