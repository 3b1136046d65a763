#include "commission/plan.h"

#include "files/file_labels.h"

#include "app/shown_value.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <map>

namespace qtx52::commission {

namespace {

enum Column { Line, Station, Mode, Baud, Parity, Room, Set, Coding, Firmware, Fast, ColumnCount };

const QStringList& englishNames() {
    static const QStringList names{"line", "station", "mode",   "baud",     "parity",
                                   "room", "set",     "coding", "firmware", "fast"};
    return names;
}

std::optional<Column> columnOf(const QString& header) {
    static const std::map<QString, Column> names{
        {"line", Line},         {"linie", Line},
        {"leitung", Line},      {"station", Station},
        {"adresse", Station},   {"address", Station},
        {"mode", Mode},         {"modus", Mode},
        {"betriebsart", Mode},  {"baud", Baud},
        {"baudrate", Baud},     {"baud rate", Baud},
        {"parity", Parity},     {"parität", Parity},
        {"paritaet", Parity},   {"room", Room},
        {"raum", Room},         {"set", Set},
        {"satz", Set},          {"parametersatz", Set},
        {"coding", Coding},     {"kodierung", Coding},
        {"codierung", Coding},  {"gerätekodierung", Coding},
        {"firmware", Firmware}, {"firmwareversion", Firmware},
        {"fast", Fast},         {"fast reads", Fast},
        {"schnell", Fast},      {"schnell lesen", Fast}};
    const auto it = names.find(header.trimmed().toLower());
    return it == names.end() ? std::nullopt : std::optional(it->second);
}

struct Record {
    int line = 0; // where the record begins
    QStringList fields;
};

// Splits the text into records as spreadsheets quote them: a field in double quotes may hold the
// separator, line ends and doubled quotes. Returns false when a quote is left open.
bool splitRecords(const QString& text, QChar separator, std::vector<Record>& records,
                  int* openQuoteLine) {
    Record record{1, {}};
    QString field;
    bool quoted = false;
    int line = 1;
    int quoteLine = 0;
    const auto endRecord = [&] {
        record.fields << field;
        field.clear();
        records.push_back(record);
        record = Record{line, {}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            quoteLine = line;
        } else if (c == separator) {
            record.fields << field;
            field.clear();
        } else if (c == QLatin1Char('\r')) {
            // A line ends at LF; a CR before it is part of the line end.
        } else if (c == QLatin1Char('\n')) {
            ++line;
            endRecord();
        } else {
            field += c;
        }
    }
    if (quoted) {
        *openQuoteLine = quoteLine;
        return false;
    }
    if (!field.isEmpty() || !record.fields.isEmpty())
        endRecord();
    return true;
}

// The header's separator: ";" when the first line has one outside quotes, "," otherwise.
QChar separatorOf(const QString& text) {
    bool quoted = false;
    int commas = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char(';'))
            return QLatin1Char(';');
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
        else if (!quoted && c == QLatin1Char('\n'))
            break;
    }
    return commas > 0 ? QLatin1Char(',') : QLatin1Char(';');
}

bool validLine(const QString& line) {
    if (line.startsWith(QStringLiteral("tcp://"))) {
        const QString rest = line.mid(6);
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int port = rest.mid(colon + 1).toInt(&ok);
        return colon > 0 && ok && port >= 1 && port <= 65535;
    }
    if (line.startsWith(QStringLiteral("mbap://"))) {
        // A Modbus TCP gateway, at its standard port 502 when none is given.
        const QString rest = line.mid(7);
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        if (colon < 0)
            return !rest.isEmpty();
        bool ok = false;
        const int port = rest.mid(colon + 1).toInt(&ok);
        return colon > 0 && ok && port >= 1 && port <= 65535;
    }
    if (line.startsWith(QStringLiteral("sim:")))
        return line.size() > 4;
    bool ok = false;
    const int number = line.toInt(&ok);
    if (ok)
        return number >= 1 && number <= 8;
    return line.startsWith(QLatin1Char('/'));
}

std::optional<QChar> parityOf(const QString& text) {
    const QString t = text.trimmed().toUpper();
    if (t == "N" || t == "NONE" || t == "KEINE")
        return QLatin1Char('N');
    if (t == "E" || t == "EVEN" || t == "GERADE")
        return QLatin1Char('E');
    if (t == "O" || t == "ODD" || t == "UNGERADE")
        return QLatin1Char('O');
    return std::nullopt;
}

