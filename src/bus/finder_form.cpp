#include "bus/finder_form.h"

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "link/commport.h"
#include "link/port_texts.h"
#include "params/numbers.h"

namespace qtx52::bus {

namespace {

constexpr int kStationMin = 1;
constexpr int kStationMax = 63;
constexpr qint64 kTimeoutMin = 10;
constexpr qint64 kTimeoutMax = 5000;

// The main window's selectors, by their element index.
constexpr int kBaudSelector = 1;
constexpr int kParitySelector = 2;
constexpr int kModeSelector = 5;

void digitsOnly(forms::KeyEvent* e) {
    const bool digit = e->keyAscii >= '0' && e->keyAscii <= '9';
    if (!digit && e->keyAscii != forms::KeyBackspace)
        e->keyAscii = 0;
}

// A whole number of digits and nothing else, or -1.
qint64 numberIn(const QString& text) {
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    return ok && !text.trimmed().startsWith(QLatin1Char('-')) &&
                   !text.trimmed().startsWith(QLatin1Char('+'))
               ? v
               : -1;
}

// The entry of a selector that reads `text`, or -1.
int entryOf(const forms::ListBox& list, const QString& text) {
    return int(list.items().indexOf(text));
}

} // namespace

QString remainingText(qint64 ms) {
    const qint64 seconds = ms <= 0 ? 0 : (ms + 999) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

FinderForm::FinderForm(app::Program& program)
    : program_(program), form(QStringLiteral("frmFinder"), this),
      frm_line(QStringLiteral("frm_line"), -1, this),
      lbl_modes(QStringLiteral("lbl_modes"), -1, this),
      lbl_bauds(QStringLiteral("lbl_bauds"), -1, this),
      lbl_parities(QStringLiteral("lbl_parities"), -1, this),
      lbl_stations(QStringLiteral("lbl_stations"), -1, this),
      lbl_stations_to(QStringLiteral("lbl_stations_to"), -1, this),
      lbl_timeout(QStringLiteral("lbl_timeout"), -1, this),
      txt_first(QStringLiteral("txt_first"), -1, this),
      txt_last(QStringLiteral("txt_last"), -1, this),
      txt_timeout(QStringLiteral("txt_timeout"), -1, this),
      chk_all(QStringLiteral("chk_all"), -1, this),
      cmd_start(QStringLiteral("cmd_start"), -1, this),
      cmd_cancel(QStringLiteral("cmd_cancel"), -1, this),
      cmd_use(QStringLiteral("cmd_use"), -1, this),
      prg_search(QStringLiteral("prg_search"), -1, this),
      lbl_progress(QStringLiteral("lbl_progress"), -1, this),
      lbl_state(QStringLiteral("lbl_state"), -1, this), finder_(program.clock, program.port) {
    frm_line.setContainer(&form);
    const auto addChecks = [this](forms::ControlArray<forms::CheckBox>& array, int count) {
        for (int i = 0; i < count; ++i) {
            auto* box = new forms::CheckBox(QString::fromLatin1(array.name()), i, this);
            box->setContainer(&frm_line);
            box->setValue(1); // every line setting, until the person narrows it
            array.add(i, box);
        }
    };
    addChecks(chk_mode, int(kModes.size()));
    addChecks(chk_baud, int(kBauds.size()));
    addChecks(chk_parity, int(kParities.size()));
    for (forms::Control* c : std::initializer_list<forms::Control*>{
             &lbl_modes, &lbl_bauds, &lbl_parities, &lbl_stations, &lbl_stations_to, &lbl_timeout,
             &txt_first, &txt_last, &txt_timeout, &chk_all})
        c->setContainer(&frm_line);
    for (forms::Control* c : std::initializer_list<forms::Control*>{
             &cmd_start, &cmd_cancel, &cmd_use, &prg_search, &lbl_progress, &lbl_state})
        c->setContainer(&form);

    txt_first.setMaxLength(2);
    txt_last.setMaxLength(2);
    txt_timeout.setMaxLength(4);
    txt_first.setText(QString::number(kStationMin));
    txt_last.setText(QString::number(kStationMax));
    txt_timeout.setText(QStringLiteral("150"));
    for (forms::TextBox* t : {&txt_first, &txt_last, &txt_timeout})
        connect(t, &forms::TextBox::keyPress, this, [](forms::KeyEvent* e) { digitsOnly(e); });
    prg_search.setMin(0);
    prg_search.setMax(1);
    prg_search.setValue(0);

    connect(&cmd_start, &forms::CommandButton::click, this, [this] { cmd_start_Click(); });
    connect(&cmd_cancel, &forms::CommandButton::click, this, [this] { cmd_cancel_Click(); });
    connect(&cmd_use, &forms::CommandButton::click, this, [this] { cmd_use_Click(); });
    connect(&form, &forms::Form::closeRequested, this, [this] { Form_Close(); });

    finder_.onProgress = [this](const FinderProgress& p) { showProgress(p); };
    finder_.onFound = [this](const FoundUnit&) {
        emit resultsChanged();
        if (selected_ < 0)
            select(0);
    };
    finder_.onFinished = [this] { finished(); };

    applyTexts();
    showRunning(false);
    form.setLoaded(true);
    form.setVisible(false);
}

FinderForm::~FinderForm() {
    finder_.onFinished = nullptr;
    finder_.onProgress = nullptr;
    finder_.onFound = nullptr;
    finder_.cancel();
    // The main window is given back even when the program ends during a search.
    if (disabledMainWindow_ && program_.frm_configLoaded())
        program_.frm_config().form.setEnabled(true);
}

bool FinderForm::english() const {
    return program_.g.languageId == app::kLanguageEnglish;
}

void FinderForm::applyTexts() {
    const bool en = english();
    form.setCaption(busText(BusText::FinderCaption, en));
    lbl_modes.setCaption(busText(BusText::Framings, en));
    lbl_bauds.setCaption(busText(BusText::BaudRates, en));
    lbl_parities.setCaption(busText(BusText::Parities, en));
    chk_mode(0).setCaption(QStringLiteral("RTU"));
    chk_mode(1).setCaption(QStringLiteral("ASCII"));
    for (int i = 0; i < int(kBauds.size()); ++i)
        chk_baud(i).setCaption(QString::number(kBauds[std::size_t(i)]));
    chk_parity(0).setCaption(busText(BusText::ParityEven, en));
    chk_parity(1).setCaption(busText(BusText::ParityNone, en));
    chk_parity(2).setCaption(busText(BusText::ParityOdd, en));
    lbl_stations.setCaption(busText(BusText::Stations, en));
    lbl_stations_to.setCaption(busText(BusText::StationsTo, en));
    lbl_timeout.setCaption(busText(BusText::ProbeTimeout, en));
    chk_all.setCaption(busText(BusText::FindAll, en));
    cmd_start.setCaption(busText(BusText::Start, en));
    cmd_cancel.setCaption(busText(BusText::Cancel, en));
    cmd_use.setCaption(busText(BusText::Use, en));
}

QStringList FinderForm::resultTitles() const {
    const bool en = english();
    return {busText(BusText::ResultStation, en),     busText(BusText::ResultFraming, en),
            busText(BusText::ResultBaud, en),        busText(BusText::ResultParity, en),
            busText(BusText::ResultCoding, en),      busText(BusText::ResultFirmware, en),
            busText(BusText::ResultResponseTime, en)};
}

QStringList FinderForm::resultCells(int row) const {
    if (row < 0 || row >= results().size())
        return {};
    const FoundUnit& u = results().at(row);
    const auto value = [](int v) { return v < 0 ? QStringLiteral("?") : QString::number(v); };
    return {QString::number(u.station),
            u.line.modeText(),
            QString::number(u.line.baud),
            QString(QLatin1Char(u.line.parity)),
            value(u.coding),
            value(u.firmware),
            value(u.responseTime)};
}

void FinderForm::select(int row) {
    const int to = row >= 0 && row < results().size() ? row : -1;
    if (to == selected_)
        return;
    selected_ = to;
    cmd_use.setEnabled(!running() && selected_ >= 0);
    emit selectionChanged();
}

void FinderForm::showRunning(bool running) {
    frm_line.setEnabled(!running);
    cmd_start.setEnabled(!running);
    cmd_cancel.setEnabled(running);
    cmd_use.setEnabled(!running && selected_ >= 0);
}

std::optional<LineChoice> FinderForm::currentLine() const {
    const app::Global& g = program_.g;
    const bool ascii = g.modbusMode == QLatin1String("ASCII");
    if (!ascii && g.modbusMode != QLatin1String("RTU"))
        return std::nullopt;
    const qint32 baud = g.baudRate.toInt();
    if (g.parity.size() != 1 || baud <= 0)
        return std::nullopt;
    return LineChoice{ascii, baud, char(g.parity.at(0).toLatin1())};
}

int FinderForm::currentStation() const {
    if (!program_.frm_configLoaded())
        return 0;
    return int(params::leadingDigitsValue(program_.frm_config().txt_Modbus_adress->text()));
}

void FinderForm::refuse(BusText why) {
    const QString text = busText(why, english());
    lbl_state.setCaption(text);
    program_.ui.messageBox(text, app::kAppTitle);
}

void FinderForm::cmd_start_Click() {
    if (running())
        return;
    // The main window's port is its own while open; the finder probes only a closed port.
    if (program_.g.portOpen || program_.port.portOpen()) {
        refuse(BusText::PortInUse);
        return;
    }
    const qint64 first = numberIn(txt_first.text());
    const qint64 last = numberIn(txt_last.text());
    if (first < kStationMin || last > kStationMax || last < kStationMin || first > last) {
        refuse(BusText::BadStations);
        return;
    }
    const qint64 timeout = numberIn(txt_timeout.text());
    if (timeout < kTimeoutMin || timeout > kTimeoutMax) {
        refuse(BusText::BadTimeout);
        return;
    }
    LineNarrowing narrowing;
    for (int i = 0; i < int(kModes.size()); ++i)
        if (chk_mode(i).value() == 1)
            narrowing.ascii << kModes[std::size_t(i)];
    for (int i = 0; i < int(kBauds.size()); ++i)
        if (chk_baud(i).value() == 1)
            narrowing.bauds << kBauds[std::size_t(i)];
    for (int i = 0; i < int(kParities.size()); ++i)
        if (chk_parity(i).value() == 1)
            narrowing.parities << kParities[std::size_t(i)];
    // An empty choice would mean "every value" to the probe order; here it means nothing chosen.
    if (narrowing.ascii.isEmpty() || narrowing.bauds.isEmpty() || narrowing.parities.isEmpty()) {
        refuse(BusText::NothingToProbe);
        return;
    }

    FinderOptions options;
    options.lines = probeOrder(currentLine(), narrowing);
    options.firstStation = int(first);
    options.lastStation = int(last);
    options.preferredStation = currentStation();
    options.probeTimeoutMs = timeout;
    options.findAll = chk_all.value() == 1;
    options.fast = program_.frm_configLoaded() && program_.frm_config().fastReads;

    selected_ = -1;
    emit resultsChanged();
    emit selectionChanged();
    showRunning(true);
    lbl_state.setCaption(busText(BusText::Searching, english()));
    // While the finder has the port, the main window stays out of its way.
    if (program_.frm_configLoaded() && program_.frm_config().form.enabled()) {
        program_.frm_config().form.setEnabled(false);
        disabledMainWindow_ = true;
    }
    const UnitFinder::Refusal refusal = finder_.start(options);
    if (refusal != UnitFinder::Refusal::None) {
        finishedByRefusal_ = true;
        finished();
        finishedByRefusal_ = false;
        refuse(refusal == UnitFinder::Refusal::PortOpen ? BusText::PortInUse
                                                        : BusText::NothingToProbe);
    }
}

void FinderForm::showProgress(const FinderProgress& p) {
    prg_search.setMax(std::max(1, p.probesTotal));
    prg_search.setValue(std::clamp(p.probesDone, 0, std::max(1, p.probesTotal)));
    const bool en = english();
    lbl_progress.setCaption(busText(BusText::Remaining, en).arg(remainingText(p.remainingMs)) +
                            QStringLiteral(" | ") +
                            busText(BusText::Probing, en).arg(p.line.describe()).arg(p.station));
}

void FinderForm::finished() {
    if (disabledMainWindow_) {
        disabledMainWindow_ = false;
        if (program_.frm_configLoaded())
            program_.frm_config().form.setEnabled(true);
    }
    showRunning(false);
    const bool en = english();
    if (finder_.found().isEmpty() && !finder_.cancelled() && finder_.portError()) {
        // The search could not go on: the person is told as when the main window cannot open.
        const link::CommError& e = finder_.portError();
        const QString why = link::openFailureText(e, en);
        lbl_state.setCaption(busText(BusText::PortFailed, en) + why);
        if (!finishedByRefusal_)
            program_.ui.messageBox(busText(BusText::PortFailed, en) + QLatin1Char('\n') + why,
                                   app::kAppTitle);
    } else if (finder_.cancelled()) {
        lbl_state.setCaption(busText(BusText::Cancelled, en));
    } else if (finder_.found().isEmpty()) {
        lbl_state.setCaption(busText(BusText::NoneFound, en));
    } else {
        lbl_state.setCaption(busText(BusText::FoundUnits, en).arg(finder_.found().size()));
    }
    if (!finder_.cancelled())
        prg_search.setValue(prg_search.max());
    lbl_progress.setCaption(QString());
}

void FinderForm::cmd_cancel_Click() {
    finder_.cancel();
}

void FinderForm::cmd_use_Click() {
    if (running() || selected_ < 0 || selected_ >= results().size() || !program_.frm_configLoaded())
        return;
    if (program_.g.portOpen) {
        refuse(BusText::UseWhilePortOpen);
        return;
    }
    const FoundUnit unit = results().at(selected_);
    editor::frm_config& w = program_.frm_config();
    // As the person would set them: each choice runs the main window's own handling.
    forms::ListBox& mode = w.Combo_Port(kModeSelector);
    forms::ListBox& baud = w.Combo_Port(kBaudSelector);
    forms::ListBox& parity = w.Combo_Port(kParitySelector);
    for (const auto& [list, entry] :
         {std::pair{&mode, entryOf(mode, unit.line.modeText())},
          std::pair{&baud, entryOf(baud, QString::number(unit.line.baud))},
          std::pair{&parity, entryOf(parity, link::parityName(unit.line.parity))}})
        if (entry >= 0)
            list->setListIndex(entry);
    w.txt_Modbus_adress->setText(QString::number(unit.station));
}

void FinderForm::Form_Close() {
    finder_.cancel();
    form.setVisible(false);
}

} // namespace qtx52::bus
