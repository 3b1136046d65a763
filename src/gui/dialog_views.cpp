#include "gui/dialog_views.h"

#include "gui/binders.h"
#include "windows/dlg_download.h"
#include "windows/fAbout.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QScreen>
#include <QVBoxLayout>

namespace qtx52::gui {

// ---- common -------------------------------------------------------------------------------------

FormDialog::FormDialog(forms::Form& form, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      form_(&form) {
    setObjectName(form.name());
    setModal(true);
    bindFormTitle(form, this);
    connect(&form, &forms::Control::changed, this, [this] { sync(); });
}

bool FormDialog::formShown() const {
    return form_ && form_->loaded() && form_->visible();
}

void FormDialog::sync() {
    if (!formShown() && isVisible())
        hide();
}

void FormDialog::reject() {
    // Escape and the title-bar box are the form's to answer.
    if (form_)
        form_->userClose();
    if (!formShown())
        QDialog::reject();
}

void FormDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

// ---- identical parameters -----------------------------------------------------------------------

namespace {

// Design units are twips; the screen shows 15 of them per pixel.
QRect pixels(const windows::dlg_download::Rect& r) {
    return {r.left / 15, r.top / 15, r.width / 15, r.height / 15};
}

} // namespace

DownloadDialogView::DownloadDialogView(windows::dlg_download& dialog, QWidget* parent)
    : FormDialog(dialog.form, parent), dialog_(&dialog) {
    setFixedSize(windows::dlg_download::kClientWidth / 15,
                 windows::dlg_download::kClientHeight / 15);
    QGroupBox* frame = bindFrame(dialog.Frame1, this);
    frame->setTitle(QString()); // the frame only draws the border
    frame->setGeometry(pixels(windows::dlg_download::designRect(dialog.Frame1)));
    for (forms::Label* l : {&dialog.Label1, &dialog.Label2}) {
        auto* label = new ClickableLabel(*l, frame);
        QRect r = pixels(windows::dlg_download::designRect(*l));
        r.setWidth(r.width() + 30); // room for wider fonts than the design's
        label->setGeometry(r.adjusted(-15, 0, 15, 0));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    for (forms::CommandButton* b : {&dialog.OKButton, &dialog.CancelButton}) {
        QPushButton* button = bindButton(*b, frame);
        button->setGeometry(pixels(windows::dlg_download::designRect(*b)));
    }
    // Tab order as the dialog defines it.
    QWidget* previous = nullptr;
    for (forms::Control* c : dialog.tabOrder()) {
        auto* button = frame->findChild<QPushButton*>(c->name());
        if (previous && button)
            setTabOrder(previous, button);
        previous = button;
    }
}

void DownloadDialogView::showEvent(QShowEvent* event) {
    FormDialog::showEvent(event);
    if (!placed_) {
        // Centred at its first showing; later showings keep the position it had.
        placed_ = true;
        // On the screen, not over the main window.
        const QRect area = screen() ? screen()->availableGeometry() : QRect();
        if (area.isValid())
            move(area.center() - rect().center());
    }
    if (dialog_)
        if (auto* first = findChild<QPushButton*>(dialog_->initialFocus()->name()))
            first->setFocus(Qt::OtherFocusReason);
}

// ---- about --------------------------------------------------------------------------------------

AboutView::AboutView(windows::fAbout& about, QWidget* parent) : FormDialog(about.form, parent) {
    auto* layout = new QVBoxLayout(this);
    auto add = [this, layout](forms::Label& model) {
        auto* label = new ClickableLabel(model, this);
        layout->addWidget(label);
        return label;
    };
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    add(about.lbl_Korvatek)->setFont(big);
    add(about.lblVersion)->setWordWrap(true);
    auto* version = new QHBoxLayout;
    version->addWidget(new ClickableLabel(about.Label2, this));
    version->addWidget(new ClickableLabel(about.Label1, this));
    version->addStretch(1);
    layout->addLayout(version);
    add(about.lbl_Software_Hinweis)->setWordWrap(true);
    add(about.Label3);
    add(about.lbl_Korvatek_Anschrift);
    auto* contact = new QGridLayout;
    const std::pair<forms::Label*, forms::Label*> rows[] = {
        {&about.lbltxtEmail, &about.lblemail}, {&about.lbltxtHyperlink, &about.lblHyperlink}};
    int r = 0;
    for (const auto& [caption, link] : rows) {
        contact->addWidget(new ClickableLabel(*caption, this), r, 0);
        auto* target = new ClickableLabel(*link, this);
        QFont f = target->font();
        f.setUnderline(true);
        target->setFont(f);
        QPalette p = target->palette();
        p.setColor(QPalette::WindowText, p.color(QPalette::Link));
        target->setPalette(p);
        target->setCursor(Qt::PointingHandCursor);
        contact->addWidget(target, r, 1);
        ++r;
    }
    contact->setColumnStretch(2, 1);
    layout->addLayout(contact);
    setMinimumWidth(420);
    adjustSize();
}

void AboutView::showEvent(QShowEvent* event) {
    FormDialog::showEvent(event);
    if (!placed_ && screen()) {
        // Centred on the screen at its first showing.
        placed_ = true;
        move(screen()->availableGeometry().center() - rect().center());
    }
}

} // namespace qtx52::gui
