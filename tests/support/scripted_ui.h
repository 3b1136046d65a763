#pragma once

// The person in front of the program, played by a test: message boxes are recorded and dismissed
// at once, file dialogs and modal windows are answered from queues the test fills beforehand,
// and external opens are recorded. A dialog with no queued answer is cancelled and counted, so a
// test can tell an expected cancel from a question it did not foresee.

#include "app/ui.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace qtx52::testing {

class ScriptedUi : public app::UserInteraction {
public:
    struct Message {
        QString text;
        QString title;
    };
    // What a modal window does while it is shown, for example click one of its buttons. The form
    // is visible while its action runs; showModal returns after the action, hiding the form if
    // the action left it visible (the script, not the user, ends the modal loop).
    using ModalAction = std::function<void(forms::Form& form)>;

    // app::UserInteraction
    void messageBox(const QString& text, const QString& title) override;
    std::optional<QString> openFileName(const QString& filter) override;
    std::optional<QString> saveFileName(const QString& filter) override;
    // Answered from its own queue; the folder it opened at is recorded as its filter.
    std::optional<QString> folderName(const QString& start) override {
        return answer(folderAnswers_, start);
    }
    void queueFolderName(std::optional<QString> answer) { folderAnswers_.push_back(answer); }
    void showModal(forms::Form& form) override;
    // Recorded apart from the messages; answered from the queues below, and without an answer as
    // a window that cannot ask (cancel, no), counted as unanswered.
    UnsavedWork askUnsavedWork(const QString& text, const QString& title,
                               const QStringList& answers) override;
    bool askYesNo(const QString& text, const QString& title, const QStringList& answers) override;
    // Recorded apart from the other questions; answered from its own queue, and without an answer
    // with "write", as a person who clicked Apply meant: a test that cares queues its answer.
    bool confirmWrite(const QString& text, const QString& title,
                      const QStringList& answers) override;
    void queueConfirmWrite(bool answer) { writeAnswers_.push_back(answer); }
    const QList<Message>& writeQuestions() const { return writeQuestions_; }
    // Reports of finished writes, recorded apart from the message boxes.
    void report(const QString& text, const QString& title) override {
        reports_.append({text, title});
    }
    const QList<Message>& reports() const { return reports_; }
    void queueUnsavedWork(UnsavedWork answer) { unsavedAnswers_.push_back(answer); }
    void queueYesNo(bool answer) { yesNoAnswers_.push_back(answer); }
    // Recorded; the answer is what setExternalsOpen last chose (true: a program took it).
    bool openExternal(const QString& target) override {
        externals_.append(target);
        return externalsOpen_;
    }

    // Answers for the next file dialogs; an empty optional is a cancel.
    void queueOpenFileName(std::optional<QString> answer) { openAnswers_.push_back(answer); }
    void queueSaveFileName(std::optional<QString> answer) { saveAnswers_.push_back(answer); }
    // What the next modal window does; with none queued it is shown and hidden again at once.
    void queueModal(ModalAction action) { modalActions_.push_back(std::move(action)); }
    // Whether the next external opens find a program (as on a desktop without a PDF viewer).
    void setExternalsOpen(bool open) { externalsOpen_ = open; }
    // Called with every message box as it is shown, for tests that act while it is open.
    std::function<void(const Message&)> onMessage;

    const QList<Message>& messages() const { return messages_; }
    const QList<Message>& questions() const { return questions_; }
    QStringList messageTexts() const;
    QList<Message> takeMessages();
    // Filters of the file dialogs shown, in order.
    const QStringList& fileFilters() const { return filters_; }
    // Object names of the forms shown modally, in order.
    const QStringList& modalForms() const { return modalForms_; }
    const QStringList& externals() const { return externals_; }
    // Dialogs shown with no answer queued (answered with a cancel).
    int unansweredDialogs() const { return unanswered_; }

private:
    std::optional<QString> answer(std::deque<std::optional<QString>>& queue, const QString& filter);

    QList<Message> messages_;
    QList<Message> questions_;
    QStringList filters_;
    QStringList modalForms_;
    QStringList externals_;
    std::deque<std::optional<QString>> openAnswers_;
    std::deque<std::optional<QString>> saveAnswers_;
    std::deque<std::optional<QString>> folderAnswers_;
    std::deque<ModalAction> modalActions_;
    std::deque<UnsavedWork> unsavedAnswers_;
    std::deque<bool> yesNoAnswers_;
    std::deque<bool> writeAnswers_;
    QList<Message> writeQuestions_;
    QList<Message> reports_;
    int unanswered_ = 0;
    bool externalsOpen_ = true;
};

} // namespace qtx52::testing
