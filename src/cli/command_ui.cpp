#include "cli/command_ui.h"

#include "forms/controls.h"

#include <utility>

namespace qtx52::cli {

CommandUi::CommandUi(std::function<void(const QString&)> say) : say_(std::move(say)) {}

void CommandUi::messageBox(const QString& text, const QString& title) {
    ++messages_;
    say_(title + QStringLiteral(": ") + text);
}

std::optional<QString> CommandUi::openFileName(const QString&) {
    return std::exchange(open_, std::nullopt);
}

std::optional<QString> CommandUi::saveFileName(const QString&) {
    return std::exchange(save_, std::nullopt);
}

void CommandUi::showModal(forms::Form& form) {
    form.setVisible(true);
    if (modal)
        modal(form);
    if (form.visible())
        form.setVisible(false);
}

} // namespace qtx52::cli
