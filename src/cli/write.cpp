// --write FILE: reads the parameter file by its labels and checks what needs no unit before the
// port opens; reads the unit out, refuses a file of another kind of unit and checks the changed
// values against the editor's limits; lists the fields that will change, loads the file through
// the file menu, writes it with Apply and verifies what the unit holds after the read-out that
// follows.

#include "cli/runner.h"
#include "cli/runner_steps.h"

#include "app/program.h"
#include "app/shown_value.h"
#include "cli/command_ui.h"
#include "editor/frm_config.h"
#include "files/file_labels.h"
#include "files/parameter_set.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "params/write_check.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <optional>

namespace qtx52::cli {

using namespace app;
using namespace steps;

namespace {

constexpr int kFirstWrittenRegister = params::kConfigWriteFirst;
constexpr int kRegisters = files::kFileRegisters;
constexpr int kCoils = files::kFileCoils;
constexpr int kLangTextConfigBit = 8; // "Konfigurationsbit" / "configuration bit"
constexpr int kDeviceCoding = 0;
constexpr int kFirmware = 1;

// Why a file cannot be read, in words of the table.
CliText unreadable(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return CliText::FileMissing;
    if (info.isDir())
        return CliText::FileIsFolder;
    if (!info.isReadable())
        return CliText::FileNoPermission;
    return CliText::FileUnreadable;
}

} // namespace

// The file as the file menu's load reads it, by its labels, and what the write makes of it.
struct CommandRunner::FileValues {
    QByteArray bytes;
    files::LabelledFile file;
    std::array<int, kCoils> coils{};

    explicit FileValues(const QByteArray& fileBytes)
        : bytes(fileBytes), file(files::readLabelledFile(fileBytes)) {
        for (int i = 0; i < kCoils; ++i)
            coils[std::size_t(i)] = file.coils[std::size_t(i)].trimmed().toShort();
    }

    // Every value the write sends, with the line it stands on; with the unit's values once it
    // has been read out, so that a value the unit already holds goes back as it is.
    std::vector<params::WriteValue> toWrite(const Global* unit) const {
        std::vector<params::WriteValue> values;
        for (int i = kFirstWrittenRegister; i < kRegisters; ++i) {
            std::optional<double> held;
            if (unit && unit->unitValuesRead)
                held = unit->refDataCfg[std::size_t(i)];
            values.push_back({params::WriteKind::ConfigRegister, i, file.registers[std::size_t(i)],
                              file.registerLines[std::size_t(i)], held});
        }
        for (int i = 0; i < kCoils; ++i)
            values.push_back({params::WriteKind::ConfigCoil, i, file.coils[std::size_t(i)],
                              file.coilLines[std::size_t(i)]});
        return values;
    }
};

void CommandRunner::FileValuesDelete::operator()(FileValues* values) const {
    delete values;
}

bool CommandRunner::readFile() {
    QFile file(cl_.file);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        say(text(unreadable(cl_.file), {cl_.file}));
        finish(kExitFile);
        return false;
    }
    file_.reset(new FileValues(bytes));
    if (const std::optional<files::FileFault>& fault = file_->file.fault) {
        say(text(CliText::FileRefused,
                 {cl_.file, files::fileFaultText(*fault, language_ == Language::English)}));
        finish(kExitFile);
        return false;
    }
    return true;
}

bool CommandRunner::checkFile(bool unitRead) {
    // Before the port opens only what needs no unit: numbers, coil states, the register's 16 bits
    // and decimals. The editor's limits wait for the read-out, since a value the unit already
    // holds goes back as it is.
    const std::vector<params::WriteProblem> problems =
        unitRead ? params::checkWrite(file_->toWrite(&program_->g), program_->g.decimalSeparator)
                 : params::checkWrite(file_->toWrite(nullptr), program_->g.decimalSeparator,
                                      params::WriteChecks::Encoding);
    if (problems.empty())
        return true;
    say(text(CliText::FileValuesRefused, {cl_.file}));
    for (const QString& line :
         params::problemLines(problems, program_->g.languageId, program_->g.decimalSeparator))
        say(QStringLiteral("  ") + line);
    finish(kExitFile);
    return false;
}

bool CommandRunner::sameKindOfUnit() {
    // Registers 0 and 1 are never written: they say which unit the file was saved from.
    const Global& g = program_->g;
    const QString unitCoding =
        params::formatNumber(g.refDataCfg[kDeviceCoding], g.decimalSeparator);
    const QString& fileCoding = file_->file.registers[kDeviceCoding];
    if (!files::sameValue(fileCoding, unitCoding)) {
        say(text(CliText::OtherKindOfUnit,
                 {cl_.file, shownValue(fileCoding.trimmed()), unitCoding}));
        finish(kExitOtherUnit);
        return false;
    }
    const QString unitFirmware = params::formatNumber(g.refDataCfg[kFirmware], g.decimalSeparator);
    const QString& fileFirmware = file_->file.registers[kFirmware];
    if (!files::sameValue(fileFirmware, unitFirmware))
        say(text(CliText::OtherFirmware,
                 {cl_.file, shownValue(fileFirmware.trimmed()), unitFirmware}));
    return true;
}