// Fast reads on a line: yes or no in either language, 1 or 0, x or empty in a spreadsheet's
// tick column ("" is "not given" and stays the line's default, off).
std::optional<bool> switchOf(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == "1" || t == "x" || t == "yes" || t == "ja" || t == "on" || t == "ein" || t == "true")
        return true;
    if (t == "0" || t == "no" || t == "nein" || t == "off" || t == "aus" || t == "false")
        return false;
    return std::nullopt;
}

struct LineSettings {
    QString mode, baud;
    QChar parity;
    QString fast; // "1" or "0" once given
    int firstRow = 0;
};

} // namespace

QString decodePlanText(const QByteArray& bytes) {
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(b);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(b);
}

QString roomFileName(const QString& room) {
    QString name;
    for (const QChar c : room.trimmed()) {
        const bool bad = c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c);
        name += bad ? QLatin1Char('_') : c;
    }
    if (name.isEmpty() || name == "." || name == "..")
        name = QStringLiteral("_") + name;
    return name;
}

Plan readPlan(const QString& path, const QString& separator, const QString& languageId) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Plan plan;
        plan.problems.push_back({0, PlanFault::Unreadable, {path, file.errorString()}});
        return plan;
    }
    Plan plan = parsePlan(file.readAll(), QFileInfo(path).absolutePath(), separator, languageId);
    plan.path = path;
    return plan;
}

