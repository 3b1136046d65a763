#pragma once

// The person in front of the desktop program: real message boxes, file dialogs and modal
// windows.

#include "app/ui.h"

#include <QPointer>

#include <map>

class QWidget;

namespace qtx52::gui {

class FormDialog;

class GuiInteraction : public app::UserInteraction {
public:
    GuiInteraction() = default;
    ~GuiInteraction() override;

    // The window that dialogs stand over (the main window once it is up).
    void setOwner(QWidget* owner) { owner_ = owner; }

    void messageBox(const QString& text, const QString& title) override;
    std::optional<QString> openFileName(const QString& filter) override;
    std::optional<QString> saveFileName(const QString& filter) override;
    std::optional<QString> folderName(const QString& start) override;
    void showModal(forms::Form& form) override;
    UnsavedWork askUnsavedWork(const QString& text, const QString& title,
                               const QStringList& answers) override;
    bool askYesNo(const QString& text, const QString& title, const QStringList& answers) override;
    // On a Linux desktop the opener's exit code tells whether a program took the target: 3 (no
    // program for its type), 4 (the program failed) and 2 (no such file) are failures. An opener
    // still running after a short wait has started a viewer in the foreground: success.
    bool openExternal(const QString& target) override;

    // "Textfile (*.txt)|*.txt" as a file dialog takes it: "Textfile (*.txt)".
    static QString qtFilter(const QString& filter);
    // The view that shows a modal form, created on its first showing.
    FormDialog* viewFor(forms::Form& form);

private:
    QPointer<QWidget> owner_;
    std::map<const forms::Form*, QPointer<FormDialog>> views_;
};

} // namespace qtx52::gui
