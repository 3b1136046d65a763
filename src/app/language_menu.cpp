#include "app/language_menu.h"

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"

namespace qtx52::app {

namespace {

Language shown(const Program& program) {
    return program.g.languageId == kLanguageEnglish ? Language::English : Language::German;
}

} // namespace

LanguageMenu::LanguageMenu(Program& program)
    : mnuLanguage(QStringLiteral("mnuLanguage"), -1, this), program_(program) {
    program_.addLanguageTexts(this);
    connect(&mnuLanguage, &forms::MenuItem::click, this, [this] { mnuLanguage_Click(); });
    applyLanguage(shown(program_), kWindowMain);
}

LanguageMenu::~LanguageMenu() {
    program_.removeLanguageTexts(this);
}

void LanguageMenu::mnuLanguage_Click() {
    const Language next =
        shown(program_) == Language::English ? Language::German : Language::English;
    if (!ChooseLanguage(program_, next))
        program_.ui.messageBox(
            pick(next,
                 QStringLiteral("Die Sprache gilt bis zum Programmende: die Benutzereinstellungen "
                                "können sie nicht speichern."),
                 QStringLiteral("The language holds until the program ends: the user settings "
                                "cannot keep it.")),
            kAppTitle);
}

void LanguageMenu::applyLanguage(Language language, qint16) {
    mnuLanguage.setCaption(language == Language::English ? QStringLiteral("Deutsch")
                                                         : QStringLiteral("English"));
}

} // namespace qtx52::app
