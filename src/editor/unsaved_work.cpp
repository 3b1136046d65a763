// Edits are not dropped without asking: leaving the program, a read-out and loading a file each
// ask first while a field is shown red and the edits have not been saved since. Saving is offered
// once the editor holds something worth saving.

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"

namespace qtx52::editor {

namespace {

using Texts = app::BothLanguages;
const Texts kUnsaved{"Die geänderten (roten) Werte sind weder zum Gerät übertragen noch "
                     "gespeichert und gehen sonst verloren. Vorher speichern?",
                     "The changed (red) values have been neither sent to the unit nor saved and "
                     "would be lost. Save them first?"};
const Texts kSave{"Speichern", "Save"};
const Texts kDiscard{"Verwerfen", "Discard"};
const Texts kCancel{"Abbrechen", "Cancel"};

template <class T> bool anyMarked(const ControlArray<T>& controls) {
    for (const auto& [i, c] : controls)
        if (c->foreColor() == forms::ColorChanged)
            return true;
    return false;
}

} // namespace

bool frm_config::hasUnsavedEdits() const {
    return !editsSaved && (anyMarked(txt_data_cfg) || anyMarked(txt_data_in) ||
                           anyMarked(chk_cfg) || anyMarked(chk_inp_bit));
}

bool frm_config::mayDropEdits() {
    if (!hasUnsavedEdits())
        return true;
    const bool en = englishTexts();
    switch (program.ui.askUnsavedWork(kUnsaved.in(en), app::kAppTitle,
                                      {kSave.in(en), kDiscard.in(en), kCancel.in(en)})) {
    case app::UserInteraction::UnsavedWork::Save:
        return SaveParameterFile();
    case app::UserInteraction::UnsavedWork::Discard:
        return true;
    case app::UserInteraction::UnsavedWork::Cancel:
        break;
    }
    return false;
}

void frm_config::editorChanged() {
    editsSaved = false;
    if (anyMarked(txt_data_cfg) || anyMarked(txt_data_in) || anyMarked(chk_cfg) ||
        anyMarked(chk_inp_bit))
        editorHoldsValues = true;
    ParMenüMain(kMenuSave).setEnabled(editorHoldsValues);
}

void frm_config::editorFilled() {
    editorHoldsValues = true;
    ParMenüMain(kMenuSave).setEnabled(true);
}

} // namespace qtx52::editor
