#pragma once

// The commissioning plan: one row per unit of a building, read from a CSV file as spreadsheets
// save it. Everything is read and checked before anything is sent: a plan with any fault is
// refused whole, each fault named with its plan line.
//
// Columns (English or German names, any order, each at most once): line, station, mode, baud,
// parity, room, set, and optionally coding, firmware and fast. The line's settings (mode, baud,
// parity, fast) may stand on one row of the line and be left empty on the others; a line that
// never gives them runs at the unit's factory settings (RTU, 9600, even) and at the pacing.

#include "app/language.h"
#include "commission/parameter_set.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qtx52::commission {

struct PlanUnit {
    int planLine = 0; // the unit's line in the plan file, the header being line 1
    QString line;     // a device path, tcp://HOST:PORT, a port number 1..8 or sim:NAME
    int station = 0;  // 1..63
    QString mode;     // "RTU" or "ASCII"
    QString baud;     // "9600" .. "57600"
    QChar parity;     // 'N', 'E' or 'O'
    QString room;     // free text, unique in the plan
    QString setFile;  // as the plan names it
    QString setPath;  // found from the plan's folder
    ParameterSet set;
    std::optional<int> coding;   // register 0 as the unit must report it
    std::optional<int> firmware; // register 1
    bool fast = false; // fast reads on the unit's line: each read follows the reply before it
};

enum class PlanFault {
    Unreadable,     // the plan file cannot be read
    Empty,          // no header row
    UnknownColumn,  // a header name that is no column
    DoubledColumn,  // a column named twice
    MissingColumn,  // a column that must be there is not
    FieldCount,     // a row with more fields than the header
    OpenQuote,      // a quote that is never closed
    NoLine,         // the line is empty
    BadLine,        // not a device, tcp://HOST:PORT, 1..8 or sim:NAME
    BadStation,     // not a whole number 1..63
    StationTwice,   // the station stands twice on its line
    BadMode,        // not RTU or ASCII
    BadBaud,        // not 9600, 19200, 38400 or 57600
    BadParity,      // not N, E or O
    SettingsDiffer, // the line's settings differ from an earlier row of the line
    NoRoom,         // the room is empty
    RoomTwice,      // the room (or its results file name) stands twice
    BadCoding,      // coding or firmware not a whole number 0..65535
    SetMissing,     // no set named
    SetUnreadable,  // the set file cannot be read
    SetIncomplete,  // the set file lacks values
    SetValues,      // a value of the set does not pass the check before a write
    BadFast,        // fast is neither yes nor no
};

struct PlanProblem {
    int planLine = 0; // 0: the file as a whole
    PlanFault fault;
    QStringList args;
};

struct Plan {
    std::vector<PlanUnit> units;
    std::vector<PlanProblem> problems;
    QString path; // the plan file, when read from one
    bool ok() const { return problems.empty() && !units.empty(); }
};

// Reads and checks the plan. Relative set paths are found from the plan's folder; the set's
// values are checked with the number format of `separator`, the problem texts of a set's values
// are in the language of `languageId`.
Plan readPlan(const QString& path, const QString& separator, const QString& languageId);
Plan parsePlan(const QByteArray& bytes, const QString& folder, const QString& separator,
               const QString& languageId);

// The plan's text: UTF-8 when it is valid UTF-8 (a byte order mark dropped), Latin-1 otherwise.
QString decodePlanText(const QByteArray& bytes);

// One problem as a line: "Zeile 4: …" / "line 4: …".
QString problemText(const PlanProblem& problem, app::Language language);

// The name of a room's results file: the room with every character that a file name cannot hold
// on any of the systems the program runs on replaced by "_".
QString roomFileName(const QString& room);

} // namespace qtx52::commission
