#pragma once

// Headless controls: the state of every window element as the window logic sees it. The logic
// reads and assigns these; views (src/gui) show them and hand user input to them.
//
// The event rule: assigning a state from the program raises the same event as a user's change and
// runs the connected handler at once, nested inside the assignment. An assignment that leaves the
// state as it was raises nothing, which is what ends the chains between partner controls.
// Every visible property change also emits changed(), which is what views listen to.

#include <QObject>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

namespace qtx52::forms {

// Colours are kept as the integers the program uses; a view maps them to its palette.
using Color = quint32;
inline constexpr Color ColorButtonText = 0x80000012u; // normal text: equal to the unit's value
inline constexpr Color ColorWindowBackground = 0x80000005u;
inline constexpr Color ColorScrollBars = 0x80000000u; // background of read-only value boxes
inline constexpr Color ColorChanged = 255u;           // red: differs from the unit's value
inline constexpr Color ColorBlack = 0u;

class Control : public QObject {
    Q_OBJECT
public:
    Control(const QString& name, int index, QObject* parent);

    const QString& name() const { return name_; }
    // Element index within a control array, or -1 for a single control.
    int index() const { return index_; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool on);
    bool visible() const { return visible_; }
    void setVisible(bool on);
    Color foreColor() const { return foreColor_; }
    void setForeColor(Color c);
    Color backColor() const { return backColor_; }
    void setBackColor(Color c);

    // The frame or window that holds this control; a disabled container blocks input to its
    // children.
    Control* container() const { return container_; }
    void setContainer(Control* c) { container_ = c; }
    // Whether a user's input can reach this control now: it and every container are enabled, and
    // it is visible.
    bool acceptsInput() const;

signals:
    void changed();

protected:
    void notify() { emit changed(); }

private:
    QString name_;
    int index_;
    bool enabled_ = true;
    bool visible_ = true;
    Color foreColor_ = ColorButtonText;
    Color backColor_ = ColorWindowBackground;
    Control* container_ = nullptr;
};

// A key press on its way into a text box; a handler swallows it by setting keyAscii to 0, and may
// say why in the interface's language.
struct KeyEvent {
    int keyAscii;
    QString refusal = QString();
};

inline constexpr int KeyBackspace = 8;
inline constexpr int KeyEnter = 13;
inline constexpr int KeyDelete = 127;

class TextBox : public Control {
    Q_OBJECT
public:
    using Control::Control;

    const QString& text() const { return text_; }
    // Program or user: raises change() when the text differs. Never truncates: the length limit
    // applies to typed keys only.
    void setText(const QString& text);
    int maxLength() const { return maxLength_; }
    void setMaxLength(int n);

    // The selection as the view shows it: where it starts (the cursor when nothing is selected)
    // and how many characters it covers. A typed key replaces it, so the length limit and the
    // key handlers count the text without it. Setting it raises no event; a text assigned by the
    // program puts the cursor at its end.
    int selStart() const { return selStart_; }
    int selLength() const { return selLength_; }
    void setSelection(int start, int length);
    // The text as it would be once the selection is typed over: what the key handlers look at.
    QString textBesideSelection() const;

    // Runs a typed key through the keyPress handlers and the length limit; returns the key that
    // may go into the text, or 0 when it is swallowed.
    int pressKey(int keyAscii);
    // Types one key at the cursor, over the selection: a printable key replaces it, Backspace and
    // Delete remove it (or the character before or after the cursor when nothing is selected).
    void typeKey(int keyAscii);
    void typeText(const QString& keys);
    // Pasted or dropped text, taken as if typed character by character at the cursor, every
    // character that goes in raising its change as a typed one would. Blanks and line ends around
    // it are a copy's, not the value's. It goes in whole or not at all: when a key handler would
    // swallow any of its characters, or the length limit would cut it, nothing changes (leaving
    // out a character would change the value's magnitude without a word) and pasteRefused()
    // says why: the handler's reason, or empty when it was the length or a control character.
    bool pasteText(const QString& text);
    // The box loses the keyboard focus.
    void leaveFocus();
    // A locked box shows values the person reads and copies but does not edit: typed keys are
    // swallowed; the program's own assignments go on raising their events.
    bool locked() const { return locked_; }
    void setLocked(bool locked);
    // What the box last refused and why, for the view to show at the box (its tooltip); the
    // window logic sets it and leaving the box clears it.
    const QString& notice() const { return notice_; }
    void setNotice(const QString& notice);

signals:
    void change();
    void keyPress(qtx52::forms::KeyEvent* event);
    void lostFocus();
    void pasteRefused(const QString& why);

private:
    // Writes `replacement` over the selection and leaves the cursor after it.
    void replaceSelection(const QString& replacement);

    // What a key would become at the cursor if the text were `text` with this selection, asked
    // of the key handlers without changing anything.
    KeyEvent askKey(int keyAscii, QString text, int selStart, int selLength);

