#include "gui/status_window_view.h"

#include "gui/binders.h"
#include "windows/frmState.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace qtx52::gui {

StatusWindowView::StatusWindowView(windows::frmState& window)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      form_(&window.form) {
    setObjectName(QStringLiteral("frmState"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    auto* text = new ClickableLabel(window.lblTxt, this);
    text->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
    QGroupBox* frame = bindFrame(window.frameProgress, this);
    auto* inFrame = new QVBoxLayout(frame);
    QProgressBar* bar = bindProgress(window.ProgressFile, frame);
    bar->setMinimumWidth(260);
    inFrame->addWidget(bar);
    layout->addWidget(frame);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bindButton(window.Abbruch, this));
    buttons->addWidget(bindButton(window.cmdOK, this));
    buttons->addStretch(1);
    layout->addLayout(buttons);
    bindFormTitle(window.form, this);
    connect(&window.form, &forms::Control::changed, this, [this] { sync(); });

    adjustSize();
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    sync();
}

StatusWindowView::~StatusWindowView() = default;

void StatusWindowView::stayAbove(QWidget* owner) {
    if (!owner)
        return;
    winId(); // the native window exists from here on
    owner->winId();
    if (windowHandle() && owner->windowHandle())
        windowHandle()->setTransientParent(owner->windowHandle());
}

void StatusWindowView::sync() {
    if (!form_ || !form_->loaded()) {
        detach();
        return;
    }
    if (form_->visible() != isVisible())
        setVisible(form_->visible());
}

void StatusWindowView::detach() {
    form_ = nullptr;
    hide();
    deleteLater();
}

void StatusWindowView::closeEvent(QCloseEvent* event) {
    // The program unloads the window, which takes this view with it.
    event->ignore();
    if (form_)
        form_->userClose();
}

} // namespace qtx52::gui
