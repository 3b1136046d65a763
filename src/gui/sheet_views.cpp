#include "gui/sheet_views.h"

#include "gui/binders.h"
#include "report/sheet_desk.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

namespace qtx52::gui {

SheetHeaderView::SheetHeaderView(report::SheetHeaderForm& header, QWidget* parent)
    : FormDialog(header.form, parent) {
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < report::SheetHeaderForm::kFields; ++i) {
        grid->addWidget(new ClickableLabel(header.lbl_field(i), this), i, 0);
        auto* box = new ValueLineEdit(header.txt_field(i), this);
        box->setMinimumWidth(320);
        grid->addWidget(box, i, 1);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* ok = bindButton(header.cmd_ok, this);
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(bindButton(header.cmd_cancel, this));
    grid->addLayout(buttons, report::SheetHeaderForm::kFields, 0, 1, 2);
}

} // namespace qtx52::gui