    QString text_;
    QString notice_;
    int maxLength_ = 0;
    bool locked_ = false;
    int selStart_ = 0;
    int selLength_ = 0;
};

class Label : public Control {
    Q_OBJECT
public:
    using Control::Control;
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);
    void userClick();

signals:
    void click();

private:
    QString caption_;
};

class Frame : public Control {
    Q_OBJECT
public:
    using Control::Control;
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);

private:
    QString caption_;
};

class CommandButton : public Control {
    Q_OBJECT
public:
    using Control::Control;
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);
    // A user's click: reaches the handler only when the button accepts input.
    void userClick();

signals:
    void click();

private:
    QString caption_;
};

// Check box values: 0 cleared, 1 set, 2 undetermined.
class CheckBox : public Control {
    Q_OBJECT
public:
    using Control::Control;
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);
    int value() const { return value_; }
    // Program or user: raises click() when the value differs.
    void setValue(int value);
    // A user's click toggles between set and cleared.
    void userClick();

signals:
    void click();

private:
    QString caption_;
    int value_ = 0;
};

// A drop-down list: entries and the selected position (-1 when none).
class ListBox : public Control {
    Q_OBJECT
public:
    using Control::Control;
    const QStringList& items() const { return items_; }
    int listCount() const { return int(items_.size()); }
    // Replaces all entries; the selection is cleared without an event.
    void setItems(const QStringList& items);
    // Rewrites one entry in place (language switch); no event.
    void setItemText(int position, const QString& text);
    int listIndex() const { return listIndex_; }
    // Program or user: raises click() when the position differs. A position outside -1..count-1
    // is refused (returns false) and changes nothing.
    bool setListIndex(int position);
    QString text() const;

signals:
    void click();

private:
    QStringList items_;
    int listIndex_ = -1;
};

class TabStrip : public Control {
    Q_OBJECT
public:
    using Control::Control;
    const QStringList& captions() const { return captions_; }
    void setCaptions(const QStringList& captions);
    void setTabCaption(int tab, const QString& caption);
    int tab() const { return tab_; }
    // Program or user: raises click(previousTab) when the selected tab differs.
    void setTab(int tab);

signals:
    void click(int previousTab);

private:
    QStringList captions_;
    int tab_ = 0;
};

class ProgressBar : public Control {
    Q_OBJECT
public:
    using Control::Control;
    int min() const { return min_; }
    int max() const { return max_; }
    int value() const { return value_; }
    void setMin(int v);
    void setMax(int v);
    void setValue(int v);

private:
    int min_ = 0;
    int max_ = 100;
    int value_ = 0;
};

class MenuItem : public Control {
    Q_OBJECT
public:
    using Control::Control;
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);
    bool isSeparator() const { return caption_ == QLatin1String("-"); }
    void userClick();

signals:
    void click();

private:
    QString caption_;
};

// Up/down arrows beside a value box. Its size is the one the view draws, in pixels, since the
// auto-repeat tells the arrows apart by the pointer position.
class UpDown : public Control {
    Q_OBJECT
public:
    using Control::Control;
    double min() const { return min_; }
    double max() const { return max_; }
    void setRange(double min, double max);
    int width() const { return width_; }
    int height() const { return height_; }
    void setSize(int width, int height);

    void userClickUp();
    void userClickDown();
    void userMouseDown(int x, int y);
    void userMouseMove(int x, int y);
    void userMouseUp(int x, int y);

signals:
    void upClick();
    void downClick();
    void mouseDown(int x, int y);
    void mouseMove(int x, int y);
    void mouseUp(int x, int y);

private:
    double min_ = 0;
    double max_ = 10;
    int width_ = 17;
    int height_ = 20;
};

// A window: caption, enabled and visible state. The window logic loads and unloads it; a view
// shows it while it is visible and loaded.
class Form : public Control {
    Q_OBJECT
public:
    Form(const QString& name, QObject* parent);
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);
    bool loaded() const { return loaded_; }
    void setLoaded(bool loaded);

signals:
    // The user asked to close the window with its title-bar box.
    void closeRequested();

public:
    void userClose() { emit closeRequested(); }

private:
    QString caption_;
    bool loaded_ = false;
};

// Elements of a control array by index; sparse (chk_cfg has 0..13 and 99).
template <class T> class ControlArray {
public:
    explicit ControlArray(const char* name = "") : name_(name) {}

    T& operator()(int i) const {
        auto it = items_.find(i);
        if (it == items_.end())
            qFatal("control array %s has no element %d", name_, i);
        return *it->second;
    }
    T* at(int i) const {
        auto it = items_.find(i);
        return it == items_.end() ? nullptr : it->second;
    }
    bool contains(int i) const { return items_.count(i) != 0; }
    void add(int i, T* c) { items_[i] = c; }
    std::vector<int> indices() const {
        std::vector<int> out;
        for (const auto& [i, c] : items_)
            out.push_back(i);
        return out;
    }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    int size() const { return int(items_.size()); }
    const char* name() const { return name_; }

private:
    const char* name_;
    std::map<int, T*> items_;
};

} // namespace qtx52::forms
