#include "bus/bus_monitor_form.h"

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "app/ui.h"

#include <QFile>
#include <QSaveFile>

namespace qtx52::bus {

namespace {

QString tryText(int attempt, bool english) {
    if (attempt <= 0)
        return QStringLiteral("-");
    return attempt == 1 ? busText(BusText::TryFirst, english)
                        : busText(BusText::TryRepeat, english).arg(attempt - 1);
}

// An ASCII line as text, with its line end shown rather than breaking the cell.
QString asciiText(const TrafficEntry& e) {
    if (!e.meaning.ascii)
        return {};
    QByteArray text = e.bytes;
    text.replace("\r", "\\r").replace("\n", "\\n");
    return QString::fromLatin1(text);
}

} // namespace

BusMonitorForm::BusMonitorForm(app::Program& program, TrafficLog& log, const LinkStats& stats,
                               link::LinkEvents& events)
    : program_(program), log_(log), events_(events), capacity_(log.capacity()),
      form(QStringLiteral("frmBusMonitor"), this), cmdPause(QStringLiteral("cmdPause"), -1, this),
      cmdClear(QStringLiteral("cmdClear"), -1, this),
      cmdSaveText(QStringLiteral("cmdSaveText"), -1, this),
      cmdSaveCsv(QStringLiteral("cmdSaveCsv"), -1, this),
      lblDropped(QStringLiteral("lblDropped"), -1, this),
      counters(
          program.clock, stats, events, [this] { return english(); }, /*full=*/true) {
    for (forms::Control* c : std::initializer_list<forms::Control*>{
             &cmdPause, &cmdClear, &cmdSaveText, &cmdSaveCsv, &lblDropped})
        c->setContainer(&form);
    connect(&cmdPause, &forms::CommandButton::click, this, [this] { cmdPause_Click(); });
    connect(&cmdClear, &forms::CommandButton::click, this, [this] { cmdClear_Click(); });
    connect(&cmdSaveText, &forms::CommandButton::click, this, [this] { cmdSaveText_Click(); });
    connect(&cmdSaveCsv, &forms::CommandButton::click, this, [this] { cmdSaveCsv_Click(); });
    // Closing the window only hides it; the table goes on following for the next look.
    connect(&form, &forms::Form::closeRequested, this, [this] { form.setVisible(false); });
    applyTexts();
    form.setLoaded(true);
    form.setVisible(false);
    reload();
    events_.add(this);
}

BusMonitorForm::~BusMonitorForm() {
    events_.remove(this);
}

bool BusMonitorForm::english() const {
    return program_.g.languageId == app::kLanguageEnglish;
}

void BusMonitorForm::applyTexts() {
    const bool en = english();
    form.setCaption(busText(BusText::MonitorCaption, en));
    cmdPause.setCaption(busText(paused_ ? BusText::Follow : BusText::Pause, en));
    cmdClear.setCaption(busText(BusText::Clear, en));
    cmdSaveText.setCaption(busText(BusText::SaveText, en));
    cmdSaveCsv.setCaption(busText(BusText::SaveCsv, en));
    counters.refresh();
    showDropped();
}

QStringList BusMonitorForm::columnTitles() const {
    const bool en = english();
    return {busText(BusText::ColumnTime, en),    busText(BusText::ColumnDirection, en),
            busText(BusText::ColumnGap, en),     busText(BusText::ColumnHex, en),
            busText(BusText::ColumnAscii, en),   busText(BusText::ColumnMeaning, en),
            busText(BusText::ColumnVerdict, en), busText(BusText::ColumnTry, en)};
}

QString BusMonitorForm::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount)
        return {};
    return rows_[std::size_t(row)].cells[std::size_t(column)];
}

BusMonitorForm::Row BusMonitorForm::makeRow(const TrafficEntry& e) const {
    const bool en = english();
    const bool out = e.direction == Direction::Out;
    Row r{e, {}};
    r.cells[Time] = QString::number(e.ms);
    r.cells[Dir] = busText(out ? BusText::Out : BusText::In, en);
    r.cells[Gap] = QString::number(e.gapMs);
    r.cells[Hex] = QString::fromLatin1(e.bytes.toHex(' ').toUpper());
    r.cells[Ascii] = asciiText(e);
    r.cells[Meaning] =
        en ? e.meaning.text : describeFrame(e.bytes, e.direction, e.framing, true).text;
    r.cells[VerdictColumn] = out ? QString() : verdictText(e.verdict, en);
    r.cells[Try] = tryText(e.attempt, en);
    return r;
}

void BusMonitorForm::follow() {
    showDropped();
    if (paused_ || log_.entries().empty())
        return;
    if (rowCount() >= capacity_) {
        emit frontRowsAboutToBeRemoved(1);
        rows_.pop_front();
        emit frontRowsRemoved();
    }
    const int at = rowCount();
    emit rowsAboutToBeAppended(at, at);
    rows_.push_back(makeRow(log_.entries().back()));
    emit rowsAppended();
}

void BusMonitorForm::reload() {
    emit rowsAboutToBeReset();
    rows_.clear();
    for (const TrafficEntry& e : log_.entries())
        rows_.push_back(makeRow(e));
    while (rowCount() > capacity_)
        rows_.pop_front();
    emit rowsReset();
    showDropped();
}

void BusMonitorForm::showDropped() {
    const qint64 n = log_.droppedCount();
    lblDropped.setCaption(n > 0 ? busText(BusText::Dropped, english()).arg(n) : QString());
    lblDropped.setVisible(n > 0);
}

void BusMonitorForm::cmdPause_Click() {
    paused_ = !paused_;
    cmdPause.setCaption(busText(paused_ ? BusText::Follow : BusText::Pause, english()));
    // Resuming shows what the log recorded meanwhile.
    if (!paused_)
        reload();
}

void BusMonitorForm::cmdClear_Click() {
    log_.clear();
    reload();
}

QString BusMonitorForm::textContent() const {
    QString out;
    for (const Row& r : rows_)
        out += r.entry.wall.toString(Qt::ISODateWithMs) + QLatin1Char(' ') +
               TrafficLog::line(r.entry) + QLatin1Char('\n');
    return out;
}

QString BusMonitorForm::csvContent() const {
    QString out = TrafficLog::csvHeader() + QLatin1Char('\n');
    for (const Row& r : rows_)
        out += TrafficLog::csvLine(r.entry) + QLatin1Char('\n');
    return out;
}

void BusMonitorForm::cmdSaveText_Click() {
    save(BusText::TextFilter, textContent());
}

void BusMonitorForm::cmdSaveCsv_Click() {
    save(BusText::CsvFilter, csvContent());
}

void BusMonitorForm::save(BusText filter, const QString& content) {
    // The content is taken before the question, so the file holds what the table showed when
    // the person asked for it.
    const std::optional<QString> name = program_.ui.saveFileName(busText(filter, english()));
    if (!name || name->isEmpty())
        return;
    // Written whole or not at all: a failed write leaves an existing file as it was.
    QSaveFile file(*name);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Text);
    if (ok) {
        const QByteArray bytes = content.toUtf8();
        ok = file.write(bytes) == bytes.size();
        ok = ok && file.commit();
    }
    if (!ok)
        program_.ui.messageBox(busText(BusText::SaveFailed, english()) + *name +
                                   QStringLiteral("\n") + file.errorString(),
                               app::kAppTitle);
}

} // namespace qtx52::bus
