#pragma once

// The interface language. German is the design language: every window carries its German texts
// from the start. English is written over them when a window loads under English. The language,
// the installation folder and the decimal separator are read afresh at every window load, so a
// change in the settings store shows in the next window loaded.

#include <QString>

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

// Reads "Pfad", "Language" and "sDecimal", sets installPath, languageId (normalised to "1031" or
// "1033"), helpDocument, decimalSeparator ("," when none is set) and langTexts, and has the
// loaded windows write the texts of the language: the window being loaded takes them, and under
// German the status window also sets its waiting text, whichever window is loading.
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
