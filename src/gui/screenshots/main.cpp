// Pictures of every window in both languages, for the documentation and for a look at the layout
// without a desktop: the main window's tabs after a read-out of the simulated unit, the status
// window during that read-out, the identical-parameters question and the About window, the bus
// monitor after the read-out, the unit finder during and after a search, and the trend of a
// recording of the monitor opened from its file.
//
//   qtx52-screenshots [OUTPUT-FOLDER]

#include "app/program.h"
#include "app/ui.h"
#include "bus/bus_desk.h"
#include "bus/finder_form.h"
#include "cli/command_line.h"
#include "cli/link_target.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "gui/bus_views.h"
#include "gui/dialog_views.h"
#include "gui/main_window_view.h"
#include "gui/status_window_view.h"
#include "gui/trend_view.h"
#include "monitor/monitor_recorder.h"
#include "settings/store_paths.h"
#include "trend/trend_model.h"
#include "windows/dlg_download.h"
#include "windows/fAbout.h"
#include "windows/frmState.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

using namespace qtx52;

namespace {

// Nobody to ask: messages go to the terminal, dialogs are cancelled.
class SilentUi : public app::UserInteraction {
public:
    void messageBox(const QString& text, const QString& title) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
    std::optional<QString> openFileName(const QString&) override { return std::nullopt; }
    std::optional<QString> saveFileName(const QString&) override { return std::nullopt; }
    void showModal(forms::Form&) override {}
    bool openExternal(const QString&) override { return true; }
};

bool writeFile(const QString& name, const QByteArray& content) {
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

settings::StorePaths stores(const QString& folder, const QString& language) {
    settings::StorePaths paths{folder + QStringLiteral("/machine.ini"),
                               folder + QStringLiteral("/user.ini")};
    writeFile(paths.machineFile,
              QStringLiteral("[SOFTWARE\\Korvatek\\QTX52-RS485-MODBUS]\n"
                             "\"Pfad\"=\"%1\"\n\"Language\"=\"%2\"\n\"Version\"=\"1.5\"\n\n"
                             "[SOFTWARE\\Korvatek\\QTX52-LCD-RS485-MODBUS]\n\"Version\"=\"1.5\"\n")
                  .arg(folder, language)
                  .toUtf8());
    writeFile(paths.userFile, QByteArrayLiteral("[Control Panel\\International]\n"
                                                "\"sDecimal\"=\",\"\n"));
    return paths;
}

class Shooter {
public:
    explicit Shooter(const QString& folder) : folder_(folder) {}
    void shoot(QWidget& widget, const QString& name) {
        widget.adjustSize();
        QCoreApplication::processEvents();
        const QString file = folder_ + QLatin1Char('/') + name + QStringLiteral(".png");
        if (widget.grab().save(file))
            std::printf("%s\n", qPrintable(file));
        else
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file)), ok_ = false;
    }
    bool ok() const { return ok_; }

private:
    QString folder_;
    bool ok_ = true;
};

