#pragma once

// The two modal windows on screen: the identical-parameters question and the About window. Each
// shows its form while the program keeps it visible and loaded.

#include <QDialog>
#include <QPointer>

namespace qtx52::windows {
class dlg_download;
class fAbout;
} // namespace qtx52::windows
namespace qtx52::forms {
class Form;
}

namespace qtx52::gui {

// Shows a form's caption and enabled state in a dialog, hides the dialog with the form, and
// hands the title-bar box and Escape to the form.
class FormDialog : public QDialog {
    Q_OBJECT
public:
    FormDialog(forms::Form& form, QWidget* parent);
    forms::Form* form() const { return form_; }
    // Whether the form still wants to be on screen.
    bool formShown() const;

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void sync();

private:
    QPointer<forms::Form> form_;
};

class DownloadDialogView : public FormDialog {
    Q_OBJECT
public:
    DownloadDialogView(windows::dlg_download& dialog, QWidget* parent);
    void showEvent(QShowEvent* event) override;

private:
    QPointer<windows::dlg_download> dialog_;
    bool placed_ = false;
};

class AboutView : public FormDialog {
    Q_OBJECT
public:
    AboutView(windows::fAbout& about, QWidget* parent);
    void showEvent(QShowEvent* event) override;

private:
    bool placed_ = false;
};

} // namespace qtx52::gui
