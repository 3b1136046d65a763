#pragma once

// The main window on screen: the serial settings, the commands with the link's notice, the unit's
// picture, the menu bar and the six tabs of the parameter editor, all built from the window's
// control models in the order the models list them. It also follows the status window, which
// the program loads and unloads during transfers.

#include "gui/bus_views.h"
#include "gui/commission_view.h"
#include "gui/status_window_view.h"
#include "gui/trend_view.h"

#include <QMainWindow>
#include <QPointer>

#include <map>
#include <memory>

class QTabWidget;
class QGridLayout;
class QMenu;

namespace qtx52::app {
class Program;
class LanguageMenu;
} // namespace qtx52::app
namespace qtx52::forms {
class Control;
class Frame;
} // namespace qtx52::forms
namespace qtx52::editor {
class frm_config;
}
namespace qtx52::monitor {
class RecordControl;
}
namespace qtx52::transfer {
class FastReadsControl;
}
namespace qtx52::trend {
class TrendModel;
}
namespace qtx52::report {
class SheetDesk;
}
namespace qtx52::bus {
class BusDesk;
}
namespace qtx52::commission {
class CommissionDesk;
class LinePorts;
} // namespace qtx52::commission

namespace qtx52::gui {

// A small drawing of the room unit, 150 x 38.
class UnitPicture : public QWidget {
    Q_OBJECT
public:
    explicit UnitPicture(QWidget* parent);
    QSize sizeHint() const override { return {150, 38}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

class MainWindowView : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindowView(app::Program& program, QWidget* parent = nullptr);
    ~MainWindowView() override;

    // The widget that shows a control model, or nullptr.
    QWidget* widgetFor(const forms::Control* model) const;
    QTabWidget* tabs() const { return tabs_; }
    // The recording of the monitor's values, on the Monitor tab.
    monitor::RecordControl& recordControl() const { return *record_; }
    transfer::FastReadsControl& fastReadsControl() const { return *fastReads_; }
    // The trend of the live values beside them on the Monitor tab, and the commissioning sheet
    // of the file menu.
    trend::TrendModel& trendModel() const { return *trend_; }
    TrendView* trendView() const { return trendView_; }
    report::SheetDesk& sheetDesk() const { return *sheet_; }
    // The status window's view while the program has it loaded.
    StatusWindowView* statusView() const { return statusView_; }
    // Brings the status window's view in line with the program: created when the window is
    // loaded, gone when it is unloaded. Runs on its own after every change of the main window.
    void followStatusWindow();
    // The bus monitor, the unit finder and the link's status line, and their windows once opened.
    bus::BusDesk& busDesk() const { return *busDesk_; }
    BusMonitorView* busMonitorView() const { return busMonitorView_; }
    FinderView* finderView() const { return finderView_; }
    // The commissioning of a building from a plan, and its window once opened.
    commission::CommissionDesk& commissionDesk() const { return *commissionDesk_; }
    CommissionView* commissionView() const { return commissionView_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildFrame(forms::Frame& frame, QWidget* parent);
    QWidget* buildCommands(forms::Frame& frame, QWidget* parent);
    void buildMenus();
    QWidget* bindControl(forms::Control& model, QWidget* parent);

    app::Program& program_;
    editor::frm_config& w_;
    std::unique_ptr<monitor::RecordControl> record_;
    std::unique_ptr<transfer::FastReadsControl> fastReads_;
    std::unique_ptr<trend::TrendModel> trend_;
    std::unique_ptr<report::SheetDesk> sheet_;
    TrendView* trendView_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    std::map<const forms::Control*, QWidget*> widgets_;
    QPointer<StatusWindowView> statusView_;
    QObject* portList_ = nullptr;
    void buildBusTools();
    std::unique_ptr<bus::BusDesk> busDesk_;
    QPointer<BusMonitorView> busMonitorView_;
    QPointer<FinderView> finderView_;
    // The ports of a plan's real lines, reached as the command line reaches them; before the desk,
    // whose runs use them.
    std::unique_ptr<commission::LinePorts> linePorts_;
    std::unique_ptr<commission::CommissionDesk> commissionDesk_;
    QPointer<CommissionView> commissionView_;
    std::unique_ptr<app::LanguageMenu> language_;
};

} // namespace qtx52::gui
