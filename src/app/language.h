#pragma once

// The interface language. German is the design language: every window carries its German texts
// from the start. English is written over them when a window loads under English. The language,
// the installation folder and the decimal separator are read afresh at every window load, so a
// change in the settings store shows in the next window loaded.

#include <QString>

#include <vector>

namespace qtx52::editor {
class frm_config;
}

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

// Reads "Pfad", "Language" and "sDecimal", sets installPath, languageId (normalised to "1031" or
// "1033"), helpDocument, decimalSeparator ("," when none is set) and langTexts, and writes the
// texts of the language into the window being loaded. Under German it also sets the status
// window's waiting text, whichever window is loading.
void SetLanguage(Program& program, qint16 window);

enum class Language { German, English };

// Writes every caption, tab title, menu text and list entry of the main window that differs
// between the languages. German is what the window is created with; English is written over it
// at load.
void applyMainWindowTexts(editor::frm_config& window, Language language);

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
