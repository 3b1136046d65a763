#include "trend/recording_reader.h"

#include "monitor/record_texts.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "trend/trend_texts.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <map>

namespace qtx52::trend {

namespace {

constexpr int kValueColumns = params::kMonitorCount;

int columnCount() {
    return 1 + kValueColumns + int(params::monitorWordElements().size());
}

bool isHeader(const QStringList& fields) {
    return fields.size() == columnCount() &&
           (fields.first() == monitor::recordText(monitor::RecordText::TimeColumn, false) ||
            fields.first() == monitor::recordText(monitor::RecordText::TimeColumn, true));
}

// "Temperatur [°C]" is the name and the unit; a column without brackets has no unit.
std::pair<QString, QString> nameAndUnit(const QString& title) {
    static const QRegularExpression withUnit(QStringLiteral("^(.*) \\[(.*)\\]$"));
    const QRegularExpressionMatch m = withUnit.match(title);
    if (m.hasMatch())
        return {m.captured(1), m.captured(2)};
    return {title, QString()};
}

std::optional<float> valueOf(const QString& text) {
    if (text.isEmpty())
        return kNoValue;
    // The recording writes the user's decimal separator; the file does not say which it was,
    // and the program never writes a thousands separator.
    std::optional<double> v = params::parseNumber(text, QStringLiteral(","));
    if (!v)
        v = params::parseNumber(text, QStringLiteral("."));
    if (!v)
        return std::nullopt;
    return float(*v);
}

struct Row {
    qint64 time;
    std::vector<float> values; // by column
    int mapping;               // which header's columns they are
    bool newStretch;
};

} // namespace

std::optional<QStringList> splitCsvLine(const QString& line) {
    QStringList fields;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char(';')) {
            fields << field;
            field.clear();
            wasQuoted = false;
        } else if (c == QLatin1Char('"') && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else {
            field += c;
        }
    }
    if (quoted)
        return std::nullopt;
    fields << field;
    return fields;
}

ReadResult readRecording(const QString& path, bool english) {
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt,
                trendText(TrendText::CannotOpen, english).arg(path, file.errorString())};
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt,
                trendText(TrendText::CannotOpen, english).arg(path, file.errorString())};
    return parseRecording(content, name, english);
}

ReadResult parseRecording(const QByteArray& content, const QString& name, bool english) {
    QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    // The recording ends every line; what follows the last line end was cut off.
    const bool cutOff = !lines.last().isEmpty();
    const QString cutLine = lines.takeLast();
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);

    const std::optional<QStringList> first =
        lines.isEmpty() ? splitCsvLine(cutLine) : splitCsvLine(lines.first());
    if (!first || !isHeader(*first))
        return {std::nullopt, trendText(TrendText::NotARecording, english).arg(name)};

    Recording rec;
    std::map<std::pair<int, QString>, int> seriesOf; // (column, unit) -> series
    std::vector<std::vector<int>> mappings;          // per header: column -> series
    auto takeHeader = [&](const QStringList& fields) {
        std::vector<int> mapping;
        for (int k = 0; k < kValueColumns; ++k) {
            const auto [title, unit] = nameAndUnit(fields.at(k + 1));
            const auto key = std::make_pair(k, unit);
            auto it = seriesOf.find(key);
            if (it == seriesOf.end()) {
                it = seriesOf.emplace(key, int(rec.series.size())).first;
                rec.series.push_back({title, unit, k});
            }
            mapping.push_back(it->second);
        }
        mappings.push_back(std::move(mapping));
    };

    std::vector<Row> rows;
    auto skip = [&rec](int lineNumber) {
        if (rec.skipped++ == 0)
            rec.firstSkipped = lineNumber;
    };
    bool headerSeen = false;
    bool restart = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const int lineNumber = int(n) + 1;
        const QString& line = lines.at(n);
        if (line.isEmpty())
            continue;
        const std::optional<QStringList> fields = splitCsvLine(line);
        if (fields && isHeader(*fields)) {
            takeHeader(*fields);
            headerSeen = true;
            restart = true;
            continue;
        }
        if (!headerSeen || !fields || fields->size() != columnCount()) {
            skip(lineNumber);
            continue;
        }
        const QDateTime t = QDateTime::fromString(fields->first(), Qt::ISODateWithMs);
        if (!t.isValid()) {
            skip(lineNumber);
            continue;
        }
        Row row{t.toMSecsSinceEpoch(), {}, int(mappings.size()) - 1, restart};
        bool ok = true;
        for (int k = 0; k < kValueColumns && ok; ++k) {
            const std::optional<float> v = valueOf(fields->at(k + 1));
            ok = v.has_value();
            if (ok)
                row.values.push_back(*v);
        }
        if (!ok || (!rows.empty() && row.time < rows.back().time)) {
            skip(lineNumber);
            continue;
        }
        restart = false;
        rows.push_back(std::move(row));
    }
    if (cutOff)
        skip(int(lines.size()) + 1);

    if (rows.empty())
        return {std::nullopt, trendText(TrendText::NoLines, english).arg(name)};

    rec.buffer = std::make_unique<TrendBuffer>(int(rec.series.size()), int(rows.size()));
    std::vector<float> values(rec.series.size());
    for (const Row& row : rows) {
        std::fill(values.begin(), values.end(), kNoValue);
        const std::vector<int>& mapping = mappings.at(std::size_t(row.mapping));
        for (int k = 0; k < kValueColumns; ++k)
            values[std::size_t(mapping[std::size_t(k)])] = row.values[std::size_t(k)];
        rec.buffer->append(row.time, values, row.newStretch);
    }
    rec.lines = int(rows.size());
    QString message;
    if (rec.skipped > 0)
        message = trendText(TrendText::LinesSkipped, english)
                      .arg(name)
                      .arg(rec.skipped)
                      .arg(rec.firstSkipped);
    return {std::move(rec), message};
}

} // namespace qtx52::trend
