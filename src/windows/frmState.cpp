#include "windows/frmState.h"

#include "app/program.h"
#include "params/numbers.h"
#include "windows/chain_owner.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>

namespace qtx52::windows {

namespace {

constexpr int kProgressSteps = 10;

const QString kWaitingGerman = QStringLiteral("Warten ...");
const QString kWaitingEnglish = QStringLiteral("Waiting ...");
const QString kStateCaptionEnglish = QStringLiteral("State");
const QString kCancelEnglish = QStringLiteral("Cancel");

// The numeric value of a text's leading number, as the baud rate text is read: "9600" gives 9600,
// "" and anything without a leading number give 0.
double leadingNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral(R"(^\s*([+-]?(?:\d+(?:\.\d*)?|\.\d+)))"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : 0.0;
}

// A time in milliseconds as a timer interval: nearest integer, halves to the even neighbour.
// Nothing when it does not fit a 32-bit integer.
std::optional<qint32> intervalOf(double ms) {
    if (!std::isfinite(ms))
        return std::nullopt;
    const double r = params::roundHalfEven(ms);
    if (r < double(std::numeric_limits<qint32>::min()) ||
        r > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(r);
}

} // namespace

frmState::frmState(app::Program& p)
    : QObject(nullptr), program(p), g(p.g), form(QStringLiteral("frmState"), this),
      lblTxt(QStringLiteral("lblTxt"), -1, this),
      frameProgress(QStringLiteral("frameProgress"), -1, this),
      ProgressFile(QStringLiteral("ProgressFile"), -1, this),
      Abbruch(QStringLiteral("Abbruch"), -1, this), cmdOK(QStringLiteral("cmdOK"), -1, this),
      Timer1SW(p.clock, QStringLiteral("Timer1SW"), 0, this),
      Timer2SW(p.clock, QStringLiteral("Timer2SW"), 100, this) {
    // Design state.
    form.setCaption(QStringLiteral("Status"));
    lblTxt.setCaption(QStringLiteral("Waiting ..."));
    Abbruch.setCaption(QStringLiteral("Abbruch"));
    Abbruch.setVisible(false);
    // cmdOK lies on top of Abbruch; it marks the end of a transfer and does nothing itself.
    cmdOK.setCaption(QStringLiteral("Schließen"));
    for (forms::Control* c :
         std::initializer_list<forms::Control*>{&lblTxt, &frameProgress, &Abbruch, &cmdOK})
        c->setContainer(&form);
    ProgressFile.setContainer(&frameProgress);

    connect(&Abbruch, &forms::CommandButton::click, this, [this] { Abbruch_Click(); });
    connect(&Timer1SW, &forms::Timer::tick, this, [this] { Timer1SW_Timer(); });
    connect(&Timer2SW, &forms::Timer::tick, this, [this] { Timer2SW_Timer(); });
    // The title-bar box ends the display like the time limit: a chain not yet at its last step
    // stops there and says so.
    connect(&form, &forms::Form::closeRequested, this, [this] { endEarly(); });
}

frmState::~frmState() = default;

ChainOwner* frmState::owner() const {
    return program.frm_configLoaded() ? dynamic_cast<ChainOwner*>(program.frmConfig_.get())
                                      : nullptr;
}

ChainOwner& frmState::loadedOwner() {
    return dynamic_cast<ChainOwner&>(program.mainWindow());
}

void frmState::applyLanguage(app::Language language, qint16 loadingWindow) {
    if (language == app::Language::German) {
        // Designed with the English waiting text; German replaces it, whichever window loads.
        lblTxt.setCaption(kWaitingGerman);
    } else if (loadingWindow == app::kWindowState) {
        form.setCaption(kStateCaptionEnglish);
        Abbruch.setCaption(kCancelEnglish);
        lblTxt.setCaption(kWaitingEnglish);
    }
}

double frmState::timeLimitMs(const QString& baudRate, qint16 minResponseTime) {
    const double baud = leadingNumber(baudRate);
    const double responseMs = minResponseTime < 0 ? 0.0 : double(minResponseTime);
    return 15.0 * (1.0 / baud * 550.0 * 1000.0 + responseMs * 10.0);
}

void frmState::Form_Load() {
    app::SetLanguage(program, app::kWindowState);
    // Centring on the screen is the view's part: only it knows the screen and the window's size.
    cmdOK.setVisible(false);
    frameProgress.setVisible(true);
    progressCount = 0;
    ProgressFile.setMax(kProgressSteps);
    ProgressFile.setMin(0);
    ProgressFile.setValue(0);
    Timer1SW.setInterval(0);
    Timer2SW.setInterval(0);
    Timer1SW.setEnabled(false);
    Timer2SW.setEnabled(false);
}

void frmState::Form_Unload() {
    // The main window was disabled for the transfer; whatever ends the display gives it back.
    if (ChainOwner* o = owner())
        o->setInputEnabled(true);
}

void frmState::ShowMsg() {
    if (g.commState == 0) {
        CloseWindow();
        return;
    }
    // A watchdog for a stalled chain, never shorter than the link needs to give up on one request
    // (the send path restarts it at every request).
    double limit = timeLimitMs(g.baudRate, g.minResponseTime);
    if (ChainOwner* o = owner(); o && std::isfinite(limit))
        limit = std::max(limit, double(o->requestGiveUpMs()));
    // Without a baud rate there is no time limit to run: the window stays up without timers until
    // the transfer's end closes it.
    if (!std::isfinite(limit))
        return;

    // The cancel button is offered only while configuration registers are written.
    if (g.commState == 2)
        Abbruch.setVisible(true);
    cmdOK.setVisible(false);
    frameProgress.setVisible(true);
    progressCount = 0;
    ProgressFile.setMax(kProgressSteps);
    ProgressFile.setMin(0);
    ProgressFile.setValue(0);

    const std::optional<qint32> limitInterval = intervalOf(limit);
    const std::optional<qint32> tickInterval = intervalOf(limit / kProgressSteps);
    if (!limitInterval || !tickInterval)
        return;
    Timer1SW.setInterval(*limitInterval);
    Timer2SW.setInterval(*tickInterval);
    Timer1SW.setEnabled(true);
    Timer2SW.setEnabled(true);
}

void frmState::restartTimeLimit() {
    if (Timer1SW.enabled())
        Timer1SW.setInterval(Timer1SW.interval()); // a new interval counts from now
}

void frmState::Timer2SW_Timer() {
    if (ProgressFile.max() > progressCount)
        ++progressCount;
    else
        progressCount = qint16(ProgressFile.max());
    ProgressFile.setValue(progressCount);
}

void frmState::Timer1SW_Timer() {
    Timer1SW.setEnabled(false);
    Timer2SW.setEnabled(false);
    endEarly();
}

bool frmState::chainAtLastStep() const {
    const ChainOwner* o = owner();
    if (!o)
        return true;
    // A configuration-only write is over once the last coil group is acknowledged; the window
    // then closes at its time limit, and the read-out follows.
    return g.commState == 4 && g.linkReady && o->lastCoilGroupWritten();
}

void frmState::endEarly() {
    if (g.commState == 0 || chainAtLastStep()) {
        CloseWindow();
        return;
    }
    Timer1SW.setEnabled(false);
    Timer2SW.setEnabled(false);
    ChainOwner& o = loadedOwner();
    // The window goes first, so the message stands alone in front of the main window.
    program.unloadFrmState();
    o.endIncomplete();
}

void frmState::CloseWindow() {
    Timer1SW.setEnabled(false);
    Timer2SW.setEnabled(false);

    const qint32 state = g.commState;
    const bool answered = g.linkReady;
    if (state == 0)
        lblTxt.setCaption(QStringLiteral("Invalid state"));
    cmdOK.setVisible(true);
    frameProgress.setVisible(false);
    if (ChainOwner* o = owner())
        o->statusWindowClosed(state, answered);
    g.commState = 0;

    // Unloading destroys this window: from here on only the program is used.
    app::Program& p = program;
    const bool ownerLoaded = owner() != nullptr;
    p.unloadFrmState();
    if (ownerLoaded)
        dynamic_cast<ChainOwner&>(p.mainWindow()).statusWindowGone(state, answered);
    // A write-back ends with a full read-out, so every field and reference shows what the unit
    // really holds now, also when the write ran out of time.
    if (state == 4 || state == 5 || state == 8)
        dynamic_cast<ChainOwner&>(p.mainWindow()).func_read_out_parameter();
}

void frmState::Abbruch_Click() {
    g.commState = 0;
    loadedOwner().stopTransferTimers();
    // The outstanding request is given up: the link is free for the next command, as after a
    // communication failure. A late reply meets state 0 and changes nothing.
    g.linkReady = true;
    program.unloadFrmState();
}

void restartTimeLimit(app::Program& program) {
    if (program.frmStateLoaded())
        program.frmState().restartTimeLimit();
}

} // namespace qtx52::windows

namespace qtx52::app {

windows::frmState& Program::frmState() {
    if (!frmState_) {
        auto* w = new windows::frmState(*this);
        // Held before its load runs, so that the language code finds the window it writes to.
        frmState_.reset(w);
        w->form.setLoaded(true);
        w->Form_Load();
    }
    return *static_cast<windows::frmState*>(frmState_.get());
}

void Program::unloadFrmState() {
    if (!frmState_)
        return;
    auto* w = static_cast<windows::frmState*>(frmState_.get());
    w->Form_Unload();
    w->form.setVisible(false);
    w->form.setLoaded(false);
    // Released before it is destroyed, so that nothing reached during the destruction finds it.
    std::unique_ptr<QObject> doomed = std::move(frmState_);
    doomed.reset();
}

} // namespace qtx52::app
