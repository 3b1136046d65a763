#pragma once

// The views' tests: a started program with its main window on screen.

#include "app/program.h"
#include "editor/frm_config.h"
#include "gui/main_window_view.h"
#include "support/test_program.h"

#include <QCoreApplication>

#include <memory>

namespace qtx52::testing {

// A started program with its main window on screen.
struct Shown {
    testing::TestProgram tp;
    std::unique_ptr<gui::MainWindowView> view;
    Shown() {
        app::Main(tp.program());
        view = std::make_unique<gui::MainWindowView>(tp.program());
        view->show();
    }
    editor::frm_config& w() { return tp.program().frm_config(); }
    template <class T> T* widget(const forms::Control& c) {
        return qobject_cast<T*>(view->widgetFor(&c));
    }
};

inline forms::TextBox& textBox(editor::frm_config& w, const QString& which) {
    if (which == QLatin1String("address"))
        return *w.txt_Modbus_adress;
    const int i = which.mid(which.indexOf(QLatin1Char(':')) + 1).toInt();
    return which.startsWith(QLatin1String("cfg")) ? w.txt_data_cfg(i) : w.txt_data_in(i);
}

inline void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace qtx52::testing
