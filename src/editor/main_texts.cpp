// The main window's texts of the interface language: captions, tab titles, menu texts and list
// entries from the language tables and the register map.

#include "app/language.h"
#include "editor/frm_config.h"
#include "params/register_map.h"

namespace qtx52::editor {

using namespace params;
using app::ControlText;
using app::pick;

namespace {

// Sets the caption of a control of any captioned kind, found by its object name.
void setCaptionOf(QObject& window, const QString& control, int index, const QString& caption) {
    const QString name = index < 0 ? control : QStringLiteral("%1(%2)").arg(control).arg(index);
    QObject* o = window.findChild<QObject*>(name, Qt::FindDirectChildrenOnly);
    if (auto* c = qobject_cast<forms::Label*>(o))
        c->setCaption(caption);
    else if (auto* c = qobject_cast<forms::Frame*>(o))
        c->setCaption(caption);
    else if (auto* c = qobject_cast<forms::CommandButton*>(o))
        c->setCaption(caption);
    else if (auto* c = qobject_cast<forms::CheckBox*>(o))
        c->setCaption(caption);
    else if (auto* c = qobject_cast<forms::MenuItem*>(o))
        c->setCaption(caption);
    else
        qWarning("no captioned control %s", qPrintable(name));
}

// Rewrites a list's entries in place, position by position, as far as both reach.
void setEntries(forms::ListBox* list, const QStringList& entries) {
    if (!list)
        return;
    for (int pos = 0; pos < entries.size() && pos < list->listCount(); ++pos)
        list->setItemText(pos, entries[pos]);
}

void setLabel(forms::Label* label, const QString& caption) {
    if (label)
        label->setCaption(caption);
}

} // namespace

void applyMainWindowTexts(frm_config& w, app::Language language) {
    for (const ControlText& t : app::mainWindowTexts())
        setCaptionOf(w, t.control, t.index, pick(language, t.de, t.en));
    for (const ControlText& t : app::tabTitles())
        w.SSTab1->setTabCaption(t.index, pick(language, t.de, t.en));

    for (const RegisterInfo& r : configRegisters()) {
        setLabel(w.lbl_cfg.at(r.element), pick(language, r.labelDe, r.labelEn));
        if (const ValueList* l = valueList(r.list))
            setEntries(w.cmb_cfg.at(r.element), pick(language, l->entriesDe, l->entriesEn));
    }
    for (const RegisterInfo& r : monitorRegisters())
        setLabel(w.lbl_read_out.at(r.element), pick(language, r.labelDe, r.labelEn));
    for (const RegisterInfo& r : inputRegisters()) {
        setLabel(w.lbl_data_in.at(r.element), pick(language, r.labelDe, r.labelEn));
        if (const ValueList* l = valueList(r.list))
            setEntries(w.cmb_in.at(r.element), pick(language, l->entriesDe, l->entriesEn));
    }
    auto coil = [&](const CoilInfo& c) {
        setLabel(w.lbl_read_cfg_bit.at(c.element), pick(language, c.labelDe, c.labelEn));
        setEntries(w.cmb_bit_cfg.at(c.element), pick(language, c.statesDe, c.statesEn));
    };
    for (const CoilInfo& c : configCoils())
        coil(c);
    coil(coil13View());
    for (const CoilInfo& c : inputCoils())
        setLabel(w.lbl_read_bit.at(c.element), pick(language, c.labelDe, c.labelEn));
}

void frm_config::applyLanguage(app::Language language, qint16 loadingWindow) {
    // German is what the window is created with; English is written over it when it loads.
    if (language == app::Language::English && loadingWindow == app::kWindowMain)
        applyMainWindowTexts(*this, language);
}

} // namespace qtx52::editor
