#include "gui/commission_view.h"

#include "commission/commission_form.h"
#include "gui/binders.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace qtx52::gui {

CommissionView::CommissionView(commission::CommissionForm& form, QWidget* owner)
    : BusWindowView(form.form, owner), form_(&form) {
    auto* layout = new QVBoxLayout(this);
    QGroupBox* plan = bindFrame(form.frm_plan, this);
    auto* grid = new QGridLayout(plan);
    grid->addWidget(new ClickableLabel(form.lbl_plan, plan), 0, 0);
    grid->addWidget(new ValueLineEdit(form.txt_plan, plan), 0, 1);
    grid->addWidget(bindButton(form.cmd_plan, plan), 0, 2);
    grid->addWidget(new ClickableLabel(form.lbl_out, plan), 1, 0);
    grid->addWidget(new ValueLineEdit(form.txt_out, plan), 1, 1);
    grid->addWidget(bindButton(form.cmd_out, plan), 1, 2);
    auto* choices = new QHBoxLayout;
    choices->addWidget(bindCheckBox(form.chk_dry_run, plan));
    choices->addWidget(bindCheckBox(form.chk_again, plan));
    choices->addStretch(1);
    grid->addLayout(choices, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    layout->addWidget(plan);

    auto* commands = new QHBoxLayout;
    commands->addWidget(bindButton(form.cmd_start, this));
    commands->addWidget(bindButton(form.cmd_cancel, this));
    commands->addStretch(1);
    commands->addWidget(bindButton(form.cmd_open, this));
    layout->addLayout(commands);
    layout->addWidget(bindProgress(form.prg_units, this));
    layout->addWidget(new ClickableLabel(form.lbl_progress, this));
    auto* state = new ClickableLabel(form.lbl_state, this);
    state->setWordWrap(true);
    state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(state);

    units_ = new QTableWidget(0, commission::CommissionForm::ColumnCount, this);
    units_->setObjectName(QStringLiteral("tblUnits"));
    units_->setSelectionBehavior(QAbstractItemView::SelectRows);
    units_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    units_->verticalHeader()->hide();
    units_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    units_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // The result takes what the window leaves; the other columns keep their widths.
    QHeaderView* header = units_->horizontalHeader();
    header->setStretchLastSection(false);
    const QList<int> widths{110, 90, 55, 80, 110, 65};
    for (int c = 0; c < widths.size(); ++c)
        header->resizeSection(c, widths[c]);
    header->setSectionResizeMode(commission::CommissionForm::Outcome, QHeaderView::Stretch);
    units_->setMinimumHeight(160);
    layout->addWidget(units_, 1);

    connect(&form, &commission::CommissionForm::rowsReset, this, [this] { showRows(); });
    connect(&form, &commission::CommissionForm::rowChanged, this,
            [this](int row) { showRow(row); });
    connect(&form, &commission::CommissionForm::openFolder, this,
            [](const QString& dir) { QDesktopServices::openUrl(QUrl::fromLocalFile(dir)); });
    showRows();
}

void CommissionView::showRows() {
    if (!form_)
        return;
    units_->setHorizontalHeaderLabels(form_->columnTitles());
    units_->setRowCount(form_->rowCount());
    for (int r = 0; r < form_->rowCount(); ++r)
        showRow(r);
}

void CommissionView::showRow(int row) {
    if (!form_ || row < 0 || row >= units_->rowCount())
        return;
    const QString note = form_->note(row);
    for (int c = 0; c < commission::CommissionForm::ColumnCount; ++c) {
        QTableWidgetItem* item = units_->item(row, c);
        if (!item) {
            item = new QTableWidgetItem;
            units_->setItem(row, c, item);
        }
        item->setText(form_->cell(row, c));
        item->setToolTip(note);
        if (c == commission::CommissionForm::Station || c == commission::CommissionForm::Time)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
}

} // namespace qtx52::gui
