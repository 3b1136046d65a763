// --report FILE.pdf beside --read-out and --write: the commissioning sheet of the unit as it
// stands after the command, with the command's parameter file attached inside.

#include "bus/bus_watch.h"
#include "cli/runner.h"
#include "files/parameter_set.h"
#include "report/sheet_data.h"
#include "report/sheet_pdf.h"

#include <QFileInfo>

namespace qtx52::cli {

bool CommandRunner::writeReport(const std::optional<files::ParameterSet>& intended) {
    report::SheetInputs in;
    in.intended = intended;
    in.intendedFrom = QFileInfo(cl_.file).fileName();
    in.stats = bus_ ? &bus_->stats : nullptr;
    in.attachmentName = QFileInfo(cl_.file).fileName();
    in.attachment = fileBytes(cl_.file);
    QString error;
    if (!report::writeSheet(cl_.report, report::collectSheet(*program_, in), &error)) {
        say(text(CliText::ReportFailed, {cl_.report, error}));
        return false;
    }
    result(text(CliText::ReportWritten, {cl_.report}));
    return true;
}

} // namespace qtx52::cli
