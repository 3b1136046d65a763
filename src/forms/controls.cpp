#include "forms/controls.h"

namespace qtx52::forms {

Control::Control(const QString& name, int index, QObject* parent)
    : QObject(parent), name_(name), index_(index) {
    setObjectName(index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index));
}

void Control::setEnabled(bool on) {
    if (enabled_ == on)
        return;
    enabled_ = on;
    notify();
}

void Control::setVisible(bool on) {
    if (visible_ == on)
        return;
    visible_ = on;
    notify();
}

void Control::setForeColor(Color c) {
    if (foreColor_ == c)
        return;
    foreColor_ = c;
    notify();
}

void Control::setBackColor(Color c) {
    if (backColor_ == c)
        return;
    backColor_ = c;
    notify();
}

bool Control::acceptsInput() const {
    if (!enabled_ || !visible_)
        return false;
    for (const Control* c = container_; c; c = c->container())
        if (!c->enabled())
            return false;
    return true;
}

void TextBox::setText(const QString& text) {
    if (text_ == text)
        return;
    text_ = text;
    notify();
    emit change();
}

void TextBox::setMaxLength(int n) {
    if (maxLength_ == n)
        return;
    maxLength_ = n;
    notify();
}

void TextBox::setLocked(bool locked) {
    if (locked_ == locked)
        return;
    locked_ = locked;
    emit changed();
}

int TextBox::pressKey(int keyAscii) {
    if (locked_)
        return 0;
    KeyEvent e{keyAscii};
    emit keyPress(&e);
    const bool printable = e.keyAscii >= 32 && e.keyAscii != KeyDelete;
    if (printable && maxLength_ > 0 && text_.size() >= maxLength_)
        return 0;
    return e.keyAscii;
}

void TextBox::typeKey(int keyAscii) {
    const int key = pressKey(keyAscii);
    if (key == 0 || key == KeyDelete || key == KeyEnter)
        return; // Delete removes what follows the cursor, and the cursor is at the end
    if (key == KeyBackspace) {
        if (!text_.isEmpty())
            setText(text_.left(text_.size() - 1));
        return;
    }
    if (key < 32)
        return;
    setText(text_ + QChar(key));
}

void TextBox::typeText(const QString& keys) {
    for (QChar ch : keys)
        typeKey(ch.unicode());
}

void TextBox::leaveFocus() {
    emit lostFocus();
}

void Label::setCaption(const QString& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    notify();
}

void Label::userClick() {
    if (acceptsInput())
        emit click();
}

void Frame::setCaption(const QString& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    notify();
}

void CommandButton::setCaption(const QString& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    notify();
}

void CommandButton::userClick() {
    if (acceptsInput())
        emit click();
}

void CheckBox::setCaption(const QString& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    notify();
}

void CheckBox::setValue(int value) {
    if (value_ == value)
        return;
    value_ = value;
    notify();
    emit click();
}

void CheckBox::userClick() {
    if (acceptsInput())
        setValue(value_ == 1 ? 0 : 1);
}

void ListBox::setItems(const QStringList& items) {
    items_ = items;
    listIndex_ = -1;
    notify();
}

void ListBox::setItemText(int position, const QString& text) {
    if (position < 0 || position >= items_.size() || items_[position] == text)
        return;
    items_[position] = text;
    notify();
}

bool ListBox::setListIndex(int position) {
    if (position < -1 || position >= items_.size())
        return false;
    if (listIndex_ == position)
        return true;
    listIndex_ = position;
    notify();
    emit click();
    return true;
}

QString ListBox::text() const {
    return listIndex_ >= 0 && listIndex_ < items_.size() ? items_[listIndex_] : QString();
}

void TabStrip::setCaptions(const QStringList& captions) {
    captions_ = captions;
    notify();
}

void TabStrip::setTabCaption(int tab, const QString& caption) {
    if (tab < 0 || tab >= captions_.size() || captions_[tab] == caption)
        return;
    captions_[tab] = caption;
    notify();
}

void TabStrip::setTab(int tab) {
    if (tab == tab_ || tab < 0 || tab >= captions_.size())
        return;
    const int previous = tab_;
    tab_ = tab;
    notify();
    emit click(previous);
}

void ProgressBar::setMin(int v) {
    if (min_ == v)
        return;
    min_ = v;
    notify();
}

void ProgressBar::setMax(int v) {
    if (max_ == v)
        return;
    max_ = v;
    notify();
}

void ProgressBar::setValue(int v) {
    if (value_ == v)
        return;
    value_ = v;
    notify();
}

void MenuItem::setCaption(const QString& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    notify();
}

void MenuItem::userClick() {
    if (acceptsInput() && !isSeparator())
        emit click();
}

void UpDown::setRange(double min, double max) {
    min_ = min;
    max_ = max;
    notify();
}

void UpDown::setSize(int width, int height) {
    width_ = width;
    height_ = height;
}

void UpDown::userClickUp() {
    if (acceptsInput())
        emit upClick();
}

void UpDown::userClickDown() {
    if (acceptsInput())
        emit downClick();
}

void UpDown::userMouseDown(int x, int y) {
    if (acceptsInput())
        emit mouseDown(x, y);
}

// Move and release go through even when the control has been disabled under the pointer, so a
// running auto-repeat always hears about the end of the press.
void UpDown::userMouseMove(int x, int y) {
    emit mouseMove(x, y);
}
void UpDown::userMouseUp(int x, int y) {
    emit mouseUp(x, y);
}

Form::Form(const QString& name, QObject* parent) : Control(name, -1, parent) {
    setVisible(false); // a window shows only when its logic shows it
}

void Form::setCaption(const QString& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    notify();
}

void Form::setLoaded(bool loaded) {
    if (loaded_ == loaded)
        return;
    loaded_ = loaded;
    notify();
}

} // namespace qtx52::forms
