#pragma once

// What the window logic asks of the person in front of it: message boxes, file names and modal
// windows. The desktop program answers with real dialogs; tests and the command line answer from
// a script or a log, so no logic ever blocks on a widget it cannot see.

#include <QString>
#include <QStringList>

#include <optional>

namespace qtx52::forms {
class Form;
}

namespace qtx52::app {

class UserInteraction {
public:
    virtual ~UserInteraction() = default;

    // A message box with an OK button; returns when it is dismissed.
    virtual void messageBox(const QString& text, const QString& title) = 0;

    // A file dialog with a filter such as "Textfile (*.txt)|*.txt". An empty optional means the
    // user cancelled.
    virtual std::optional<QString> openFileName(const QString& filter) = 0;
    virtual std::optional<QString> saveFileName(const QString& filter) = 0;
    // A folder dialog opening at `start`. Empty: cancelled, or a window that cannot ask.
    virtual std::optional<QString> folderName(const QString& /*start*/) { return std::nullopt; }

    // Shows a window modally and returns once it is hidden or unloaded again.
    virtual void showModal(forms::Form& form) = 0;

    // Edits that would be lost: save them first, drop them, or do nothing. `answers` are the
    // three buttons' captions in the interface's language. Without an answer (a window that
    // cannot ask) nothing is lost.
    enum class UnsavedWork { Save, Discard, Cancel };
    virtual UnsavedWork askUnsavedWork(const QString& /*text*/, const QString& /*title*/,
                                       const QStringList& /*answers*/) {
        return UnsavedWork::Cancel;
    }
    // A question with yes and no ("replace the file?"), the captions in `answers`. Without an
    // answer: no.
    virtual bool askYesNo(const QString& /*text*/, const QString& /*title*/,
                          const QStringList& /*answers*/) {
        return false;
    }

    // Before values go to a unit: the fields that will change and what becomes of them, with the
    // captions for writing and for cancelling in `answers`. Without an answer: nothing is sent.
    virtual bool confirmWrite(const QString& text, const QString& title,
                              const QStringList& answers) {
        return askYesNo(text, title, answers);
    }
    // What a finished write did: how many fields changed and whether the unit holds them. A window
    // shows it; a command line prints its own account of the same and passes it by.
    virtual void report(const QString& text, const QString& title) { messageBox(text, title); }

    // Hands a file or an address (mailto:, http:) to the system's default handler. Returns false
    // when nothing could take it (no handler for its type, the handler failed); what to tell the
    // person is the caller's business.
    virtual bool openExternal(const QString& target) = 0;
};

} // namespace qtx52::app
