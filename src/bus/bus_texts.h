#pragma once

// The texts of the bus windows (bus monitor, unit finder, the link's status line) in German and
// English, in one table, chosen by the interface language.

#include "bus/frame_meaning.h"
#include "link/link_events.h"

#include <QString>

namespace qtx52::bus {

enum class BusText {
    MonitorMenu,
    MonitorCaption,
    FinderMenu,
    FinderCaption,
    Pause,
    Follow,
    Clear,
    SaveText,
    SaveCsv,
    TextFilter,
    CsvFilter,
    SaveFailed,
    Dropped,
    ColumnTime,
    ColumnDirection,
    ColumnGap,
    ColumnHex,
    ColumnAscii,
    ColumnMeaning,
    ColumnVerdict,
    ColumnTry,
    Out,
    In,
    TryFirst,
    TryRepeat,
    Requests,
    Repeats,
    Taken,
    BadChecksum,
    OtherStation,
    Unexpected,
    Incomplete,
    Exceptions,
    GatewayNoAnswer,
    Failures,
    ResponseTime,
    LineUse, // %1 the share of the time since the port opened that frames were on the line
    Framings,
    BaudRates,
    Parities,
    ParityEven,
    ParityNone,
    ParityOdd,
    Stations,
    StationsTo,
    ProbeTimeout,
    FindAll,
    Start,
    Cancel,
    Use,
    Close,
    Remaining,
    Probing,
    Searching,
    FoundUnits,
    NoneFound,
    Cancelled,
    PortInUse,
    NothingToProbe,
    BadStations,
    BadTimeout,
    PortFailed,
    UseWhilePortOpen,
    ResultStation,
    ResultFraming,
    ResultBaud,
    ResultParity,
    ResultCoding,
    ResultFirmware,
    ResultResponseTime,
    Count
};

QString busText(BusText text, bool english);

// What the reply path did with a received frame, in words ("taken", "dropped: checksum", ...):
// the bus monitor's column, and in English the traffic log's lines, the trace and CSV.
QString verdictText(link::Verdict verdict, bool english);

} // namespace qtx52::bus
