#pragma once

// Every line the commands without a window print, in German and English. The commands speak the
// interface's language as the window does: the technician's choice in the user store, else the
// machine store's "Language" (German unless it is the English code). The trace of --trace is the
// traffic log's, in English like the bus monitor's saved text.

#include "app/language.h"
#include "settings/store_paths.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace qtx52::cli {

using app::Language;

enum class CliText {
    // Usage errors of the command line.
    UsageTryHelp,
    UsageUnknownOption,
    UsageMissingValue,
    UsageUnexpectedValue,
    UsageUnexpectedArgument,
    UsageOneCommand,
    UsageMonitorCycles,
    UsageScanOptions,
    UsageLog,
    UsageScanStations,
    UsageProbeTimeout,
    UsageGatewayTimeout,
    UsageNeedsFile,
    UsageOneTarget,
    UsagePort,
    UsageBaud,
    UsageParity,
    UsageMode,
    UsageAddress,
    UsageSimOptions,
    UsageSimStation,
    UsageSimMode,
    UsageSimBaud,
    UsageSimParity,
    UsageNoCommand,
    NoCliInBuild,
    NoDisplay,
    // The file of --write.
    FileUnreadable,
    FileMissing,
    FileNoPermission,
    FileIsFolder,
    FileRefused,
    FileValuesRefused,
    OtherKindOfUnit,
    OtherFirmware,
    // Link and steps.
    SelectorsRefuse,
    Opening,
    SimulatedUnit,
    PortNotOpened,
    ReadingOut,
    ReadOutNotStarted,
    Saving,
    Saved,
    Loading,
    OtherStation,
    ChangesHeading,
    Change,
    Writing,
    WriteNotStarted,
    ReadingBack,
    NothingToWrite,
    Difference,
    CoilDifference,
    Verified,
    FieldsDiffer,
    FieldsDifferUnwritten,
    Monitoring,
    MonitoringUntilInterrupted,
    MonitorNotStarted,
    StillWaiting,
    NotInTime,
    EndedEarly,
    LinkCounters, // %1 the counters in words
    Interrupted,  // %1 cycles
    // --scan.
    ScanProbing,      // %1 setting, %2-%3 stations, %4 of %5 settings, %6 s left at most
    ScanDeviceServer, // %1 the server's address
    ScanNoneFound,    // %1 probes, %2 settings, %3 s
    ScanOneFound,     // %1 probes, %2 settings, %3 s
    ScanFound,        // %1 units, %2 probes, %3 settings, %4 s
    ScanPortInUse,
    ScanNothingToProbe,
    ScanPortFailed, // %1 the device and the reason
    UsageReport,
    UsageDiff,
    DiffSame,    // %1, %2 the two sets
    DiffField,   // %1 field, %2 first set, %3 its value, %4 second set, %5 its value
    DiffCount,   // %1 fields, %2, %3 the two sets
    DiffMissing, // a field a set lacks
    DiffUnit,    // the unit as the second set
    ReportWritten,
    ReportFailed, // %1 file, %2 reason
    UsageCommissionOptions,
    UsageCommissionOut,
    UsageCommissionTarget,
};

struct CliTextEntry {
    CliText id;
    QString de;
    QString en;
};
const std::vector<CliTextEntry>& cliTextTable();

// The text in the language, %1.. filled from the arguments at once (a value holding "%2" stays as
// it is).
QString cliText(CliText id, Language language, const QStringList& args = {});

// The language of the interface as the stores give it (see app::interfaceLanguageId).
Language storeLanguage(const settings::StorePaths& stores);
Language languageOf(const QString& languageId);

} // namespace qtx52::cli
