// --diff A B and --diff A with the unit: the fields a write of one set would change in the other,
// named as the file names them, with both values.

#include "app/program.h"
#include "cli/runner.h"
#include "editor/frm_config.h"
#include "files/parameter_set.h"

#include <QFile>
#include <QFileInfo>

namespace qtx52::cli {

namespace {

// One line per field that differs, and the exit code.
int report(const files::ParameterSet& first, const QString& firstName,
           const files::ParameterSet& second, const QString& secondName, const CommandOutput& out,
           Language language) {
    const std::vector<files::Difference> differences = files::compareSets(first, second);
    const QString missing = cliText(CliText::DiffMissing, language);
    for (const files::Difference& d : differences)
        out.result(cliText(CliText::DiffField, language,
                           {d.name, firstName, d.first.value_or(missing), secondName,
                            d.second.value_or(missing)}));
    if (differences.empty()) {
        out.progress(cliText(CliText::DiffSame, language, {firstName, secondName}));
        return kExitOk;
    }
    out.progress(cliText(CliText::DiffCount, language,
                         {QString::number(differences.size()), firstName, secondName}));
    return kExitMismatch;
}

// A file that holds no parameter set whole is no set to compare.
std::optional<files::ParameterSet> readSet(const QString& path, const CommandOutput& out,
                                           Language language) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.progress(path + QStringLiteral(": ") + file.errorString());
        return std::nullopt;
    }
    files::ParameterSet set = files::readParameterSet(file.readAll());
    if (set.fault) {
        out.progress(
            cliText(CliText::FileRefused, language,
                    {path, files::fileFaultText(*set.fault, language == Language::English)}));
        return std::nullopt;
    }
    return set;
}

} // namespace

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int runFileDiff(const CommandLine& cl, const CommandOutput& out, Language language) {
    const std::optional<files::ParameterSet> first = readSet(cl.file, out, language);
    const std::optional<files::ParameterSet> second =
        first ? readSet(cl.otherFile, out, language) : std::nullopt;
    if (!first || !second)
        return kExitFile;
    return report(*first, QFileInfo(cl.file).fileName(), *second,
                  QFileInfo(cl.otherFile).fileName(), out, language);
}

void CommandRunner::diffWithUnit() {
    const std::optional<files::ParameterSet> file = readSet(cl_.file, out_, language_);
    if (!file) {
        finish(kExitFile);
        return;
    }
    const files::ParameterSet unit =
        files::readParameterSet(program_->frm_config().parameterFileBytes());
    finish(report(*file, QFileInfo(cl_.file).fileName(), unit,
                  cliText(CliText::DiffUnit, language_), out_, language_));
}

} // namespace qtx52::cli
