#pragma once

// What a commissioning sheet holds, gathered from the program after a read-out: the header the
// technician fills in once (kept in the user store), the unit's identity and line, every
// configuration parameter by tab and heading as the window shows them, with the intended value
// and a mark where a set was written or a file compared, the configuration bits, the live values
// of the last monitor cycle, the link's counters and the parameter file that travels inside.

#include "files/parameter_set.h"
#include "settings/store_paths.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace qtx52::app {
class Program;
}
namespace qtx52::bus {
class LinkStats;
}
namespace qtx52::editor {
class frm_config;
}

namespace qtx52::report {

using Pairs = std::vector<std::pair<QString, QString>>;

// The fields the technician fills in once.
struct SheetHeader {
    QString project, building, room, technician, company;

    static SheetHeader load(const settings::StorePaths& stores);
    // False when the user store could not be written.
    bool save(const settings::StorePaths& stores) const;
    bool operator==(const SheetHeader&) const = default;
};

struct SheetRow {
    enum class Kind { Tab, Frame, Heading, Value };
    Kind kind = Kind::Value;
    QString name;
    QString value;    // with its unit
    QString intended; // with its unit; empty without an intended set
    bool differs = false;
};

struct LiveSnapshot {
    QDateTime at;
    Pairs values; // name, value with unit or word
};

// What the program itself cannot know: where the intended values and the snapshot come from,
// and the file to attach.
struct SheetInputs {
    std::optional<files::ParameterSet> intended;
    QString intendedFrom; // the file's name, or the editor's set that was written
    std::optional<LiveSnapshot> live;
    const bus::LinkStats* stats = nullptr;
    QString attachmentName;
    QByteArray attachment;
    QDateTime madeAt; // now when unset
    // The line as its owner names it (a plan's line); empty: the window's port and its device.
    QString line;
};

struct SheetData {
    bool english = false;
    SheetHeader header;
    QDateTime madeAt;
    QString version;
    Pairs identity;
    std::vector<SheetRow> rows;
    bool hasIntended = false;
    QString intendedFrom;
    int differences = 0;
    QString configBits;
    std::optional<LiveSnapshot> live;
    Pairs counters;
    QString attachmentName;
    QByteArray attachment;
};

SheetData collectSheet(app::Program& program, const SheetInputs& inputs);

// The monitor's values as the Monitor tab shows them now.
LiveSnapshot snapshotOf(const editor::frm_config& w, const QDateTime& at);

// "09.12.2026 08:15:02 (UTC+01:00)" or "2026-12-09 08:15:02 (UTC+01:00)".
QString stampText(const QDateTime& at, bool english);

} // namespace qtx52::report
