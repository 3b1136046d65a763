#pragma once

// The person in front of the program when it runs a command without a window: every message box
// becomes a line for the technician and is dismissed at once, the file dialogs answer with the
// file named on the command line, and a modal window does what the command decides. Nothing ever
// waits for a click.

#include "app/ui.h"

#include <QString>

#include <functional>
#include <optional>

namespace qtx52::cli {

using app::UserInteraction;

class CommandUi : public UserInteraction {
public:
    // Where the message lines go.
    explicit CommandUi(std::function<void(const QString&)> say);

    void messageBox(const QString& text, const QString& title) override;
    // Each dialog answers once with the name given it; any further dialog is cancelled.
    std::optional<QString> openFileName(const QString& filter) override;
    std::optional<QString> saveFileName(const QString& filter) override;
    void showModal(forms::Form& form) override;
    // Nothing is opened without a screen.
    bool openExternal(const QString&) override { return false; }
    // A command goes on with what it was asked to do: the editor's values are the unit's or the
    // file's, and the file named on the command line is the one meant.
    UnsavedWork askUnsavedWork(const QString&, const QString&, const QStringList&) override {
        return UnsavedWork::Discard;
    }
    bool askYesNo(const QString&, const QString&, const QStringList&) override { return true; }
    // The command lists the changes and says what the unit holds afterwards in its own lines.
    void report(const QString&, const QString&) override {}

    void answerOpen(const QString& fileName) { open_ = fileName; }
    void answerSave(const QString& fileName) { save_ = fileName; }
    // What a modal window does while shown; without it, or if it leaves the window shown, the
    // window is hidden again at once.
    std::function<void(forms::Form&)> modal;

    // Message boxes shown so far.
    int messageCount() const { return messages_; }

private:
    std::function<void(const QString&)> say_;
    std::optional<QString> open_;
    std::optional<QString> save_;
    int messages_ = 0;
};

} // namespace qtx52::cli
