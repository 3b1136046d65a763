#include "gui/binders.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QToolTip>

namespace qtx52::gui {

QColor colorOf(forms::Color color, const QPalette& palette) {
    if (color == forms::ColorButtonText)
        return palette.color(QPalette::WindowText);
    if (color == forms::ColorScrollBars)
        return palette.color(QPalette::Window);
    if (color == forms::ColorWindowBackground)
        return palette.color(QPalette::Base);
    if (color & 0x80000000u)
        return palette.color(QPalette::WindowText);
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

void showCommonState(QWidget* widget, const forms::Control& model) {
    widget->setEnabled(model.enabled());
    widget->setHidden(!model.visible());
    QPalette palette = QApplication::palette(widget);
    if (model.foreColor() != forms::ColorButtonText) {
        const QColor c = colorOf(model.foreColor(), palette);
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(QPalette::Active, role, c),
                palette.setColor(QPalette::Inactive, role, c);
    }
    widget->setPalette(palette);
}

namespace {

// Runs `sync` now and whenever the model changes, for as long as the widget lives.
template <class Model, class Widget, class Sync>
void follow(Model* model, Widget* widget, Sync sync) {
    QObject::connect(model, &forms::Control::changed, widget, sync);
    sync();
}

} // namespace

// ---- value box ----------------------------------------------------------------------------------

ValueLineEdit::ValueLineEdit(forms::TextBox& model, QWidget* parent)
    : QLineEdit(parent), model_(&model) {
    setObjectName(model.name() + (model.index() >= 0 ? QString::number(model.index()) : QString()));
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (model_ && !model_->locked())
            model_->setText(text);
        sync(); // a handler may have rewritten the text
        reportSelection();
    });
    connect(this, &QLineEdit::selectionChanged, this, [this] { reportSelection(); });
    connect(this, &QLineEdit::cursorPositionChanged, this, [this] { reportSelection(); });
    follow(&model, this, [this] { sync(); });
}

void ValueLineEdit::sync() {
    if (!model_)
        return;
    const QSignalBlocker block(this);
    showCommonState(this, *model_);
    setReadOnly(model_->locked());
    if (model_->backColor() == forms::ColorScrollBars) {
        QPalette p = palette();
        p.setColor(QPalette::Base, p.color(QPalette::Window));
        setPalette(p);
    }
    // What the box refused and why, shown at the box as it happens and kept as its tooltip.
    if (toolTip() != model_->notice()) {
        setToolTip(model_->notice());
        if (!model_->notice().isEmpty() && isVisible())
            QToolTip::showText(mapToGlobal(QPoint(0, height())), model_->notice(), this);
    }
    if (text() != model_->text()) {
        setText(model_->text());
        if (model_->selLength() > 0)
            setSelection(model_->selStart(), model_->selLength());
        else
            setCursorPosition(model_->selStart());
    }
}

void ValueLineEdit::reportSelection() {
    if (!model_ || text() != model_->text())
        return; // mid-edit: the text event that follows reports it
    if (hasSelectedText())
        model_->setSelection(selectionStart(), selectionLength());
    else
        model_->setSelection(cursorPosition(), 0);
}

void ValueLineEdit::pasteThroughModel(const QString& text) {
    if (!takesText())
        return;
    reportSelection();
    QPointer<ValueLineEdit> self(this);
    model_->pasteText(text);
    if (self)
        sync();
}

QMenu* ValueLineEdit::createContextMenu() {
    QMenu* menu = createStandardContextMenu();
    // The line edit's own Paste entry is the one wired to its paste(); it keeps its place, its
    // text and its enabled state, and pastes through the model instead.
    for (QAction* action : menu->actions()) {
        // Connected by member pointer or by name, depending on the Qt version.
        const bool pointer = disconnect(action, &QAction::triggered, this, &QLineEdit::paste);
        const bool named = disconnect(action, SIGNAL(triggered()), this, SLOT(paste()));
        if (!pointer && !named)
            continue;
        action->setObjectName(QStringLiteral("edit-paste"));
        connect(action, &QAction::triggered, this, [this] {
            pasteThroughModel(QGuiApplication::clipboard()->text(QClipboard::Clipboard));
        });
    }
    return menu;
}

void ValueLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    QPointer<QMenu> menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

void ValueLineEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button pastes the selection of the X11 desktop.
    if (event->button() == Qt::MiddleButton && takesText() &&
        QGuiApplication::clipboard()->supportsSelection()) {
        deselect();
        pasteThroughModel(QGuiApplication::clipboard()->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void ValueLineEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (!model_ || model_->locked()) {
        event->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void ValueLineEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (!model_ || model_->locked()) {
        event->ignore();
        return;
    }
    QLineEdit::dragMoveEvent(event); // shows where the text will go
}

void ValueLineEdit::dropEvent(QDropEvent* event) {
    if (!takesText() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    // The text goes in where it was dropped, as a copy: a box takes what the rules let through,
    // so the source keeps its text.
    deselect();
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    pasteThroughModel(event->mimeData()->text());
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ValueLineEdit::keyPressEvent(QKeyEvent* event) {
    if (!model_ || isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // The keys the line edit would paste with on this desktop (Ctrl+V, Shift+Insert, ...).
    if (event->matches(QKeySequence::Paste)) {
        pasteThroughModel(QGuiApplication::clipboard()->text(QClipboard::Clipboard));
        event->accept();
        return;
    }
    reportSelection();
    int key = 0;
    switch (event->key()) {
    case Qt::Key_Backspace:
        key = forms::KeyBackspace;
        break;
    case Qt::Key_Delete:
        key = forms::KeyDelete;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        key = forms::KeyEnter;
        break;
    default: {
        // What the line edit would insert as typed text: printable text without Ctrl (with Alt or
        // AltGr it still types).
        const QString t = event->text();
        const Qt::KeyboardModifiers m = event->modifiers();
        const bool shortcut =
            m == Qt::ControlModifier || m == (Qt::ControlModifier | Qt::ShiftModifier);
        if (!shortcut && !t.isEmpty() && t.at(0).unicode() >= 32 && t.at(0).unicode() != 127) {
            if (t.size() > 1) { // a composed sequence: several characters at once
                pasteThroughModel(t);
                event->accept();
                return;
            }
            key = t.at(0).unicode();
        }
    }
    }
    if (key == 0) { // cursor keys, Tab, shortcuts: not typed text
        QLineEdit::keyPressEvent(event);
        return;
    }
    const int passed = model_->pressKey(key);
    if (passed == 0) {
        event->accept();
        return;
    }
    if (passed == key || passed < 32 || passed == forms::KeyDelete) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // A handler changed the key: the changed one goes in.
    insert(QString(QChar(passed)));
    if (model_)
        model_->setText(text());
    sync();
    reportSelection();
}

void ValueLineEdit::inputMethodEvent(QInputMethodEvent* event) {
    // What an input method commits goes in as pasted text; nothing is composed in place.
    if (!event->commitString().isEmpty())
        pasteThroughModel(event->commitString());
    event->accept();
}

void ValueLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (model_)
        model_->leaveFocus();
}

// ---- up/down arrows -----------------------------------------------------------------------------

UpDownWidget::UpDownWidget(forms::UpDown& model, QWidget* parent)
    : QWidget(parent), model_(&model) {
    setObjectName(model.name() + QString::number(model.index()));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
    follow(&model, this, [this] { sync(); });
}

void UpDownWidget::sync() {
    if (!model_)
        return;
    showCommonState(this, *model_);
    model_->setSize(width(), height());
    update();
}

void UpDownWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (model_)
        model_->setSize(width(), height());
}

void UpDownWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const int h = height() / 2;
    for (int half = 0; half < 2; ++half) {
        const QRectF r(0.5, half * h + 0.5, width() - 1.0, h - 1.0);
        p.setPen(pal.color(QPalette::Mid));
        p.setBrush(pressedHalf_ == half ? pal.color(QPalette::Mid) : pal.color(QPalette::Button));
        p.drawRect(r);
        QPainterPath arrow;
        const double cx = r.center().x();
        const double cy = r.center().y();
        const double dy = half == 0 ? -2.5 : 2.5;
        arrow.moveTo(cx - 4, cy - dy);
        arrow.lineTo(cx + 4, cy - dy);
        arrow.lineTo(cx, cy + dy);
        arrow.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(isEnabled() ? pal.color(QPalette::ButtonText)
                               : pal.color(QPalette::Disabled, QPalette::ButtonText));
        p.drawPath(arrow);
    }
}

void UpDownWidget::mousePressEvent(QMouseEvent* event) {
    if (!model_ || event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    pressedHalf_ = upperHalf(pos.y()) ? 0 : 1;
    update();
    QPointer<UpDownWidget> self(this);
    model_->userMouseDown(pos.x(), pos.y());
    // The press steps once; holding it lets the model repeat.
    if (self && model_) {
        if (pressedHalf_ == 0)
            model_->userClickUp();
        else
            model_->userClickDown();
    }
}

void UpDownWidget::mouseMoveEvent(QMouseEvent* event) {
    if (model_ && (event->buttons() & Qt::LeftButton)) {
        const QPoint pos = event->position().toPoint();
        model_->userMouseMove(pos.x(), pos.y());
    }
}

void UpDownWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    pressedHalf_ = -1;
    update();
    if (model_) {
        const QPoint pos = event->position().toPoint();
        model_->userMouseUp(pos.x(), pos.y());
    }
}

// ---- labels -------------------------------------------------------------------------------------

ClickableLabel::ClickableLabel(forms::Label& model, QWidget* parent)
    : QLabel(parent), model_(&model) {
    setObjectName(model.name() + (model.index() >= 0 ? QString::number(model.index()) : QString()));
    setTextFormat(Qt::PlainText);
    follow(&model, this, [this] { sync(); });
}

void ClickableLabel::sync() {
    if (!model_)
        return;
    showCommonState(this, *model_);
    setText(model_->caption());
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (model_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        model_->userClick();
}

// ---- the other kinds ----------------------------------------------------------------------------

namespace {

QString objectNameOf(const forms::Control& c) {
    return c.name() + (c.index() >= 0 ? QString::number(c.index()) : QString());
}

} // namespace

QGroupBox* bindFrame(forms::Frame& model, QWidget* parent) {
    auto* box = new QGroupBox(parent);
    box->setObjectName(objectNameOf(model));
    QPointer<forms::Frame> m(&model);
    follow(&model, box, [m, box] {
        if (!m)
            return;
        showCommonState(box, *m);
        box->setTitle(m->caption());
    });
    return box;
}

QPushButton* bindButton(forms::CommandButton& model, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(objectNameOf(model));
    button->setAutoDefault(false);
    QPointer<forms::CommandButton> m(&model);
    follow(&model, button, [m, button] {
        if (!m)
            return;
        const QSignalBlocker block(button);
        showCommonState(button, *m);
        button->setText(m->caption());
    });
    QObject::connect(button, &QPushButton::clicked, button, [m] {
        if (m)
            m->userClick();
    });
    return button;
}

QCheckBox* bindCheckBox(forms::CheckBox& model, QWidget* parent) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(objectNameOf(model));
    QPointer<forms::CheckBox> m(&model);
    auto sync = [m, box] {
        if (!m)
            return;
        const QSignalBlocker block(box);
        showCommonState(box, *m);
        box->setText(m->caption());
        box->setTristate(m->value() == 2);
        box->setCheckState(m->value() == 1   ? Qt::Checked
                           : m->value() == 2 ? Qt::PartiallyChecked
                                             : Qt::Unchecked);
    };
    follow(&model, box, sync);
    QObject::connect(box, &QCheckBox::clicked, box, [m, sync] {
        if (m)
            m->userClick();
        sync(); // the box shows the model's value, whatever the click did to it
    });
    return box;
}

QComboBox* bindList(forms::ListBox& model, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(objectNameOf(model));
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    QPointer<forms::ListBox> m(&model);
    auto sync = [m, list] {
        if (!m)
            return;
        const QSignalBlocker block(list);
        showCommonState(list, *m);
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown << list->itemText(i);
        if (shown != m->items()) {
            list->clear();
            list->addItems(m->items());
        }
        list->setCurrentIndex(m->listIndex());
    };
    follow(&model, list, sync);
    QObject::connect(list, &QComboBox::activated, list, [m, sync](int position) {
        if (m && m->acceptsInput())
            m->setListIndex(position);
        sync();
    });
    return list;
}

QProgressBar* bindProgress(forms::ProgressBar& model, QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(objectNameOf(model));
    bar->setTextVisible(false);
    QPointer<forms::ProgressBar> m(&model);
    follow(&model, bar, [m, bar] {
        if (!m)
            return;
        showCommonState(bar, *m);
        bar->setRange(m->min(), m->max());
        bar->setValue(m->value());
    });
    return bar;
}

QAction* bindMenuItem(forms::MenuItem& model, QObject* parent) {
    auto* action = new QAction(parent);
    action->setObjectName(objectNameOf(model));
    QPointer<forms::MenuItem> m(&model);
    follow(&model, action, [m, action] {
        if (!m)
            return;
        const QSignalBlocker block(action);
        action->setSeparator(m->isSeparator());
        // A separator with a text is drawn as a titled section in some styles: the "-" that
        // marks it in the model is never shown.
        action->setText(m->isSeparator() ? QString() : m->caption());
        action->setEnabled(m->enabled());
        action->setVisible(m->visible());
    });
    QObject::connect(action, &QAction::triggered, action, [m] {
        if (m)
            m->userClick();
    });
    return action;
}

void bindTabs(forms::TabStrip& model, QTabWidget* tabs) {
    QPointer<forms::TabStrip> m(&model);
    auto sync = [m, tabs] {
        if (!m)
            return;
        const QSignalBlocker block(tabs);
        tabs->setEnabled(m->enabled());
        for (int i = 0; i < tabs->count() && i < m->captions().size(); ++i)
            tabs->setTabText(i, m->captions().at(i));
        tabs->setCurrentIndex(m->tab());
    };
    follow(&model, tabs, sync);
    QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [m, sync](int tab) {
        if (m)
            m->setTab(tab);
        sync();
    });
}

void bindFormTitle(forms::Form& model, QWidget* window) {
    QPointer<forms::Form> m(&model);
    follow(&model, window, [m, window] {
        if (!m)
            return;
        window->setWindowTitle(m->caption());
        window->setEnabled(m->enabled());
    });
}

} // namespace qtx52::gui
