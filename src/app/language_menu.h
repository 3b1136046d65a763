#pragma once

// The menu entry that switches the interface between German and English at once. It names the
// language it switches to, in that language's own word ("English" under German, "Deutsch" under
// English), so a technician who cannot read the other language still finds it. The main window's
// view adds it to the menu bar; the window logic does not know it.

#include "app/language.h"
#include "forms/controls.h"

#include <QObject>

namespace qtx52::app {

class Program;

class LanguageMenu final : public QObject, public LanguageTexts {
    Q_OBJECT
public:
    explicit LanguageMenu(Program& program);
    ~LanguageMenu() override;

    forms::MenuItem mnuLanguage;

    // Switches to the other language and keeps the choice in the user store.
    void mnuLanguage_Click();
    void applyLanguage(Language language, qint16 loadingWindow) override;

private:
    Program& program_;
};

} // namespace qtx52::app
