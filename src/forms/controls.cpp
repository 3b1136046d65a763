#include "forms/controls.h"

#include <utility>

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
    selStart_ = int(text_.size());
    selLength_ = 0;
    notify();
    emit change();
}

void TextBox::setSelection(int start, int length) {
    const int size = int(text_.size());
    selStart_ = qBound(0, start, size);
    selLength_ = qBound(0, length, size - selStart_);
}

QString TextBox::textBesideSelection() const {
    return text_.left(selStart_) + text_.mid(selStart_ + selLength_);
}

void TextBox::replaceSelection(const QString& replacement) {
    const int cursor = selStart_ + int(replacement.size());
    const QString next = text_.left(selStart_) + replacement + text_.mid(selStart_ + selLength_);
    // The change handlers see the cursor where the person left it; a handler that rewrites the
    // text moves it to the end again.
    const bool same = next == text_;
    if (!same)
        setText(next);
    if (same || text_ == next)
        setSelection(cursor, 0);
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
    // A selection makes room: the key goes in where the selected characters come out.
    if (printable && maxLength_ > 0 && text_.size() - selLength_ >= maxLength_)
        return 0;
    return e.keyAscii;
}

void TextBox::typeKey(int keyAscii) {
    const int key = pressKey(keyAscii);
    if (key == 0 || key == KeyEnter)
        return;
    if (key == KeyBackspace || key == KeyDelete) {
        if (selLength_ == 0) {
            // Nothing selected: the character before (Backspace) or after (Delete) the cursor.
            if (key == KeyBackspace && selStart_ > 0)
                setSelection(selStart_ - 1, 1);
            else if (key == KeyDelete)
                setSelection(selStart_, 1);
        }
        if (selLength_ > 0)
            replaceSelection(QString());
        return;
    }
    if (key < 32)
        return;
    replaceSelection(QString(QChar(key)));
}

void TextBox::typeText(const QString& keys) {
    for (QChar ch : keys)
        typeKey(ch.unicode());
}

KeyEvent TextBox::askKey(int keyAscii, QString text, int selStart, int selLength) {
    // The handlers read the text and selection beside which the key would go; they are put in
    // place for the question only, with no event, and taken back after it.
    std::swap(text_, text);
    std::swap(selStart_, selStart);
    std::swap(selLength_, selLength);
    KeyEvent e{keyAscii};
    emit keyPress(&e);
    std::swap(text_, text);
    std::swap(selStart_, selStart);
    std::swap(selLength_, selLength);
    return e;
}

bool TextBox::pasteText(const QString& pasted) {
    if (locked_)
        return false;
    const QString text = pasted.trimmed();
    // First the whole text is tried on a copy, so that nothing goes in unless all of it can.
    QString trial = text_;
    int start = selStart_;
    int length = selLength_;
    for (QChar ch : text) {
        const int c = ch.unicode();
        if (c < 32 || c == KeyDelete) {
            emit pasteRefused(QString());
            return false;
        }
        const KeyEvent e = askKey(c, trial, start, length);
        if (e.keyAscii < 32 || e.keyAscii == KeyDelete) {
            emit pasteRefused(e.refusal);
            return false;
        }
        if (maxLength_ > 0 && trial.size() - length >= maxLength_) {
            emit pasteRefused(QString());
            return false;
        }
        trial = trial.left(start) + QChar(e.keyAscii) + trial.mid(start + length);
        start += 1;
        length = 0;
    }
    for (QChar ch : text) {
        const int key = pressKey(ch.unicode());
        if (key >= 32 && key != KeyDelete)
            replaceSelection(QString(QChar(key)));
    }
    return true;
}

void TextBox::setNotice(const QString& notice) {
    if (notice_ == notice)
        return;
    notice_ = notice;
    notify();
}

void TextBox::leaveFocus() {
    setNotice(QString());
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
