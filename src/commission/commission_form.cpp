#include "commission/commission_form.h"

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "bus/finder_form.h"
#include "commission/sim_building.h"
#include "commission/window_texts.h"
#include "editor/frm_config.h"
#include "link/commport.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <map>

namespace qtx52::commission {

namespace {

bool simulated(const QString& line) {
    return line.startsWith(QLatin1String("sim:"));
}

} // namespace

PortMaker windowLines(Building& building, PortMaker realLine) {
    PortMaker simulatedLine = building.maker();
    return [simulatedLine, realLine](const QString& line) -> std::unique_ptr<LinePort> {
        if (simulated(line))
            return simulatedLine(line);
        return realLine ? realLine(line) : nullptr;
    };
}

CommissionForm::CommissionForm(app::Program& program, PortMaker realLine)
    : form(QStringLiteral("frmCommission"), this), frm_plan(QStringLiteral("frm_plan"), -1, this),
      lbl_plan(QStringLiteral("lbl_plan"), -1, this), lbl_out(QStringLiteral("lbl_out"), -1, this),
      txt_plan(QStringLiteral("txt_plan"), -1, this), txt_out(QStringLiteral("txt_out"), -1, this),
      cmd_plan(QStringLiteral("cmd_plan"), -1, this), cmd_out(QStringLiteral("cmd_out"), -1, this),
      chk_dry_run(QStringLiteral("chk_dry_run"), -1, this),
      chk_again(QStringLiteral("chk_again"), -1, this),
      cmd_start(QStringLiteral("cmd_start"), -1, this),
      cmd_cancel(QStringLiteral("cmd_cancel"), -1, this),
      cmd_open(QStringLiteral("cmd_open"), -1, this),
      prg_units(QStringLiteral("prg_units"), -1, this),
      lbl_progress(QStringLiteral("lbl_progress"), -1, this),
      lbl_state(QStringLiteral("lbl_state"), -1, this), program_(program),
      realLine_(std::move(realLine)) {
    frm_plan.setContainer(&form);
    for (forms::Control* c :
         std::initializer_list<forms::Control*>{&lbl_plan, &lbl_out, &txt_plan, &txt_out, &cmd_plan,
                                                &cmd_out, &chk_dry_run, &chk_again})
        c->setContainer(&frm_plan);
    for (forms::Control* c : std::initializer_list<forms::Control*>{
             &cmd_start, &cmd_cancel, &cmd_open, &prg_units, &lbl_progress, &lbl_state})
        c->setContainer(&form);
    prg_units.setMin(0);
    prg_units.setMax(1);
    prg_units.setValue(0);

    connect(&txt_plan, &forms::TextBox::change, this, [this] { readPlanFile(); });
    connect(&txt_out, &forms::TextBox::change, this, [this] { followOutFolder(); });
    connect(&cmd_plan, &forms::CommandButton::click, this, [this] { cmd_plan_Click(); });
    connect(&cmd_out, &forms::CommandButton::click, this, [this] { cmd_out_Click(); });
    connect(&cmd_start, &forms::CommandButton::click, this, [this] { cmd_start_Click(); });
    connect(&cmd_cancel, &forms::CommandButton::click, this, [this] { cmd_cancel_Click(); });
    connect(&cmd_open, &forms::CommandButton::click, this, [this] { cmd_open_Click(); });
    connect(&form, &forms::Form::closeRequested, this, [this] { Form_Close(); });

    applyTexts();
    showRunning(false);
    followOutFolder();
    form.setLoaded(true);
    form.setVisible(false);
}

CommissionForm::~CommissionForm() {
    if (run_) {
        run_->onFinished = nullptr;
        run_->onUnit = nullptr;
        run_->onSkipped = nullptr;
        run_->say = nullptr;
    }
    run_.reset();
    building_.reset();
    // The main window is given back even when the program ends during a run.
    if (disabledMainWindow_ && program_.frm_configLoaded())
        program_.frm_config().form.setEnabled(true);
}

app::Language CommissionForm::language() const {
    return program_.g.languageId == app::kLanguageEnglish ? app::Language::English
                                                          : app::Language::German;
}

void CommissionForm::applyTexts() {
    const app::Language l = language();
    form.setCaption(windowText(WindowText::Caption, l));
    lbl_plan.setCaption(windowText(WindowText::Plan, l));
    lbl_out.setCaption(windowText(WindowText::Out, l));
    cmd_plan.setCaption(windowText(WindowText::ChoosePlan, l));
    cmd_out.setCaption(windowText(WindowText::ChoosePlan, l));
    chk_dry_run.setCaption(windowText(WindowText::DryRun, l));
    chk_again.setCaption(windowText(WindowText::Again, l));
    cmd_start.setCaption(windowText(WindowText::Start, l));
    cmd_cancel.setCaption(windowText(WindowText::Cancel, l));
    cmd_open.setCaption(windowText(WindowText::OpenFolder, l));
}

QStringList CommissionForm::columnTitles() const {
    const app::Language l = language();
    return {windowText(WindowText::ColumnRoom, l),    windowText(WindowText::ColumnLine, l),
            windowText(WindowText::ColumnStation, l), windowText(WindowText::ColumnState, l),
            windowText(WindowText::ColumnResult, l),  windowText(WindowText::ColumnTime, l)};
}

QString CommissionForm::cell(int row, int column) const {
    if (row < 0 || row >= rowCount())
        return {};
    const Row& r = rows_[std::size_t(row)];
    const app::Language l = language();
    switch (column) {
    case Room:
        return r.unit.room;
    case Line:
        return r.unit.line;
    case Station:
        return QString::number(r.unit.station);
    case State:
        switch (r.state) {
        case RowState::Waiting:
            return windowText(WindowText::Waiting, l);
        case RowState::Running:
            return windowText(WindowText::Running, l);
        case RowState::Done:
            return windowText(WindowText::Done, l);
        case RowState::DoneBefore:
            return windowText(WindowText::DoneBefore, l);
        }
        return {};
    case Outcome:
        return r.record ? resultText(r.record->result, l) : QString();
    case Time: {
        if (!r.record)
            return {};
        QString seconds = QString::number(double(r.record->durationMs) / 1000.0, 'f', 1);
        seconds.replace(QLatin1Char('.'), program_.g.decimalSeparator.isEmpty()
                                              ? QStringLiteral(".")
                                              : program_.g.decimalSeparator);
        return windowText(WindowText::Seconds, l).arg(seconds);
    }
    default:
        return {};
    }
}

QString CommissionForm::note(int row) const {
    if (row < 0 || row >= rowCount() || !rows_[std::size_t(row)].record)
        return {};
    const UnitRecord& r = *rows_[std::size_t(row)].record;
    QStringList lines;
    if (!r.reason.isEmpty())
        lines << r.reason;
    lines << r.differences;
    return lines.join(QLatin1Char('\n'));
}

QString CommissionForm::defaultOut(const QString& planPath) const {
    const QFileInfo info(planPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-results"));
}

void CommissionForm::cmd_plan_Click() {
    if (running_)
        return;
    const std::optional<QString> name =
        program_.ui.openFileName(windowText(WindowText::PlanFilter, language()));
    if (name)
        txt_plan.setText(*name);
}

void CommissionForm::cmd_out_Click() {
    if (running_)
        return;
    // The dialog opens at the folder named now, or where it would be made.
    QString start = txt_out.text().trimmed();
    while (!start.isEmpty() && !QFileInfo(start).isDir() && QFileInfo(start).path() != start)
        start = QFileInfo(start).path();
    if (const std::optional<QString> name = program_.ui.folderName(start))
        txt_out.setText(*name);
}

void CommissionForm::readPlanFile() {
    const QString path = txt_plan.text().trimmed();
    // The results go beside the plan unless the person chose another folder.
    if (!path.isEmpty() && (txt_out.text().isEmpty() || txt_out.text() == defaultOut_)) {
        defaultOut_ = defaultOut(path);
        txt_out.setText(defaultOut_);
    }
    if (path.isEmpty()) {
        showPlan(Plan{});
        lbl_state.setCaption(QString());
        return;
    }
    showPlan(readPlan(path, program_.g.decimalSeparator, program_.g.languageId));
}

void CommissionForm::showPlan(const Plan& plan) {
    rows_.clear();
    rowOfRoom_.clear();
    QSet<QString> lines;
    for (const PlanUnit& unit : plan.units) {
        rowOfRoom_.insert(unit.room, int(rows_.size()));
        rows_.push_back(Row{unit, RowState::Waiting, std::nullopt});
        lines.insert(unit.line);
    }
    emit rowsReset();
    prg_units.setMax(std::max(1, rowCount()));
    prg_units.setValue(0);
    lbl_progress.setCaption(QString());
    const app::Language l = language();
    if (plan.ok()) {
        lbl_state.setCaption(
            windowText(WindowText::PlanReady, l).arg(rowCount()).arg(lines.size()));
        return;
    }
    QStringList text{windowText(WindowText::PlanFaults, l)};
    for (const PlanProblem& problem : plan.problems)
        text << problemText(problem, l);
    if (plan.problems.empty())
        text << problemText(PlanProblem{0, PlanFault::Empty, {}}, l);
    lbl_state.setCaption(text.join(QLatin1Char('\n')));
}

void CommissionForm::refuse(const QString& text) {
    lbl_state.setCaption(text);
    program_.ui.messageBox(text, app::kAppTitle);
}

void CommissionForm::followOutFolder() {
    const QString dir = txt_out.text().trimmed();
    cmd_open.setEnabled(!dir.isEmpty() && QFileInfo(dir).isDir());
}

void CommissionForm::showRunning(bool on) {
    frm_plan.setEnabled(!on);
    cmd_start.setEnabled(!on);
    cmd_cancel.setEnabled(on);
}

void CommissionForm::cmd_start_Click() {
    if (running_)
        return;
    const app::Language l = language();
    // The main window's port is its own while open, and a line of the plan may be that device.
    if (program_.g.portOpen || program_.port.portOpen()) {
        refuse(windowText(WindowText::PortOpen, l));
        return;
    }
    editor::frm_config& main = program_.frm_config();
    if (!main.form.enabled()) {
        refuse(windowText(WindowText::MainWindowBusy, l));
        return;
    }
    // The plan and its sets as they are now on disk, checked whole before anything is sent.
    const QString path = txt_plan.text().trimmed();
    const Plan plan = readPlan(path, program_.g.decimalSeparator, program_.g.languageId);
    showPlan(plan);
    if (!plan.ok()) {
        QStringList text{windowText(WindowText::NothingSent, l)};
        for (const PlanProblem& problem : plan.problems)
            text << problemText(problem, l);
        if (plan.problems.empty())
            text << problemText(PlanProblem{0, PlanFault::Empty, {}}, l);
        refuse(text.join(QLatin1Char('\n')));
        return;
    }
    const bool dryRun = chk_dry_run.value() == 1;
    const QString out = txt_out.text().trimmed();
    if (out.isEmpty() && !dryRun) {
        refuse(windowText(WindowText::NoOut, l));
        return;
    }

    run_.reset();
    building_ = std::make_unique<Building>(program_.clock);
    std::map<QString, QList<int>> stations;
    for (const PlanUnit& unit : plan.units)
        if (simulated(unit.line))
            stations[unit.line] << unit.station;
    for (const auto& [line, addresses] : stations)
        building_->addStations(line, addresses);

    RunOptions options;
    options.dryRun = dryRun;
    options.again = chk_again.value() == 1;
    run_ = std::make_unique<Run>(program_.clock, program_.stores,
                                 windowLines(*building_, realLine_), options);
    QString refusal;
    run_->say = [this, &refusal](const QString& text) {
        refusal = text;
        lbl_state.setCaption(text);
    };
    run_->onUnit = [this](const UnitRecord& r) { unitEnded(r.room, r); };
    run_->onSkipped = [this](const PlanUnit& unit) { unitEnded(unit.room, std::nullopt); };
    run_->onFinished = [this] { finished(); };

    running_ = true;
    cancelled_ = false;
    hideWhenDone_ = false;
    showRunning(true);
    lbl_state.setCaption(QString());
    // While the run has the lines, the main window stays out of its way.
    main.form.setEnabled(false);
    disabledMainWindow_ = true;
    if (!run_->start(plan, out)) {
        running_ = false;
        finished();
        refuse(windowText(WindowText::OutUnwritable, l).arg(out) + QLatin1Char('\n') + refusal);
        return;
    }
    run_->say = [this](const QString& text) { lbl_state.setCaption(text); };
    markRunning();
    showProgress();
}

void CommissionForm::unitEnded(const QString& room, std::optional<UnitRecord> record) {
    const int row = rowOfRoom_.value(room, -1);
    if (row < 0)
        return;
    Row& r = rows_[std::size_t(row)];
    r.state = record ? RowState::Done : RowState::DoneBefore;
    r.record = std::move(record);
    emit rowChanged(row);
    markRunning();
    showProgress();
    followOutFolder();
}

void CommissionForm::markRunning() {
    if (!running_)
        return;
    // Each line does its units one after another in plan order: its first unit not yet done is
    // the one under way.
    QSet<QString> busy;
    for (const Row& r : rows_)
        if (r.state == RowState::Running)
            busy.insert(r.unit.line);
    for (int i = 0; i < rowCount(); ++i) {
        Row& r = rows_[std::size_t(i)];
        if (r.state != RowState::Waiting || busy.contains(r.unit.line))
            continue;
        busy.insert(r.unit.line);
        r.state = RowState::Running;
        emit rowChanged(i);
    }
}

void CommissionForm::showProgress() {
    if (!run_)
        return;
    const app::Language l = language();
    prg_units.setMax(std::max(1, run_->total()));
    prg_units.setValue(std::clamp(run_->done(), 0, std::max(1, run_->total())));
    const std::optional<qint64> left = run_->leftMs();
    lbl_progress.setCaption(
        left ? windowText(WindowText::ProgressLeft, l)
                   .arg(run_->done())
                   .arg(run_->total())
                   .arg(bus::remainingText(*left))
             : windowText(WindowText::Progress, l).arg(run_->done()).arg(run_->total()));
}

void CommissionForm::finished() {
    running_ = false;
    if (disabledMainWindow_) {
        disabledMainWindow_ = false;
        if (program_.frm_configLoaded())
            program_.frm_config().form.setEnabled(true);
    }
    showRunning(false);
    followOutFolder();
    if (!run_ || run_->exitCode() == kExitPlan)
        return;
    showProgress();
    // What each result came to, in the order of the results.
    const app::Language l = language();
    std::map<int, int> counts;
    for (const UnitRecord& r : run_->records())
        ++counts[int(r.result)];
    QStringList parts;
    for (const auto& [result, count] : counts)
        parts << QStringLiteral("%1 %2").arg(count).arg(resultText(Result(result), l));
    if (run_->skipped() > 0)
        parts << windowText(WindowText::DoneBeforeCount, l).arg(run_->skipped());
    lbl_state.setCaption(windowText(cancelled_ ? WindowText::CancelledRun : WindowText::Finished, l)
                             .arg(parts.join(QStringLiteral(", "))));
    if (hideWhenDone_)
        form.setVisible(false);
}

void CommissionForm::cmd_cancel_Click() {
    if (!running_ || !run_)
        return;
    cancelled_ = true;
    run_->cancel();
    cmd_cancel.setEnabled(false);
    lbl_state.setCaption(windowText(WindowText::Cancelling, language()));
}

void CommissionForm::cmd_open_Click() {
    const QString dir = txt_out.text().trimmed();
    if (!QFileInfo(dir).isDir()) {
        refuse(windowText(WindowText::NoFolder, language()).arg(dir));
        return;
    }
    emit openFolder(QFileInfo(dir).absoluteFilePath());
}

void CommissionForm::Form_Close() {
    if (running_) {
        hideWhenDone_ = true;
        cmd_cancel_Click();
        return;
    }
    form.setVisible(false);
}

CommissionDesk::CommissionDesk(app::Program& program, PortMaker realLine)
    : mnuCommission(QStringLiteral("mnuCommission"), -1, this), program_(program),
      realLine_(std::move(realLine)) {
    mnuCommission.setCaption(windowText(
        WindowText::Menu, program.g.languageId == app::kLanguageEnglish ? app::Language::English
                                                                        : app::Language::German));
    connect(&mnuCommission, &forms::MenuItem::click, this, [this] { mnuCommission_Click(); });
}

CommissionDesk::~CommissionDesk() = default;

CommissionForm& CommissionDesk::window() {
    if (!window_)
        window_ = std::make_unique<CommissionForm>(program_, realLine_);
    return *window_;
}

void CommissionDesk::mnuCommission_Click() {
    window().form.setVisible(true);
    emit windowShown();
}

} // namespace qtx52::commission