void CommandRunner::listChanges() {
    // What the unit holds now is the file the editor would save after the read-out.
    const files::ParameterSet unit =
        files::readParameterSet(program_->frm_config().parameterFileBytes());
    const std::vector<files::Difference> changes =
        files::compareSets(files::readParameterSet(file_->bytes), unit);
    changes_ = int(changes.size());
    if (changes.empty())
        return;
    result(text(CliText::ChangesHeading, {QString::number(changes_)}));
    for (const files::Difference& d : changes)
        result(text(CliText::Change, {d.name, shownValue(d.second.value_or(QString())),
                                      shownValue(d.first.value_or(QString()))}));
}

void CommandRunner::writeFile() {
    editor::frm_config& f = program_->frm_config();
    // Nothing is sent to a unit of another kind, nor a value the editor does not let the field
    // hold unless the unit holds it already.
    if (!sameKindOfUnit() || !checkFile(true))
        return;
    listChanges();
    step(text(CliText::Loading, {cl_.file}));
    const int messages = ui_->messageCount();
    ui_->answerOpen(cl_.file);
    f.ParMenüMain_Click(kMenuLoad);
    if (ui_->messageCount() != messages) {
        finish(kExitFile);
        return;
    }
    // The file carries the station it was saved from; the unit written is the one the command
    // line names, so that one file can commission any number of units.
    const QString station = QString::number(cl_.link.address);
    if (f.txt_Modbus_adress->text() != station) {
        step(text(CliText::OtherStation, {shownValue(f.txt_Modbus_adress->text()), station}));
        f.txt_Modbus_adress->setText(station);
    }

    step(text(CliText::Writing));
    f.set_parameter->userClick();
    if (nothingToWrite_) {
        // The editor found nothing changed; that is only said when the unit holds the file.
        const QStringList differences = differencesFromFile();
        if (differences.isEmpty()) {
            result(text(CliText::NothingToWrite, {cl_.file}));
        } else {
            for (const QString& d : differences)
                result(d);
            say(text(CliText::FieldsDifferUnwritten,
                     {QString::number(differences.size()), cl_.file}));
        }
        // The unit was read and compared with the file as after a write: the sheet records it.
        if (!cl_.report.isEmpty() && !writeReport(files::readParameterSet(fileBytes(cl_.file)))) {
            finish(kExitFile);
            return;
        }
        finish(differences.isEmpty() ? kExitOk : kExitMismatch);
        return;
    }
    if (program_->g.commState != 2) {
        say(text(CliText::WriteNotStarted));
        finish(kExitLink);
        return;
    }
    phase_ = Phase::WritingBack;
    startWaiting(kWriteBackRequests);
}

QStringList CommandRunner::differencesFromFile() const {
    // What the unit holds is what the last read-out gave the editor: its reference values.
    const Global& g = program_->g;
    using params::WriteKind;
    QStringList differences;
    for (int i = kFirstWrittenRegister; i < kRegisters; ++i) {
        const QString& wanted = file_->file.registers[std::size_t(i)];
        const double held = g.refDataCfg[std::size_t(i)];
        const std::optional<double> value = params::writeNumber(wanted, g.decimalSeparator);
        if (!value || *value != held)
            differences << text(CliText::Difference,
                                {params::fileFieldName(WriteKind::ConfigRegister, i, g.languageId),
                                 shownValue(wanted),
                                 params::formatNumber(held, g.decimalSeparator)});
    }
    for (int i = 0; i < kCoils; ++i) {
        const int wanted = file_->coils[std::size_t(i)];
        const int held = g.refCfgBits[std::size_t(i)];
        if (wanted != held)
            differences << text(CliText::CoilDifference,
                                {params::fileFieldName(WriteKind::ConfigCoil, i, g.languageId),
                                 QString::number(wanted), QString::number(held)});
    }
    return differences;
}

void CommandRunner::verify() {
    const QStringList differences = differencesFromFile();
    if (differences.isEmpty()) {
        result(text(CliText::Verified,
                    {cl_.file, QString::number(kFirstWrittenRegister + 1),
                     QString::number(kRegisters), program_->g.langTexts[kLangTextConfigBit],
                     QString::number(1), QString::number(kCoils), QString::number(changes_)}));
    } else {
        for (const QString& d : std::as_const(differences))
            result(d);
        say(text(CliText::FieldsDiffer, {QString::number(differences.size()), cl_.file}));
    }
    // The sheet records what the unit took, with the file's values as the intended ones.
    if (!cl_.report.isEmpty() && !writeReport(files::readParameterSet(file_->bytes))) {
        finish(kExitFile);
        return;
    }
    finish(differences.isEmpty() ? kExitOk : kExitMismatch);
}

} // namespace qtx52::cli
