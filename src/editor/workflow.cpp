// The commands that move parameters between the unit and the editor: read device, read again and
// apply, the status window's display around a transfer, and the About and Help menus.
//
// The steps themselves are sent by the request builders and pacing timers and moved on by the
// reply decoder; the handlers here only start a chain in its first state.

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "params/help_texts.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "params/write_check.h"
#include "windows/dlg_download.h"
#include "windows/fAbout.h"
#include "windows/frmState.h"

#include <QDir>
#include <QFileInfo>

namespace qtx52::editor {

using namespace params;

namespace {

constexpr int kMenuAbout = 2;
constexpr int kMenuHelp = 3;

// Apply before the unit on the line was read out.
const char* const kNotReadDe =
    "Die Werte werden erst übertragen, wenn das Gerät an Station %1 ausgelesen ist: bitte zuerst "
    "„Gerät auslesen“. Die angezeigten Werte bleiben erhalten.";
const char* const kNotReadEn =
    "The values are sent only once the unit at station %1 has been read: please use \"Read "
    "device\" first. The values shown are kept.";

template <class T> bool anyChanged(const ControlArray<T>& controls, int first, int last) {
    for (int i = first; i <= last; ++i)
        if (const T* c = controls.at(i); c && c->foreColor() == forms::ColorChanged)
            return true;
    return false;
}

// The help document as a path the system can open. The stored folder and document name use
// backslashes.
QString helpTarget(const QString& installPath, const QString& helpDocument) {
    QString target = installPath + helpDocument;
#ifndef Q_OS_WIN
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
    return target;
}

// What the unit holds of a register, when the references are a read-out of the unit on the line;
// references never read stand for nothing and exempt no value from the limits.
std::optional<double> heldByUnit(const app::Global& g, double reference) {
    return g.unitValuesRead ? std::optional(reference) : std::nullopt;
}

// Every value a write of the group will send, as the boxes hold it.
std::vector<WriteValue> configGroupValues(frm_config& f) {
    std::vector<WriteValue> values;
    for (int i = kConfigWriteFirst; i < kConfigFirst + kConfigCount; ++i)
        values.push_back({WriteKind::ConfigRegister, i, f.txt_data_cfg(i).text(), 0,
                          heldByUnit(f.g, f.g.refDataCfg[std::size_t(i)])});
    for (int i = 0; i < kConfigCoilCount; ++i)
        values.push_back({WriteKind::ConfigCoil, i, QString::number(f.chk_cfg(i).value())});
    return values;
}

std::vector<WriteValue> inputGroupValues(frm_config& f) {
    std::vector<WriteValue> values;
    for (int i = 0; i < kInputCount; ++i)
        values.push_back({WriteKind::InputRegister, i, f.txt_data_in(i).text(), 0,
                          heldByUnit(f.g, f.g.refDataIn[std::size_t(i)])});
    for (int i = 0; i < kInputCoilCount; ++i)
        values.push_back({WriteKind::InputCoil, i, QString::number(f.chk_inp_bit(i).value())});
    return values;
}

// Nothing of a group goes out unless all of it can: otherwise the message names every field
// that cannot be sent, and the editor stays as it is for the technician to correct.
bool groupCanBeSent(frm_config& f, const std::vector<WriteValue>& values) {
    const std::vector<WriteProblem> problems = checkWrite(values, f.g.decimalSeparator);
    if (problems.empty())
        return true;
    f.program.ui.messageBox(windowProblemMessage(problems, f.g.languageId, f.g.decimalSeparator),
                            app::kAppTitle);
    return false;
}

} // namespace

void frm_config::read_out_parameter_Click() {
    writeReview.forget();
    func_read_out_parameter();
    if (fastReads)
        followChain(); // the line is free: the first block need not wait for a tick
}

void frm_config::func_read_out_parameter() {
    // The references are the unit's again only once the whole read-out is in.
    g.unitValuesRead = false;
    writeReview.setRead();
    referencesOfUnit = true;
    referencesReadFrom.clear();
    readOutStation = int(leadingDigitsValue(txt_Modbus_adress->text()));
    resetTransaction();
    Timer6.setEnabled(true); // its interval stays as the last read device set it
    ShowMsgWindow();
    cmd_read_device->setEnabled(true);
    chk_read_out->setEnabled(true);
}

void frm_config::set_parameter_Click() {
    completeTypedValue();
    // Values go only to the unit they were read from: another unit on the line would take the
    // unchanged fields of a group too, which nobody meant for it.
    if (!g.unitValuesRead) {
        program.ui.messageBox(QString::fromUtf8(englishTexts() ? kNotReadEn : kNotReadDe)
                                  .arg(leadingDigitsValue(txt_Modbus_adress->text())),
                              app::kAppTitle);
        return;
    }
    // Registers 0 and 1 are never written; they say which unit a loaded set was made for.
    if (const std::optional<QString> refusal = writeReview.otherKindOfUnit(*this)) {
        program.ui.messageBox(*refusal, app::kAppTitle);
        return;
    }
    inputsChanged = false;
    // The change marks are the only record of edits: a group counts as changed when any of its
    // fields is shown in red.
    const bool configChanged = anyChanged(txt_data_cfg, 0, 37) || anyChanged(chk_cfg, 0, 13);

    // Only one group is written per Apply. With both changed, the configuration goes first and the
    // read-out that follows it brings the input fields back to the unit's values.
    readOutStation.reset(); // what follows is a write
    if (configChanged) {
        if (!groupCanBeSent(*this, configGroupValues(*this)) ||
            !writeReview.confirm(*this, WriteReview::Group::Config))
            return;
        g.linkReady = true;
        g.commState = 2;
        g.startAddress = 2; // registers 0 and 1 are not written
        alreadyWrite = 2;
        Timer1.setEnabled(true);
        ShowMsgWindow();
        if (fastReads)
            followChain();
    }

    if (anyChanged(txt_data_in, 0, 7) || anyChanged(chk_inp_bit, 0, 4))
        inputsChanged = true;

    const auto startInputWrite = [this] {
        g.commState = 5;
        g.startAddress = 512;
        Timer1.setEnabled(true);
        alreadyWrite = 0;
        countWriteRegister = 0;
        ShowMsgWindow();
        if (fastReads)
            followChain();
    };
    if (!configChanged && inputsChanged) {
        if (!groupCanBeSent(*this, inputGroupValues(*this)) ||
            !writeReview.confirm(*this, WriteReview::Group::Inputs))
            return;
        startInputWrite();
    }

    g.downloadConfirmed = false;
    if (!configChanged && !inputsChanged) {
        windows::dlg_download& dialog = program.dlg_download();
        dialog.form.setVisible(true);
        program.ui.showModal(dialog.form);
        if (g.downloadConfirmed) {
            // Writing unchanged values: the input group, taken from the controls as they are.
            if (!groupCanBeSent(*this, inputGroupValues(*this)))
                return;
            writeReview.expect(*this, WriteReview::Group::Inputs);
            g.linkReady = true;
            startInputWrite();
        }
    }
}

void frm_config::statusWindowGone(int state, bool answered) {
    writeReview.stepEnded(*this, state, answered);
}

void frm_config::ShowMsgWindow() {
    // No input reaches the main window while the status window is open; the status window's
    // unload enables it again.
    form.setEnabled(false);
    // A new chain: what the unit acknowledged of an earlier one no longer counts.
    transaction.startChain();
    chainWrites = isWriteState(g.commState);
    program.frmState().ShowMsg();
    // ShowMsg closes the window when no transfer runs; it must not come back as an empty window
    // that nothing would close.
    if (program.frmStateLoaded())
        program.frmState().form.setVisible(true);
}

void frm_config::MenüMain_Click(int index) {
    switch (index) {
    case kMenuAbout: {
        windows::fAbout& about = program.fAbout();
        about.form.setVisible(true);
        program.ui.showModal(about.form);
        break;
    }
    case kMenuHelp: {
        // Many desktops have no PDF viewer; the technician is told where the document is, so it
        // can be opened elsewhere.
        const QString target = helpTarget(g.installPath, g.helpDocument);
        if (!program.ui.openExternal(target)) {
            const QString path = QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath());
            program.ui.messageBox(QFileInfo::exists(target) ? helpNoViewerText(path, englishTexts())
                                                            : helpMissingText(path, englishTexts()),
                                  app::kAppTitle);
        }
        break;
    }
    default:
        break;
    }
}

void frm_config::connectWorkflow() {
    // A read-out replaces every field: edits not saved are asked about first.
    connect(cmd_read_device, &CommandButton::click, this, [this] {
        if (!mayDropEdits())
            return;
        writeReview.forget();
        writeReview.setRead();
        cmd_read_device_Click();
    });
    connect(read_out_parameter, &CommandButton::click, this,
            [this] { read_out_parameter_Click(); });
    connect(set_parameter, &CommandButton::click, this, [this] { set_parameter_Click(); });
    for (const auto& [i, item] : MenüMain)
        connect(item, &MenuItem::click, this, [this, i = i] { MenüMain_Click(i); });
}

} // namespace qtx52::editor
