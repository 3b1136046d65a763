#include "report/sheet_desk.h"

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "report/sheet_pdf.h"
#include "report/sheet_texts.h"

#include <QFileInfo>

namespace qtx52::report {

namespace {

bool inEnglish(const app::Program& p) {
    return p.g.languageId == app::kLanguageEnglish;
}

constexpr SheetText kFieldTexts[SheetHeaderForm::kFields] = {
    SheetText::Project, SheetText::Building, SheetText::Room, SheetText::Technician,
    SheetText::Company};
QString SheetHeader::*const kFieldMembers[SheetHeaderForm::kFields] = {
    &SheetHeader::project, &SheetHeader::building, &SheetHeader::room, &SheetHeader::technician,
    &SheetHeader::company};
constexpr int kFieldLength = 80;

} // namespace

SheetHeaderForm::SheetHeaderForm(app::Program& program)
    : form(QStringLiteral("frm_sheet_header"), this), cmd_ok(QStringLiteral("cmd_ok"), -1, this),
      cmd_cancel(QStringLiteral("cmd_cancel"), -1, this), program_(program) {
    for (int i = 0; i < kFields; ++i) {
        auto* label = new forms::Label(QStringLiteral("lbl_field"), i, this);
        label->setContainer(&form);
        lbl_field.add(i, label);
        auto* box = new forms::TextBox(QStringLiteral("txt_field"), i, this);
        box->setContainer(&form);
        box->setMaxLength(kFieldLength);
        txt_field.add(i, box);
    }
    cmd_ok.setContainer(&form);
    cmd_cancel.setContainer(&form);
    auto close = [this](bool ok) {
        accepted_ = ok;
        form.setVisible(false);
    };
    connect(&cmd_ok, &forms::CommandButton::click, this, [close] { close(true); });
    connect(&cmd_cancel, &forms::CommandButton::click, this, [close] { close(false); });
    connect(&form, &forms::Form::closeRequested, this, [close] { close(false); });
}

std::optional<SheetHeader> SheetHeaderForm::ask() {
    const bool en = inEnglish(program_);
    form.setCaption(sheetText(SheetText::HeaderTitle, en));
    cmd_ok.setCaption(sheetText(SheetText::Ok, en));
    cmd_cancel.setCaption(sheetText(SheetText::Cancel, en));
    SheetHeader h = SheetHeader::load(program_.stores);
    for (int i = 0; i < kFields; ++i) {
        lbl_field(i).setCaption(sheetText(kFieldTexts[i], en));
        txt_field(i).setText(h.*kFieldMembers[i]);
    }
    accepted_ = false;
    form.setLoaded(true);
    form.setVisible(true);
    program_.ui.showModal(form);
    form.setVisible(false);
    form.setLoaded(false);
    if (!accepted_)
        return std::nullopt;
    for (int i = 0; i < kFields; ++i)
        h.*kFieldMembers[i] = txt_field(i).text().trimmed();
    return h;
}

SheetDesk::SheetDesk(app::Program& program)
    : mnuSheet(QStringLiteral("mnuSheet"), -1, this), header(program),
      now([] { return QDateTime::currentDateTime(); }), program_(program), stats_(program.clock) {
    program_.linkEvents.add(&stats_);
    editor::frm_config& w = program.frm_config();
    mnuSheet.setEnabled(false);
    connect(&mnuSheet, &forms::MenuItem::click, this, [this] { mnuSheet_Click(); });
    connect(&w, &editor::frm_config::monitorRangeRead, this, [this, &w] {
        if (w.chk_read_out->value() == 1)
            live_ = snapshotOf(w, now());
        else
            mnuSheet.setEnabled(true); // a read-out has reached the live values
    });
    // The set that "Werte übernehmen" writes is the intended one; the read-out after the write
    // shows what the unit took.
    connect(w.set_parameter, &forms::CommandButton::click, this, [this, &w] {
        written_ = files::readParameterSet(w.parameterFileBytes());
        writtenAt_ = now().toString(QStringLiteral("HH:mm:ss"));
    });
    applyTexts();
}

SheetDesk::~SheetDesk() {
    program_.linkEvents.remove(&stats_);
}

void SheetDesk::applyTexts() {
    mnuSheet.setCaption(sheetText(SheetText::Menu, inEnglish(program_)));
}

SheetInputs SheetDesk::inputs(const QString& fileName) const {
    SheetInputs in;
    in.intended = written_;
    if (written_)
        in.intendedFrom = (inEnglish(program_) ? QStringLiteral("the set written at %1")
                                               : QStringLiteral("dem um %1 geschriebenen Satz"))
                              .arg(writtenAt_);
    in.live = live_;
    in.stats = &stats_;
    in.attachmentName = fileName;
    in.attachment = program_.frm_config().parameterFileBytes();
    in.madeAt = now();
    return in;
}

void SheetDesk::mnuSheet_Click() {
    const bool en = inEnglish(program_);
    const std::optional<SheetHeader> h = header.ask();
    if (!h)
        return;
    if (!h->save(program_.stores))
        program_.ui.messageBox(
            sheetText(SheetText::CannotWrite, en).arg(program_.stores.userFile, QString()),
            app::kAppTitle);
    const std::optional<QString> path =
        program_.ui.saveFileName(sheetText(SheetText::FileFilter, en));
    if (!path || path->isEmpty())
        return;
    const QString attachment = QFileInfo(*path).completeBaseName() + QStringLiteral(".txt");
    QString error;
    if (!writeSheet(*path, collectSheet(program_, inputs(attachment)), &error))
        program_.ui.messageBox(sheetText(SheetText::CannotWrite, en).arg(*path, error),
                               app::kAppTitle);
}

} // namespace qtx52::report
