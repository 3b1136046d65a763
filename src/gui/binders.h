#pragma once

// One widget per control model. A binder creates the widget, shows the model's state in it and
// hands the user's input to the model's user functions; it keeps no state of its own. Widgets are
// updated with their signals blocked, so showing a model's state never raises a model event.

#include "forms/controls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>

namespace qtx52::gui {

// A model colour on a widget's palette: the system colour for button text is the palette's own
// text colour; other values are 0x00BBGGRR.
QColor colorOf(forms::Color color, const QPalette& palette);

// Enabled, visible and text colour of any control.
void showCommonState(QWidget* widget, const forms::Control& model);

// A value box: every typed key goes through the model's key handling first; a swallowed key never
// reaches the text. The length limit lives in the model, so texts set by the program are shown
// whole. Text that arrives any other way — Ctrl+V or Shift+Insert, the context menu's Paste, the
// middle mouse button, a drop, an input method — is handed to the model as pasted text, which takes
// it key by key through the same rules; the line edit never inserts it itself. The model always
// knows the selection shown here.
class ValueLineEdit : public QLineEdit {
    Q_OBJECT
public:
    ValueLineEdit(forms::TextBox& model, QWidget* parent);
    forms::TextBox* model() const { return model_; }
    void sync();
    // The standard context menu with its Paste going through the model.
    QMenu* createContextMenu();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void reportSelection();
    void pasteThroughModel(const QString& text);
    bool takesText() const { return model_ && !model_->locked() && !isReadOnly(); }
    QPointer<forms::TextBox> model_;
};

// Up/down arrows: a click steps once; press, move and release go to the model with the pointer
// position, which the auto-repeat uses to tell the arrows apart.
class UpDownWidget : public QWidget {
    Q_OBJECT
public:
    UpDownWidget(forms::UpDown& model, QWidget* parent);
    QSize sizeHint() const override { return {17, 22}; }
    void sync();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool upperHalf(int y) const { return y < height() / 2; }
    QPointer<forms::UpDown> model_;
    int pressedHalf_ = -1; // 0 upper, 1 lower, -1 none
};

// A label that forwards clicks to its model.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    ClickableLabel(forms::Label& model, QWidget* parent);
    void sync();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointer<forms::Label> model_;
};

QGroupBox* bindFrame(forms::Frame& model, QWidget* parent);
QPushButton* bindButton(forms::CommandButton& model, QWidget* parent);
QCheckBox* bindCheckBox(forms::CheckBox& model, QWidget* parent);
QComboBox* bindList(forms::ListBox& model, QWidget* parent);
QProgressBar* bindProgress(forms::ProgressBar& model, QWidget* parent);
QAction* bindMenuItem(forms::MenuItem& model, QObject* parent);
// The tab titles and the selected tab; the pages are the caller's.
void bindTabs(forms::TabStrip& model, QTabWidget* tabs);
// Window title, enabled state and title-bar close of a form shown in a top-level widget.
void bindFormTitle(forms::Form& model, QWidget* window);

} // namespace qtx52::gui
