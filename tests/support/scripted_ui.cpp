#include "support/scripted_ui.h"

#include "forms/controls.h"

namespace qtx52::testing {

void ScriptedUi::messageBox(const QString& text, const QString& title) {
    messages_.append({text, title});
    if (onMessage)
        onMessage(messages_.last());
}

std::optional<QString> ScriptedUi::answer(std::deque<std::optional<QString>>& queue,
                                          const QString& filter) {
    filters_.append(filter);
    if (queue.empty()) {
        ++unanswered_;
        return std::nullopt;
    }
    // Taken apart explicitly: copying the optional whole trips a false uninitialised warning.
    const bool given = queue.front().has_value();
    const QString a = given ? *queue.front() : QString();
    queue.pop_front();
    return given ? std::optional<QString>(a) : std::nullopt;
}

std::optional<QString> ScriptedUi::openFileName(const QString& filter) {
    return answer(openAnswers_, filter);
}

std::optional<QString> ScriptedUi::saveFileName(const QString& filter) {
    return answer(saveAnswers_, filter);
}

app::UserInteraction::UnsavedWork
ScriptedUi::askUnsavedWork(const QString& text, const QString& title, const QStringList&) {
    questions_.append({text, title});
    if (unsavedAnswers_.empty()) {
        ++unanswered_;
        return UnsavedWork::Cancel;
    }
    const UnsavedWork a = unsavedAnswers_.front();
    unsavedAnswers_.pop_front();
    return a;
}

bool ScriptedUi::askYesNo(const QString& text, const QString& title, const QStringList&) {
    questions_.append({text, title});
    if (yesNoAnswers_.empty()) {
        ++unanswered_;
        return false;
    }
    const bool a = yesNoAnswers_.front();
    yesNoAnswers_.pop_front();
    return a;
}

bool ScriptedUi::confirmWrite(const QString& text, const QString& title, const QStringList&) {
    writeQuestions_.append({text, title});
    if (writeAnswers_.empty())
        return true;
    const bool a = writeAnswers_.front();
    writeAnswers_.pop_front();
    return a;
}

void ScriptedUi::showModal(forms::Form& form) {
    modalForms_.append(form.objectName());
    form.setVisible(true);
    if (!modalActions_.empty()) {
        ModalAction action = std::move(modalActions_.front());
        modalActions_.pop_front();
        action(form);
    }
    // The modal loop ends here whatever the script did; a form the script left open is hidden.
    if (form.visible())
        form.setVisible(false);
}

QStringList ScriptedUi::messageTexts() const {
    QStringList out;
    for (const Message& m : messages_)
        out.append(m.text);
    return out;
}

QList<ScriptedUi::Message> ScriptedUi::takeMessages() {
    QList<Message> out;
    out.swap(messages_);
    return out;
}

} // namespace qtx52::testing
