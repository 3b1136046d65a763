#pragma once

// The status window on screen: the waiting text, the progress bar and the buttons. A top-level
// window of its own (a child of the main window would be disabled with it), centred on the
// screen, kept above the main window. It lives as long as the program keeps the window loaded.

#include <QPointer>
#include <QWidget>

namespace qtx52::windows {
class frmState;
}
namespace qtx52::forms {
class Form;
}

namespace qtx52::gui {

class StatusWindowView : public QWidget {
    Q_OBJECT
public:
    explicit StatusWindowView(windows::frmState& window);
    ~StatusWindowView() override;

    // Keeps the window in front of `owner` without making it a child.
    void stayAbove(QWidget* owner);
    // The program has unloaded the window: the view lets go of its models and goes away.
    void detach();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void sync();
    QPointer<forms::Form> form_;
};

} // namespace qtx52::gui
