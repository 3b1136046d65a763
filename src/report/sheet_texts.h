#pragma once

// Every text of the commissioning sheet and its window entries, in German and English.

#include <QString>

namespace qtx52::report {

enum class SheetText {
    Title,
    Project,
    Building,
    Room,
    Technician,
    Company,
    MadeAt,
    ProgramVersion,
    Unit,
    Coding,
    Firmware,
    Station,
    Line,
    Framing,
    BaudRate,
    Parity,
    ResponseTime,
    Parameters,
    Parameter,
    Value,
    Intended,
    Differs,      // the column of the marks
    Mark,         // the mark itself
    DiffersCount, // %1 fields differ from the intended set
    SameAsIntended,
    IntendedFrom, // %1 where the intended values come from
    ConfigBits,
    LiveValues,   // %1 time of the snapshot
    NoLiveValues, // the monitor did not run
    LinkCounters,
    Requests,
    Repeats,
    Taken,
    BadChecksum,
    Failures,
    ResponseTimes, // %1 min, %2 max
    Signatures,
    SignatureTechnician,
    SignatureOwner,
    DatePlace,
    Attached, // %1 file name
    Page,     // %1 page, %2 pages
    On,
    Off,
    Menu,        // the file menu's entry
    FileFilter,  // the save-file question
    HeaderTitle, // the window of the header fields
    Ok,
    Cancel,
    CannotWrite, // %1 file, %2 reason
    NoParity,
    EvenParity,
    OddParity,
};

QString sheetText(SheetText which, bool english);

} // namespace qtx52::report
