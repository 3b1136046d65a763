#pragma once

// The unit finder window's logic: which framings, baud rates and parities to probe (all 24 line
// settings at first), the station range, the probe timeout and whether to look for every unit;
// Start and Cancel, the progress with the time still to go and the setting being probed, the
// units found, and "Use", which puts a found unit's settings into the main window through its
// controls, as the person would choose them there. The main window's logic knows nothing of it.

#include "app/language.h"
#include "bus/bus_texts.h"
#include "bus/unit_finder.h"
#include "forms/controls.h"

#include <QObject>
#include <QStringList>

#include <array>

namespace qtx52::app {
class Program;
}

namespace qtx52::bus {

class FinderForm final : public QObject {
    Q_OBJECT
    app::Program& program_;

public:
    explicit FinderForm(app::Program& program);
    ~FinderForm() override;

    forms::Form form;
    // Choices: framing (0 RTU, 1 ASCII), baud rate (9600 .. 57600), parity (0 E, 1 N, 2 O).
    forms::Frame frm_line;
    forms::Label lbl_modes, lbl_bauds, lbl_parities;
    forms::ControlArray<forms::CheckBox> chk_mode{"chk_mode"};
    forms::ControlArray<forms::CheckBox> chk_baud{"chk_baud"};
    forms::ControlArray<forms::CheckBox> chk_parity{"chk_parity"};
    forms::Label lbl_stations, lbl_stations_to, lbl_timeout;
    forms::TextBox txt_first, txt_last, txt_timeout;
    forms::CheckBox chk_all;
    forms::CommandButton cmd_start, cmd_cancel, cmd_use;
    forms::ProgressBar prg_search;
    forms::Label lbl_progress, lbl_state;

    static constexpr std::array<bool, 2> kModes{false, true};
    static constexpr std::array<qint32, 4> kBauds{9600, 19200, 38400, 57600};
    static constexpr std::array<char, 3> kParities{'E', 'N', 'O'};

    // The units found, as the result list shows them.
    QStringList resultTitles() const;
    const QList<FoundUnit>& results() const { return finder_.found(); }
    QStringList resultCells(int row) const;
    int selected() const { return selected_; }
    // The person picks a row (-1 for none).
    void select(int row);

    bool running() const { return finder_.running(); }
    UnitFinder& finder() { return finder_; }

    void cmd_start_Click();
    void cmd_cancel_Click();
    void cmd_use_Click();
    // The title-bar box: a search under way is cancelled, then the window hides.
    void Form_Close();

signals:
    void resultsChanged();
    void selectionChanged();

private:
    bool english() const;
    void applyTexts();
    void showRunning(bool running);
    void showProgress(const FinderProgress& p);
    void finished();
    void refuse(BusText why);
    std::optional<LineChoice> currentLine() const;
    int currentStation() const;

    UnitFinder finder_;
    int selected_ = -1;
    bool disabledMainWindow_ = false;
    bool finishedByRefusal_ = false;
    // Writes the texts again when the technician switches the language.
    app::LanguageFollower languageFollower_{program_, [this] { applyTexts(); }};
};

// "1:05" for 65 s; seconds rounded up, so that the last second shows as 0:01.
QString remainingText(qint64 ms);

} // namespace qtx52::bus
