#include "monitor/monitor_recorder.h"

#include "app/csv.h"

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "monitor/record_texts.h"
#include "params/numbers.h"
#include "params/register_map.h"

#include <QFileInfo>

namespace qtx52::monitor {

namespace {

constexpr char kSeparator = ';';
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

} // namespace

const forms::Label* unitLabel(const editor::frm_config& w, int element) {
    switch (element) {
    case 2:
        return w.lbl_unit.at(1);
    case 3:
        return w.lbl_kelvin.at(4);
    case 4:
        return w.lbl_unit.at(4);
    case 5:
        return w.lbl_unit_hum.at(1);
    default:
        return nullptr;
    }
}

QString columnName(int element, bool english) {
    const params::RegisterInfo& r = params::monitorRegisters().at(std::size_t(element));
    QString name = (english ? r.labelEn : r.labelDe).trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
}

namespace {

// The first line of a file written by a recorder in either language: the time column's name in
// front and as many columns as a recording has.
bool looksLikeRecording(const QString& firstLine) {
    const QStringList fields = firstLine.split(QLatin1Char(kSeparator));
    const qsizetype columns =
        1 + params::kMonitorCount + qsizetype(params::monitorWordElements().size());
    return fields.size() == columns &&
           (fields.first() == recordText(RecordText::TimeColumn, false) ||
            fields.first() == recordText(RecordText::TimeColumn, true));
}

constexpr int kMessageDelayMs = 1;

} // namespace

MonitorRecorder::MonitorRecorder(app::Program& program)
    : now([] { return QDateTime::currentDateTime(); }), program_(program),
      w_(program.frm_config()) {
    connect(&w_, &editor::frm_config::monitorRangeRead, this, [this] { onRangeRead(); });
}

MonitorRecorder::~MonitorRecorder() {
    stop();
}

QString MonitorRecorder::header() const {
    const bool english = program_.g.languageId == app::kLanguageEnglish;
    QStringList fields{recordText(RecordText::TimeColumn, english)};
    for (int k = 0; k < params::kMonitorCount; ++k) {
        const QString name = columnName(k, english);
        const forms::Label* unit = unitLabel(w_, k);
        fields << app::csvField(
            unitsKnown && unit && !unit->caption().isEmpty()
                ? recordText(RecordText::UnitColumn, english).arg(name, unit->caption().trimmed())
                : name);
    }
    for (int element : params::monitorWordElements())
        fields << app::csvField(
            recordText(RecordText::WordsColumn, english).arg(columnName(element, english)));
    return fields.join(QLatin1Char(kSeparator));
}

QString MonitorRecorder::line() const {
    // Local time with its offset from UTC, to the millisecond.
    const QDateTime t = now();
    QStringList fields{t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs)};
    for (int k = 0; k < params::kMonitorCount; ++k)
        fields << app::csvField(w_.txt_data_out(k).text());
    // The word for the value read in this cycle; none for a value that has no word, where the
    // window goes on showing the word of an earlier value.
    for (int element : params::monitorWordElements()) {
        const std::optional<double> value =
            params::parseNumber(w_.txt_data_out(element).text(), program_.g.decimalSeparator);
        const std::optional<int> word =
            value ? params::monitorWordIndex(element, *value) : std::nullopt;
        fields << app::csvField(word ? program_.g.langTexts.at(std::size_t(*word)) : QString());
    }
    return fields.join(QLatin1Char(kSeparator));
}

bool MonitorRecorder::start(const QString& path) {
    stop();
    const app::Global& g = program_.g;
    const QString head = header();
    bool headerNeeded = true;
    bool lineBreakNeeded = false;
    {
        // A recording already there is continued; anything else in the file is left alone.
        QFile existing(path);
        // Devices (a terminal, /dev/null) hold nothing to continue.
        if (existing.open(QIODevice::ReadOnly) && !existing.isSequential() && existing.size() > 0) {
            QString first = QString::fromUtf8(existing.readLine());
            while (first.endsWith(QLatin1Char('\n')) || first.endsWith(QLatin1Char('\r')))
                first.chop(1);
            if (!looksLikeRecording(first)) {
                fail(recordText(RecordText::NotARecording, g).arg(path), false);
                return false;
            }
            headerNeeded = first != head;
            // The last line of an earlier recording may have been cut off by a crash: the new
            // lines start on a line of their own.
            existing.seek(existing.size() - 1);
            lineBreakNeeded = existing.read(1) != "\n";
        }
    }

    auto file = std::make_unique<QFile>(path);
    QByteArray opening = lineBreakNeeded ? kLineEnd : QByteArray();
    if (headerNeeded)
        opening += head.toUtf8() + kLineEnd;
    // A device (a terminal, /dev/null) cannot be appended to, only written.
    const QFileInfo info(path);
    const bool device = info.exists() && !info.isFile() && !info.isDir();
    if (!file->open(device ? QIODevice::WriteOnly : QIODevice::WriteOnly | QIODevice::Append) ||
        file->write(opening) != opening.size() || !file->flush()) {
        const QString why = file->errorString();
        file->close();
        fail(recordText(RecordText::CannotOpen, g).arg(path, why), false);
        return false;
    }
    file_ = std::move(file);
    path_ = path;
    lastHeader_ = head;
    lines_ = 0;
    emit stateChanged();
    return true;
}

void MonitorRecorder::stop() {
    if (!file_)
        return;
    file_->close();
    file_.reset();
    emit stateChanged();
}

bool MonitorRecorder::writeLine(const QString& text) {
    const QByteArray bytes = text.toUtf8() + kLineEnd;
    return file_->write(bytes) == bytes.size() && file_->flush();
}

void MonitorRecorder::onRangeRead() {
    // The monitor range of a read-out is no cycle of the monitor.
    if (w_.chk_read_out->value() != 1)
        return;
    const QString values = line();
    if (file_) {
        const app::Global& g = program_.g;
        // A file deleted while open would take every further line with it unseen.
        if (!QFileInfo::exists(path_)) {
            fail(recordText(RecordText::FileGone, g).arg(path_), true);
        } else {
            // The units follow the unit's settings, which a read-out between two runs of the
            // monitor may change: the lines after a new header are in the new units.
            const QString head = header();
            const bool written = (head == lastHeader_ || writeLine(head)) && writeLine(values);
            lastHeader_ = head;
            if (written) {
                ++lines_;
                emit stateChanged();
            } else {
                fail(recordText(RecordText::WriteFailed, g)
                         .arg(path_, file_->errorString())
                         .arg(lines_),
                     true);
            }
        }
    }
    emit cycle(values);
}

void MonitorRecorder::fail(const QString& message, bool fromReplyPath) {
    stop();
    emit failed(message);
    if (report) {
        report(message);
        return;
    }
    if (!fromReplyPath) {
        program_.ui.messageBox(message, app::kAppTitle);
        return;
    }
    // A message box waits for the person; the reply being decoded must be done with first.
    pendingMessage_ = message;
    if (!messageTimer_)
        messageTimer_ = program_.clock.createTimer(
            [this] { program_.ui.messageBox(pendingMessage_, app::kAppTitle); }, true);
    messageTimer_->start(kMessageDelayMs);
}

} // namespace qtx52::monitor
