#pragma once

// The status window: stands in front of the main window while a multi-step transfer runs, shows a
// waiting text and a progress bar that fills over the transfer's time limit, offers a cancel button
// while configuration registers are written, and ends the transfer from the user's side when the
// time limit runs out.
//
// The window sends and decodes nothing. It reads commState to decide what it shows and what follows
// its closing; the main window's reply decoder tells it when a chain has ended (CloseWindow) and
// when a reply has moved the chain on (restartTimeLimit).
//
// Reached through Program::frmState(), which loads it on first use. Unloading destroys it, so every
// transfer starts from the design state.

#include "app/language.h"
#include "forms/controls.h"
#include "forms/timer.h"

#include <QObject>

namespace qtx52::app {
class Program;
struct Global;
} // namespace qtx52::app

namespace qtx52::windows {

class ChainOwner;

class frmState : public QObject, public app::LanguageTexts {
    Q_OBJECT
public:
    explicit frmState(app::Program& program);
    ~frmState() override;

    app::Program& program;
    app::Global& g;

    forms::Form form;
    forms::Label lblTxt;
    forms::Frame frameProgress;
    forms::ProgressBar ProgressFile;
    forms::CommandButton Abbruch;
    forms::CommandButton cmdOK;

    // Time limit of the transfer, and the progress tick (a tenth of the limit).
    forms::Timer Timer1SW;
    forms::Timer Timer2SW;

    // Progress steps shown so far, 0 to the bar's maximum.
    qint16 progressCount = 0;

    // The time limit in milliseconds for the current baud rate and minimum response time: fifteen
    // times the time of one 55-character exchange plus ten response times. A negative response time
    // counts as 0; the sum is formed in double, so no response time a unit can report overflows.
    static double timeLimitMs(const QString& baudRate, qint16 minResponseTime);

    // Prepares the window for the transfer named by commState and starts the time limit and the
    // progress. With no transfer running (commState 0) the window closes at once.
    void ShowMsg();
    // Ends the display for the transfer that has just finished: commState becomes 0 and the window
    // unloads; after the last write of a write-back (states 4, 5 and 8) a fresh read-out follows.
    // The window is destroyed inside this call: the caller must not use it afterwards.
    void CloseWindow();
    // A reply has moved the running chain on: the time limit counts again from now, so only a
    // transfer that has stalled for a whole limit is ended by it. The progress bar is not reset.
    // Does nothing while the limit is not running.
    void restartTimeLimit();

    // The time limit ran out or the title-bar box was used. A chain at its last step ends as
    // finished (CloseWindow); any other stops where it is and says the transfer is incomplete.
    // The window is destroyed inside this call.
    void endEarly();
    bool chainAtLastStep() const;

    // Its texts of the interface language.
    void applyLanguage(app::Language language, qint16 loadingWindow) override;

    // Event handlers.
    void Form_Load();
    void Form_Unload();
    void Abbruch_Click();
    void Timer1SW_Timer();
    void Timer2SW_Timer();

private:
    // The main window if it is loaded, and the main window loaded on first use.
    ChainOwner* owner() const;
    ChainOwner& loadedOwner();
};

// For the reply decoder: restarts the status window's time limit if the window is open, without
// loading it when it is not.
void restartTimeLimit(app::Program& program);

} // namespace qtx52::windows
