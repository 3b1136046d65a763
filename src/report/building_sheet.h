#pragma once

// The summary sheet of a building's commissioning: the header the technician fills in once, the
// plan, one row per unit with its line, station, identity, result and the name of its own sheet,
// and the count of each result; laid out as the unit's sheet is.

#include "report/sheet_data.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace qtx52::report {

struct BuildingRow {
    QString room, line, station, coding, firmware;
    QString result;    // in the sheet's language
    bool good = false; // verified or already commissioned
    QString time;      // when the unit ended
    QString sheet;     // the unit's own sheet, by file name; empty without one
};

struct BuildingSheet {
    bool english = false;
    SheetHeader header;
    QDateTime madeAt;
    QString version;
    QString plan; // the plan's file name
    Pairs counts; // result, how many
    std::vector<BuildingRow> rows;
};

QString buildingSheetHtml(const BuildingSheet& sheet);
// Writes the sheet whole or not at all; false with the reason.
bool writeBuildingSheet(const QString& path, const BuildingSheet& sheet, QString* error = nullptr);

} // namespace qtx52::report
