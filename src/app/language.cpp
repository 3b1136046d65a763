#include "app/language.h"

#include "app/program.h"
#include "settings/registry.h"

#include <initializer_list>

namespace qtx52::app {

namespace {

ControlText text(const char* control, int index, const char* de, const char* en) {
    return ControlText{QString::fromUtf8(control), index, QString::fromUtf8(de),
                       QString::fromUtf8(en)};
}

} // namespace

const std::vector<ControlText>& mainWindowTexts() {
    static const std::vector<ControlText> table = {
        text("cmd_read_device", -1, "Gerät auslesen", "Read device"),
        text("read_out_parameter", -1, "Abbrechen", "Cancel"),
        text("set_parameter", -1, "Werte übernehmen", "Apply"),
        text("lbl_desc", 0, "Konfigurationsregister", "Configuration register"),
        text("lbl_desc", 1, "Konfigurationscoils", "Configuration coils"),
        text("lbl_desc", 2, "Konfigurationsregister", "Configuration register"),
        text("lbl_desc", 3, "Konfigurationscoils", "Configuration coils"),
        text("lbl_desc", 4, "Konfigurationsregister", "Configuration register"),
        text("lbl_desc", 5, "Konfigurationsregister", "Configuration register"),
        text("lbl_desc", 6, "Konfigurationscoils", "Configuration coils"),
        text("lbl_desc", 7, "Konfigurationsregister", "Configuration register"),
        text("lbl_desc", 8, "Konfigurationscoils", "Configuration coils"),
        text("lbl_desc", 9, "Konfigurationsregister", "Configuration register"),
        text("lbl_desc", 10, "Konfigurationsregister", "Configuration register"),
        text("lbl_desc", 11, "Konfigurationsregister", "Configuration register"),
        text("lbl_desc", 12, "Eingaberegister", "Holding register"),
        text("lbl_desc", 13, "Konfigurationscoils", "Configuration coils"),
        text("lbl_desc", 14, "Eingaberegister", "Holding register"),
        text("lbl_desc", 15, "Ausgaberegister", "Input register"),
        text("lbl_desc", 16, "Kommunikationsprobleme, bitte Einstellungen überprüfen!",
             "Communication error! Check settings!"),
        text("lbl_desc", 17, "Ausgaberegister lesen:", "Read input register :"),
        text("lbl_desc", 18, "Konfigurationsregister", "Configuration register"),
        // English menus have no access keys.
        text("MenüMain", 1, "&Datei", "File"),
        text("MenüMain", 2, "&Über", "About"),
        text("MenüMain", 3, "&Hilfe", "Help"),
        text("ParMenüMain", 1, "&Parameter laden", "Load parameters"),
        text("ParMenüMain", 2, "&Parameter speichern", "Save parameters"),
        text("ParMenüMain", 4, "&Beenden", "Exit"),
        text("frm_allg", 1, "Gerätekonfiguration", "General settings"),
        text("frm_hold", 0, "Eingaberegister", "Holding register"),
        text("frm_coils", 0, "Eingabecoils", "Coils"),
        text("frm_display", 0, "Konfiguration", "Configuration"),
        text("frm_button", 0, "Taster", "Button"),
        text("frm_button", 1, "Digitale Eingänge", "Digital inputs"),
        text("frm_outp", -1, "Ausgänge", "Outputs"),
        text("frm_ctrl", 0, "Allgemeine Einstellungen: ", "General"),
        text("frm_ctrl", 1, "Parameter Heizen:", "Parameter Heating"),
        text("frm_ctrl", 2, "Parameter Kühlen:", "Parameter Cooling"),
        text("frm_soll", 1, "Sollwert", "Setpoints"),
        text("frm_val", 1, "Monitor", "Monitor"),
    };
    return table;
}

const std::vector<ControlText>& tabTitles() {
    static const std::vector<ControlText> table = {
        text("SSTab1", 0, "Allgemein", "General"),
        text("SSTab1", 1, "Anzeige", "Display"),
        text("SSTab1", 2, "Taster / Eingänge / Ausgänge", "Buttons / Inputs/ Outputs"),
        text("SSTab1", 3, "Regler", "Controller"),
        text("SSTab1", 4, "Sollwert", "Setpoint"),
        text("SSTab1", 5, "Monitor", "Monitor"),
    };
    return table;
}

const std::vector<LangText>& langTextTable() {
    static const std::vector<LangText> table = [] {
        struct Raw {
            int index;
            const char* de;
            const char* en;
        };
        static const Raw raw[] = {
            {0, "Aus", "off"},
            {1, "Stufe 1", "stage 1"},
            {2, "Stufe 2", "stage 2"},
            {3, "Stufe 3", "stage 3"},
            {4, "Auto", "auto"},
            {5, "nicht belegt", "unoccupied"},
            {6, "belegt", "occupied"},
            {7, "Als Trennzeichen Semikolon ; verwenden!", "use ; as separator!"},
            {8, "Konfigurationsbit", "configuration bit"},
            {9, "Baudrate: ", "baud rate: "},
            {10, "Modus: ", "mode: "},
            {11, "Parität: ", "parity: "},
            {12, "Adresse: ", "address: "},
            {23, "AKTIV", "ACTIVE"},
            {24, "AUS", "OFF"},
            {25, "AUS", "OFF"},
            {26, "Heizen", "Heating"},
            {27, "Kühlen", "Cooling"},
            {28, "Auto Heizen", "Auto Heating"},
            {29, "Auto Kühlen", "Auto Cooling"},
        };
        std::vector<LangText> out;
        for (const Raw& r : raw)
            out.push_back({r.index, QString::fromUtf8(r.de), QString::fromUtf8(r.en)});
        return out;
    }();
    return table;
}

void SetLanguage(Program& program, qint16 window) {
    Global& g = program.g;
    // Each value from a fresh reader, as every reader lives for one call.
    g.installPath = settings::CRegistry(program.stores)
                        .MachineSetting(settings::kProductKey, QStringLiteral("Pfad"));
    g.languageId = settings::CRegistry(program.stores)
                       .MachineSetting(settings::kProductKey, QStringLiteral("Language"));
    g.decimalSeparator = settings::CRegistry(program.stores)
                             .Werte(settings::kInternationalKey, QStringLiteral("sDecimal"));

    if (g.decimalSeparator.isEmpty())
        g.decimalSeparator = QStringLiteral(",");

    // Only the exact English code selects English; anything else, nothing included, is German.
    if (g.languageId != kLanguageEnglish) {
        if (g.languageId != kLanguageGerman)
            g.languageId = kLanguageGerman;
        g.helpDocument = kHelpDocumentGerman;
    } else {
        g.helpDocument = kHelpDocumentEnglish;
    }
    const Language language =
        g.languageId == kLanguageEnglish ? Language::English : Language::German;

    g.langTexts.fill(QString());
    for (const LangText& t : langTextTable())
        g.langTexts[t.index] = pick(language, t.de, t.en);

    // Each loaded window writes its own texts; the status window first, as it stands in front.
    for (QObject* loaded : {program.frmState_.get(), program.frmConfig_.get()})
        if (auto* texts = dynamic_cast<LanguageTexts*>(loaded))
            texts->applyLanguage(language, window);
}

} // namespace qtx52::app
