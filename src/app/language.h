#pragma once

// The interface language. German is the design language: every window carries its German texts
// from the start. English is written over them when a window loads under English. The language,
// the installation folder and the decimal separator are read afresh at every window load, so a
// change in the settings store shows in the next window loaded.

#include "settings/store_paths.h"

#include <QString>

#include <functional>
#include <vector>

namespace qtx52::app {

class Program;

inline const QString kLanguageGerman = QStringLiteral("1031");
inline const QString kLanguageEnglish = QStringLiteral("1033");

// The help documents below the installation folder, by language.
inline const QString kHelpDocumentGerman =
    QStringLiteral("\\Doc\\QTX52 RS485 Modbus, Register MS_1.pdf");
inline const QString kHelpDocumentEnglish =
    QStringLiteral("\\Doc\\QTX52 RS485 Modbus, Register MS_1_eng.pdf");

// Window numbers that SetLanguage knows.
inline constexpr qint16 kWindowMain = 0;
inline constexpr qint16 kWindowState = 3;

enum class Language { German, English };

// The one of a German and English pair that the language shows.
// A text of the logic in both interface languages, as the source holds them (UTF-8).
struct BothLanguages {
    const char* de;
    const char* en;
    QString in(bool english) const { return QString::fromUtf8(english ? en : de); }
    QString in(const QString& languageId) const { return in(languageId == kLanguageEnglish); }
};

// A table's text for one purpose, in both interface languages.
template <class Which> struct NamedText {
    Which which;
    const char* de;
    const char* en;
};

// The text of the table for `which`; empty when the table has none.
template <class Table, class Which> QString textOf(const Table& table, Which which, bool english) {
    for (const auto& t : table)
        if (t.which == which)
            return QString::fromUtf8(english ? t.en : t.de);
    return {};
}

template <class Text> const Text& pick(Language language, const Text& de, const Text& en) {
    return language == Language::English ? en : de;
}

// A window that writes its own texts of the language. The windows the program holds (Program's
// frmConfig_ and frmState_) that are one are told at every SetLanguage, with the number of the
// window being loaded, so that this room knows no window class.
class LanguageTexts {
public:
    virtual void applyLanguage(Language language, qint16 loadingWindow) = 0;

protected:
    ~LanguageTexts() = default;
};

// The interface language's code, "1031" or "1033": the technician's choice kept in the user
// store when it is one of the two, else the machine store's "Language" (the installation's
// default); only the exact English code selects English.
QString interfaceLanguageId(const settings::StorePaths& stores);

// Switches the interface to `language` at once: the choice goes to the user store (and holds for
// this run even when the store cannot be written), and every loaded window writes its texts.
// Returns false when the user store could not keep it.
bool ChooseLanguage(Program& program, Language language);

// Writes a window's texts again whenever the language changes, for as long as it lives: the seam
// through which the windows beside the program's own (the bus windows, the recording control, the
// trend, the sheet) follow a switch without this room knowing them. Declare it last, so that it
// goes before the controls it writes.
class LanguageFollower final : public LanguageTexts {
public:
    LanguageFollower(Program& program, std::function<void()> apply);
    ~LanguageFollower();
    LanguageFollower(const LanguageFollower&) = delete;
    LanguageFollower& operator=(const LanguageFollower&) = delete;
    void applyLanguage(Language language, qint16 loadingWindow) override;

private:
    Program& program_;
    std::function<void()> apply_;
};

// Reads "Pfad", "Language" and "sDecimal", sets installPath, languageId (normalised to "1031" or
// "1033"), helpDocument, decimalSeparator ("," when none is set) and langTexts, and has the
// loaded windows write the texts of the language: the window being loaded takes them, and under
// German the status window also sets its waiting text, whichever window is loading. The windows
// beside them (Program::languageTexts) write theirs too.
void SetLanguage(Program& program, qint16 window);

// A caption of the main window that is not a register or coil caption (those live in the register
// map). The control is named as its object: the array name, and the element index or -1.
struct ControlText {
    QString control;
    int index;
    QString de;
    QString en;
};
const std::vector<ControlText>& mainWindowTexts();
// Tab titles of SSTab1, German and English, in tab order.
const std::vector<ControlText>& tabTitles();

// The run-time texts of langTexts in both languages; indices not listed stay empty.
struct LangText {
    int index;
    QString de;
    QString en;
};
const std::vector<LangText>& langTextTable();

} // namespace qtx52::app
