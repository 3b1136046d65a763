#pragma once

// Controls of a window found by their object name ("lbl_cfg(7)", "SSTab1"), and what each kind
// shows, so table-driven tests can name controls as data.

#include "forms/controls.h"

#include <QObject>
#include <QString>

#include <utility>
#include <vector>

namespace qtx52::testing {

// The control of a window (a direct child of the window object) with that object name, or
// nullptr.
forms::Control* findControl(QObject& window, const QString& objectName);

// The text a control shows: the caption of a label, frame, button, check box, menu item or form,
// the text of a text box, the selected entry of a list; empty for other kinds.
QString shownText(const forms::Control& control);

// The tab of SSTab1 whose frames hold the control (through its containers), or -1 outside the
// tabs. Needs the main window.
class TabLookup {
public:
    template <class Window> explicit TabLookup(const Window& w) {
        for (int tab = 0; tab < Window::kTabCount; ++tab)
            for (const forms::Frame* f : w.framesOnTab(tab))
                frames_.push_back({f, tab});
    }
    int tabOf(const forms::Control& control) const;

private:
    std::vector<std::pair<const forms::Control*, int>> frames_;
};

} // namespace qtx52::testing
