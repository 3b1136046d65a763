#pragma once

// The main window's logic: the editor over the window's controls (panel/main_panel.h) and its
// transfer handlers (transfer/main_window_transfer.h), from which it derives. Its own handlers are
// grouped by concern in their own source files:
//   editor/layout.cpp        the controls and their design texts
//   editor/main_texts.cpp    the texts of the interface language
//   editor/load.cpp          Form_Load, Form_Unload, SSTab1_Click
//   editor/workflow.cpp      read-out, apply, ShowMsgWindow, the About and Help menus
//   editor/write_review.cpp  the write's confirmation and the check of what the unit took
//   editor/monitor.cpp       chk_read_out_Click
//   editor/field_editing.cpp key filter, range forcing, up/down steps and auto-repeat
//   editor/selection.cpp     list mirroring, change marks, update_apply_button
//   files/parameter_file.cpp the file menu, save and load
//   editor/unsaved_work.cpp  asking before edits are dropped, offering "Speichern"

#include "app/language.h"
#include "editor/write_review.h"
#include "forms/timer.h"
#include "transfer/main_window_transfer.h"

#include <optional>
#include <vector>

namespace qtx52::editor {

using forms::CheckBox;
using forms::CommandButton;
using forms::ControlArray;
using forms::Frame;
using forms::KeyEvent;
using forms::Label;
using forms::ListBox;
using forms::MenuItem;
using forms::TabStrip;
using forms::TextBox;
using forms::UpDown;

class frm_config : public transfer::MainWindowTransfer, public app::LanguageTexts {
    Q_OBJECT
public:
    // Creates every control in its design state and connects the handlers; Main then loads it.
    explicit frm_config(app::Program& program);
    ~frm_config() override;

    // The frames on each tab of SSTab1 (editor/layout.cpp). Every other control names its frame
    // as its container; within a frame the controls are created in reading order, row by row,
    // each row starting with its caption label.
    static constexpr int kTabCount = 6;
    std::vector<Frame*> framesOnTab(int tab) const;

    // The up/down arrows' auto-repeat.
    forms::Timer Timer;
    double repeatIndex = 0;
    bool repeatUp = false;

    // editor/main_texts.cpp: the texts of the window being loaded.
    void applyLanguage(app::Language language, qint16 loadingWindow) override;
    app::Language shownLanguage = app::Language::German;

    // editor/load.cpp
    void Form_Load();
    void Form_Unload();
    void SSTab1_Click(int previousTab);

    // editor/workflow.cpp
    void read_out_parameter_Click();
    void func_read_out_parameter() override;
    void set_parameter_Click();
    void ShowMsgWindow() override;
    void MenüMain_Click(int index);
    // editor/write_review.cpp: what a write changes, asked before and checked after it.
    WriteReview writeReview;
    void statusWindowGone(int state, bool answered) override;

    // editor/monitor.cpp
    void chk_read_out_Click();

    // editor/field_editing.cpp
    void txt_data_cfg_KeyPress(int index, KeyEvent* e);
    void txt_data_in_KeyPress(int index, KeyEvent* e);
    void txt_data_cfg_LostFocus(int index);
    void txt_data_in_LostFocus(int index);
    // Apply completes the value being typed, as leaving its box would; values set otherwise (a
    // file, the unit) are left to the check before the write.
    void completeTypedValue();
    // The value box typed in and not yet left.
    struct TypedBox {
        bool config; // txt_data_cfg, else txt_data_in
        int element;
    };
    std::optional<TypedBox> typedBox;
    void UpD_txt_cfg_UpClick(int index);
    void UpD_txt_cfg_DownClick(int index);
    void UpD_txt_cfg_MouseDown(int index, int x, int y);
    void UpD_txt_cfg_MouseMove(int index, int x, int y);
    void UpD_txt_cfg_MouseUp(int index, int x, int y);
    void Timer_Timer();

    // editor/selection.cpp
    void txt_data_cfg_Change(int index);
    void txt_data_in_Change(int index) override;
    void txt_data_out_Change(int index);
    void chk_cfg_Click(int index);
    void chk_inp_bit_Click(int index);
    void cmb_cfg_Click(int index);
    void cmb_in_Click(int index);
    void cmb_bit_cfg_Click(int index);
    void update_apply_button(int group) override;
    void markAgainstReferences() override;

    // files/parameter_file.cpp
    void ParMenüMain_Click(int index);
    // True when the file was written.
    bool SaveParameterFile();
    void LoadParameterFile();
    // The parameter file of the editor's values as SaveParameterFile writes it, stamped now.
    QByteArray parameterFileBytes() const;

    // editor/unsaved_work.cpp
    static constexpr int kMenuSave = 2;
    // A field is red and the edits were not saved since their last change.
    bool hasUnsavedEdits() const;
    // Before edits are dropped (exit, close box, read device, load): asks whether to save them
    // first, drop them or stay. True when the caller may go on.
    bool mayDropEdits();
    // A field changed: its edit is not saved yet, and once the editor holds anything worth
    // saving, "Speichern" is offered.
    void editorChanged();
    // A whole read-out or a file is in the editor.
    void editorFilled() override;
    bool editsSaved = false;
    bool editorHoldsValues = false;

private:
    void createControls();      // editor/layout.cpp
    void connectHandlers();     // editor/frm_config.cpp: calls each concern's connect function
    void connectFieldEditing(); // editor/field_editing.cpp
    void connectSelection();    // editor/selection.cpp
    void connectLoad();         // editor/load.cpp
    void connectWorkflow();     // editor/workflow.cpp
    void connectMonitor();      // editor/monitor.cpp
    void connectFiles();        // files/parameter_file.cpp
};

// Writes every caption, tab title, menu text and list entry of the main window that differs
// between the languages. German is what the window is created with; English is written over it
// at load.
void applyMainWindowTexts(frm_config& window, app::Language language);

} // namespace qtx52::editor