// Records `minutes` of the simulated unit's monitor into `csv` with a program of its own and no
// window, which runs far faster than one with its views.
bool recordMonitor(const settings::StorePaths& paths, const QString& csv, int minutes) {
    forms::ManualClock clock;
    cli::LinkOptions link;
    link.simulate = true;
    cli::LinkTarget target = cli::openLinkTarget(link, clock, paths);
    SilentUi ui;
    app::Program program(clock, *target.port, ui, paths);
    app::Main(program);
    editor::frm_config& w = program.frm_config();
    const QDateTime base(QDate(2026, 3, 2), QTime(7, 0), Qt::OffsetFromUTC, 3600);
    monitor::MonitorRecorder recorder(program);
    recorder.now = [&] { return base.addMSecs(clock.nowMs()); };
    w.Combo_Port(6).setListIndex(1);
    w.cmd_read_device->userClick();
    clock.advanceUntil([&] { return !program.frmStateLoaded() && program.g.linkReady; }, 120000);
    if (!recorder.start(csv))
        return false;
    w.chk_read_out->userClick();
    clock.advance(qint64(minutes) * 60'000);
    w.chk_read_out->userClick();
    clock.advanceUntil([&] { return program.g.linkReady && !w.Timer6.enabled(); }, 10000);
    return recorder.lines() > 0;
}

bool shootLanguage(Shooter& shooter, const QString& suffix, const QString& languageId) {
    QTemporaryDir dir;
    forms::ManualClock clock;
    cli::LinkOptions link;
    link.simulate = true;
    const settings::StorePaths paths = stores(dir.path(), languageId);
    cli::LinkTarget target = cli::openLinkTarget(link, clock, paths);
    SilentUi ui;
    app::Program program(clock, *target.port, ui, paths);
    app::Main(program);
    editor::frm_config& w = program.frm_config();
    gui::MainWindowView view(program);
    view.show();

    // Open the port and read the unit out; the status window is up while the read-out runs.
    w.Combo_Port(6).setListIndex(1);
    w.cmd_read_device->userClick();
    if (!clock.advanceUntil([&] { return program.frmStateLoaded(); }, 10000)) {
        std::fprintf(stderr, "the simulated unit did not answer\n");
        return false;
    }
    clock.advance(1000);
    view.followStatusWindow();
    if (gui::StatusWindowView* status = view.statusView())
        shooter.shoot(*status, QStringLiteral("status") + suffix);
    clock.advanceUntil([&] { return !program.frmStateLoaded(); }, 120000);
    clock.advance(bus::StatusLine::kRefreshMs); // the status line shows the last counts
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    view.followStatusWindow();

    view.resize(view.sizeHint());
    for (int tab = 0; tab < editor::frm_config::kTabCount; ++tab) {
        view.tabs()->setCurrentIndex(tab);
        shooter.shoot(view, QStringLiteral("main-tab%1%2").arg(tab).arg(suffix));
    }

    // A recording of the monitor opened in the trend, as one made overnight would be.
    const QString csv = dir.filePath(QStringLiteral("monitor.csv"));
    if (recordMonitor(paths, csv, 15)) {
        trend::TrendModel& trend = view.trendModel();
        for (int k : {2, 4, 5, 8})
            trend.chk_series(k).setValue(1);
        if (trend.openRecording(csv)) {
            view.tabs()->setCurrentIndex(5);
            // The cursor a third of the way in, as a pointer over the chart would set it.
            const auto [from, to] = trend.span();
            trend.setCursor(from + (to - from) / 3);
            shooter.shoot(view, QStringLiteral("trend") + suffix);
        }
    }

    view.busDesk().mnuBusMonitor.userClick();
    if (gui::BusMonitorView* monitor = view.busMonitorView())
        shooter.shoot(*monitor, QStringLiteral("bus-monitor") + suffix);
    // The finder needs the port closed; the simulated unit answers at the first setting.
    w.Combo_Port(6).setListIndex(0);
    view.busDesk().mnuFindUnit.userClick();
    bus::FinderForm& finder = view.busDesk().finder();
    finder.txt_last.setText(QStringLiteral("3"));
    finder.chk_all.setValue(1);
    finder.cmd_start.userClick();
    clock.advance(400);
    if (gui::FinderView* finderView = view.finderView()) {
        shooter.shoot(*finderView, QStringLiteral("finder-running") + suffix);
        clock.advanceUntil([&] { return !finder.running(); }, 3'600'000);
        shooter.shoot(*finderView, QStringLiteral("finder-found") + suffix);
    }

    windows::dlg_download& question = program.dlg_download();
    gui::DownloadDialogView questionView(question, nullptr);
    question.form.setVisible(true);
    questionView.show();
    shooter.shoot(questionView, QStringLiteral("identical-parameters") + suffix);
    question.CancelButton.userClick();

    windows::fAbout& about = program.fAbout();
    gui::AboutView aboutView(about, nullptr);
    about.form.setVisible(true);
    aboutView.show();
    shooter.shoot(aboutView, QStringLiteral("about") + suffix);
    program.unloadFAbout();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }
    Shooter shooter(folder);
    const bool de = shootLanguage(shooter, QStringLiteral("-de"), QStringLiteral("1031"));
    const bool en = shootLanguage(shooter, QStringLiteral("-en"), QStringLiteral("1033"));
    return de && en && shooter.ok() ? 0 : 1;
}
