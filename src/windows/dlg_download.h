#pragma once

// The identical-parameters dialog: Apply shows it modally when no field carries a change mark and
// reads the answer from downloadConfirmed once it is hidden again. It has no English texts: the
// German ones show under either language.
//
// Reached through Program::dlg_download(), which creates and loads it on first use. It is only
// hidden after an answer, never unloaded, so a later use shows the same instance at its last
// position.

#include "forms/controls.h"

#include <QObject>

#include <vector>

namespace qtx52::app {
class Program;
struct Global;
} // namespace qtx52::app

namespace qtx52::windows {

class dlg_download : public QObject {
    Q_OBJECT
public:
    explicit dlg_download(app::Program& program);
    ~dlg_download() override;

    app::Program& program;
    app::Global& g;

    forms::Form form;
    forms::Frame Frame1;
    forms::Label Label1;
    forms::Label Label2;
    forms::CommandButton OKButton;
    forms::CommandButton CancelButton;

    // Design geometry in twips for the view: the client area, and each control's left, top, width
    // and height (the labels and buttons inside Frame1).
    struct Rect {
        int left;
        int top;
        int width;
        int height;
    };
    static constexpr int kClientWidth = 5235;
    static constexpr int kClientHeight = 1815;
    static Rect designRect(const forms::Control& control);

    // The controls that take the focus, in tab order. The first one has the focus when the dialog
    // opens: "Abbrechen", so that Enter on an unexpected question does not write to the unit.
    std::vector<forms::Control*> tabOrder();
    forms::Control* initialFocus() { return tabOrder().front(); }

    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();
};

} // namespace qtx52::windows
