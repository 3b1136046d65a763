// --write FILE: checks every value of the parameter file before the port opens, loads it through
// the file menu, writes it with Apply and verifies what the unit holds after the read-out that
// follows.

#include "cli/runner.h"
#include "cli/runner_steps.h"

#include "app/program.h"
#include "app/shown_value.h"
#include "cli/command_ui.h"
#include "editor/frm_config.h"
#include "files/parameter_file.h"
#include "files/parameter_set.h"
#include "params/numbers.h"
#include "params/write_check.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <optional>

namespace qtx52::cli {

using namespace app;
using namespace steps;

namespace {

// The lines of the registers and coils in a parameter file: register n on line 15 + n, coil n on
// line 53 + n.
constexpr int kFirstRegisterLine = 15;
constexpr int kFirstWrittenRegister = files::ParameterValues::kFirstRegister;
constexpr int kRegisters = files::ParameterValues::kRegisters;
constexpr int kFirstCoilLine = kFirstRegisterLine + kRegisters;
constexpr int kCoils = files::ParameterValues::kCoils;
constexpr int kLangTextConfigBit = 8; // "Konfigurationsbit" / "configuration bit"

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

// The values of the file as the file menu's load reads them, and what the write makes of them.
struct CommandRunner::FileValues {
    std::array<QString, kRegisters> registers; // 0 and 1 are not loaded
    std::array<QString, kCoils> coilTexts;     // as the file has them
    std::array<int, kCoils> coils{};
    int registersRead = 0;
    int coilsRead = 0;
    bool complete() const {
        return registersRead == kRegisters - kFirstWrittenRegister && coilsRead == kCoils;
    }

    explicit FileValues(const QByteArray& bytes) {
        const files::ParameterValues v = files::readParameterValues(bytes);
        for (int i = kFirstWrittenRegister; i < kRegisters; ++i) {
            if (const std::optional<QString>& text = v.registers[std::size_t(i)]) {
                registers[std::size_t(i)] = *text;
                ++registersRead;
            }
        }
        for (int i = 0; i < kCoils; ++i) {
            bool ok = false;
            coilTexts[std::size_t(i)] = v.coils[std::size_t(i)].value_or(QString());
            const int state = coilTexts[std::size_t(i)].trimmed().toShort(&ok);
            if (ok && state >= 0 && state <= 2) {
                coils[std::size_t(i)] = state;
                ++coilsRead;
            }
        }
    }

    // Every value the write sends, with the line it stands on.
    std::vector<params::WriteValue> toWrite() const {
        std::vector<params::WriteValue> values;
        for (int i = kFirstWrittenRegister; i < kRegisters; ++i)
            values.push_back({params::WriteKind::ConfigRegister, i, registers[std::size_t(i)],
                              kFirstRegisterLine + i});
        for (int i = 0; i < kCoils; ++i)
            values.push_back(
                {params::WriteKind::ConfigCoil, i, coilTexts[std::size_t(i)], kFirstCoilLine + i});
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
    if (!file_->complete()) {
        say(text(CliText::FileIncomplete,
                 {cl_.file, QString::number(file_->registersRead),
                  QString::number(kRegisters - kFirstWrittenRegister),
                  QString::number(file_->coilsRead), QString::number(kCoils)}));
        finish(kExitFile);
        return false;
    }
    return true;
}

bool CommandRunner::checkFile() {
    const std::vector<params::WriteProblem> problems =
        params::checkWrite(file_->toWrite(), program_->g.decimalSeparator);
    if (problems.empty())
        return true;
    say(text(CliText::FileValuesRefused, {cl_.file}));
    for (const QString& line :
         params::problemLines(problems, program_->g.languageId, program_->g.decimalSeparator))
        say(QStringLiteral("  ") + line);
    finish(kExitFile);
    return false;
}

void CommandRunner::writeFile() {
    editor::frm_config& f = program_->frm_config();
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
            finish(kExitOk);
            return;
        }
        for (const QString& d : differences)
            result(d);
        say(text(CliText::FieldsDifferUnwritten, {QString::number(differences.size()), cl_.file}));
        finish(kExitMismatch);
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
        const QString& wanted = file_->registers[std::size_t(i)];
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
                     QString::number(1), QString::number(kCoils)}));
    } else {
        for (const QString& d : std::as_const(differences))
            result(d);
        say(text(CliText::FieldsDiffer, {QString::number(differences.size()), cl_.file}));
    }
    // The sheet records what the unit took, with the file's values as the intended ones.
    if (!cl_.report.isEmpty() && !writeReport(files::readParameterSet(fileBytes(cl_.file)))) {
        finish(kExitFile);
        return;
    }
    finish(differences.isEmpty() ? kExitOk : kExitMismatch);
}

} // namespace qtx52::cli