Plan parsePlan(const QByteArray& bytes, const QString& folder, const QString& separator,
               const QString& languageId) {
    Plan plan;
    const auto problem = [&plan](int line, PlanFault fault, QStringList args = {}) {
        plan.problems.push_back({line, fault, std::move(args)});
    };
    const QString text = decodePlanText(bytes);
    std::vector<Record> records;
    int openQuote = 0;
    if (!splitRecords(text, separatorOf(text), records, &openQuote)) {
        problem(openQuote, PlanFault::OpenQuote);
        return plan;
    }
    if (records.empty()) {
        problem(0, PlanFault::Empty);
        return plan;
    }

    // The header: which field holds which column.
    std::array<int, ColumnCount> at;
    at.fill(-1);
    const Record& header = records.front();
    for (int i = 0; i < header.fields.size(); ++i) {
        const QString name = header.fields.at(i).trimmed();
        if (name.isEmpty() && i == header.fields.size() - 1)
            continue; // a separator at the end of the header
        const std::optional<Column> column = columnOf(name);
        if (!column)
            problem(header.line, PlanFault::UnknownColumn, {app::shownValue(name)});
        else if (at[*column] >= 0)
            problem(header.line, PlanFault::DoubledColumn, {app::shownValue(name)});
        else
            at[*column] = i;
    }
    for (const Column c : {Line, Station, Room, Set})
        if (at[c] < 0)
            problem(header.line, PlanFault::MissingColumn, {englishNames().at(c)});
    if (!plan.problems.empty())
        return plan;

    QHash<QString, LineSettings> lines;
    QSet<QString> stations;    // line + station
    QHash<QString, int> rooms; // file name, folded
    QHash<QString, ParameterSet> sets;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const Record& record = records[r];
        const auto field = [&](Column c) {
            return at[c] >= 0 ? record.fields.value(at[c]).trimmed() : QString();
        };
        if (std::all_of(record.fields.begin(), record.fields.end(),
                        [](const QString& f) { return f.trimmed().isEmpty(); }))
            continue;
        const int n = record.line;
        const std::size_t before = plan.problems.size();
        if (record.fields.size() > header.fields.size()) {
            problem(n, PlanFault::FieldCount,
                    {QString::number(record.fields.size()), QString::number(header.fields.size())});
            continue;
        }
        PlanUnit unit;
        unit.planLine = n;
        unit.line = field(Line);
        if (unit.line.isEmpty())
            problem(n, PlanFault::NoLine);
        else if (!validLine(unit.line))
            problem(n, PlanFault::BadLine, {app::shownValue(unit.line)});

        bool ok = false;
        unit.station = field(Station).toInt(&ok);
        if (!ok || unit.station < 1 || unit.station > 63)
            problem(n, PlanFault::BadStation, {app::shownValue(field(Station))});
        else if (const QString key = unit.line + QLatin1Char('\n') + QString::number(unit.station);
                 !unit.line.isEmpty() && stations.contains(key))
            problem(n, PlanFault::StationTwice, {QString::number(unit.station), unit.line});
        else
            stations.insert(key);
        // The line's settings: given once, repeated alike, or left empty.
        LineSettings& settings = lines[unit.line];
        if (settings.firstRow == 0)
            settings.firstRow = n;
        const QString mode = field(Mode).toUpper();
        if (!mode.isEmpty() && mode != "RTU" && mode != "ASCII")
            problem(n, PlanFault::BadMode, {app::shownValue(field(Mode))});
        const QString baud = field(Baud);
        if (!baud.isEmpty() && !QStringList{"9600", "19200", "38400", "57600"}.contains(baud))
            problem(n, PlanFault::BadBaud, {app::shownValue(baud)});
        const std::optional<QChar> parity =
            field(Parity).isEmpty() ? std::nullopt : parityOf(field(Parity));
        if (!field(Parity).isEmpty() && !parity)
            problem(n, PlanFault::BadParity, {app::shownValue(field(Parity))});
        const auto agree = [&](QString& held, const QString& given, const char* column) {
            if (given.isEmpty())
                return;
            if (held.isEmpty())
                held = given;
            else if (held != given)
                problem(n, PlanFault::SettingsDiffer,
                        {QString::fromLatin1(column), given, held, unit.line});
        };
        if (mode == "RTU" || mode == "ASCII")
            agree(settings.mode, mode, "mode");
        if (QStringList{"9600", "19200", "38400", "57600"}.contains(baud))
            agree(settings.baud, baud, "baud");
        if (parity) {
            QString held = settings.parity.isNull() ? QString() : QString(settings.parity);
            agree(held, QString(*parity), "parity");
            settings.parity = held.at(0);
        }
        if (const QString given = field(Fast); !given.isEmpty()) {
            if (const std::optional<bool> on = switchOf(given))
                agree(settings.fast, *on ? QStringLiteral("1") : QStringLiteral("0"), "fast");
            else
                problem(n, PlanFault::BadFast, {app::shownValue(given)});
        }

        unit.room = field(Room);
        if (unit.room.isEmpty()) {
            problem(n, PlanFault::NoRoom);
        } else {
            const QString key = roomFileName(unit.room).toCaseFolded();
            if (rooms.contains(key))
                problem(n, PlanFault::RoomTwice,
                        {app::shownValue(unit.room), QString::number(rooms.value(key))});
            else
                rooms.insert(key, n);
        }

        for (const Column c : {Coding, Firmware}) {
            const QString value = field(c);
            if (value.isEmpty())
                continue;
            const int number = value.toInt(&ok);
            if (!ok || number < 0 || number > 65535)
                problem(n, PlanFault::BadCoding, {englishNames().at(c), app::shownValue(value)});
            else
                (c == Coding ? unit.coding : unit.firmware) = number;
        }

        unit.setFile = field(Set);
        if (unit.setFile.isEmpty()) {
            problem(n, PlanFault::SetMissing);
        } else {
            unit.setPath = QDir::cleanPath(QDir(folder).absoluteFilePath(unit.setFile));
            if (!sets.contains(unit.setPath)) {
                QFile file(unit.setPath);
                if (QFileInfo(unit.setPath).isFile() && file.open(QIODevice::ReadOnly))
                    sets.insert(unit.setPath, ParameterSet::fromBytes(file.readAll()));
            }
            if (!sets.contains(unit.setPath)) {
                problem(n, PlanFault::SetUnreadable, {app::shownValue(unit.setFile)});
            } else {
                unit.set = sets.value(unit.setPath);
                if (!unit.set.complete()) {
                    QString name = app::shownValue(unit.setFile);
                    if (unit.set.fault)
                        name += QStringLiteral(" (") +
                                files::fileFaultText(*unit.set.fault,
                                                     languageId == QStringLiteral("1033")) +
                                QLatin1Char(')');
                    problem(n, PlanFault::SetIncomplete, {name});
                } else {
                    const std::vector<params::WriteProblem> bad =
                        params::checkWrite(unit.set.toWrite(), separator);
                    if (!bad.empty())
                        problem(n, PlanFault::SetValues,
                                {app::shownValue(unit.setFile),
                                 params::problemLines(bad, languageId, separator)
                                     .join(QStringLiteral("; "))});
                }
            }
        }
        if (plan.problems.size() == before)
            plan.units.push_back(std::move(unit));
    }
    // Every unit runs with its line's settings, wherever on the line they were given.
    for (PlanUnit& unit : plan.units) {
        const LineSettings& s = lines.value(unit.line);
        unit.mode = s.mode.isEmpty() ? QStringLiteral("RTU") : s.mode;
        unit.baud = s.baud.isEmpty() ? QStringLiteral("9600") : s.baud;
        unit.parity = s.parity.isNull() ? QLatin1Char('E') : s.parity;
        unit.fast = s.fast == QLatin1String("1");
    }
    if (plan.units.empty() && plan.problems.empty())
        problem(0, PlanFault::Empty);
    return plan;
}

} // namespace qtx52::commission
