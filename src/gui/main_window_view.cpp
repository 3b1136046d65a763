#include "gui/main_window_view.h"

#include "app/language_menu.h"
#include "app/program.h"
#include "bus/bus_desk.h"
#include "bus/bus_monitor_form.h"
#include "bus/finder_form.h"
#include "commission/commission_form.h"
#include "commission/line_ports.h"
#include "editor/frm_config.h"
#include "gui/binders.h"
#include "gui/bus_views.h"
#include "gui/status_window_view.h"
#include "monitor/record_control.h"
#include "report/sheet_desk.h"
#include "transfer/fast_reads.h"
#include "trend/trend_model.h"
#include "windows/frmState.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <vector>

namespace qtx52::gui {

namespace {

using forms::Control;

// Labels that start a row of a frame with the field's caption.
bool isCaption(const QString& name) {
    static const QStringList names = {
        QStringLiteral("lbl_cfg"),      QStringLiteral("lbl_read_cfg_bit"),
        QStringLiteral("lbl_data_in"),  QStringLiteral("lbl_read_bit"),
        QStringLiteral("lbl_read_out"), QStringLiteral("lbl_parameter")};
    return names.contains(name);
}

bool isUnit(const QString& name) {
    return name == QLatin1String("lbl_unit") || name == QLatin1String("lbl_unit_hum") ||
           name == QLatin1String("lbl_kelvin");
}

bool isHeading(const QString& name) {
    return name == QLatin1String("lbl_desc");
}

// More rows than this in one frame go into two blocks side by side.
constexpr int kRowsPerBlock = 16;

// The tab of the live values, where their recording is started and stopped.
constexpr int kMonitorTab = 5;

} // namespace

// ---- picture ------------------------------------------------------------------------------------

UnitPicture::UnitPicture(QWidget* parent) : QWidget(parent) {
    setFixedSize(150, 38);
}

void UnitPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Housing.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(236, 236, 232));
    p.drawRoundedRect(QRectF(1.5, 1.5, 147, 35), 5, 5);
    // Display with a temperature reading.
    p.setBrush(QColor(160, 200, 170));
    p.drawRect(QRectF(10.5, 7.5, 70, 23));
    p.setPen(QColor(30, 50, 35));
    QFont f = font();
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(10, 7, 70, 23), Qt::AlignCenter, QStringLiteral("21.5°C"));
    // Function button and the status LED.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(200, 200, 196));
    p.drawEllipse(QPointF(108, 19), 9, 9);
    p.setBrush(QColor(60, 190, 70));
    p.drawEllipse(QPointF(132, 12), 3, 3);
    // Knob.
    p.setBrush(QColor(180, 180, 176));
    p.drawEllipse(QPointF(132, 26), 5, 5);
}

// ---- main window --------------------------------------------------------------------------------

MainWindowView::MainWindowView(app::Program& program, QWidget* parent)
    : QMainWindow(parent), program_(program), w_(program.frm_config()),
      record_(std::make_unique<monitor::RecordControl>(program)),
      fastReads_(std::make_unique<transfer::FastReadsControl>(program, w_)),
      trend_(std::make_unique<trend::TrendModel>(program)),
      sheet_(std::make_unique<report::SheetDesk>(program)) {
    setObjectName(QStringLiteral("frm_config"));
    bindFormTitle(w_.form, this);
    buildMenus();
    buildBusTools();

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    auto* left = new QVBoxLayout;
    left->addWidget(buildFrame(*w_.frm_parameter, central));
    left->addWidget(bindControl(fastReads_->chk_fast_reads, central));
    left->addWidget(buildCommands(*w_.Frm_read, central));
    auto* picture = new UnitPicture(central);
    picture->setObjectName(QStringLiteral("Picture1"));
    left->addWidget(picture, 0, Qt::AlignHCenter);
    left->addStretch(1);
    row->addLayout(left);

    tabs_ = new QTabWidget(central);
    tabs_->setObjectName(QStringLiteral("SSTab1"));
    for (int tab = 0; tab < editor::frm_config::kTabCount; ++tab) {
        auto* page = new QWidget(tabs_);
        auto* columns = new QHBoxLayout(page);
        const std::vector<forms::Frame*> frames = w_.framesOnTab(tab);
        // The first frame on the left, the others stacked on the right.
        QVBoxLayout* column = nullptr;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (i <= 1) {
                column = new QVBoxLayout;
                columns->addLayout(column, 1);
            }
            column->addWidget(buildFrame(*frames[i], page));
        }
        if (tab == kMonitorTab && column) {
            auto* record = new QHBoxLayout;
            record->addWidget(bindControl(record_->cmd_record, page));
            record->addWidget(bindControl(record_->lbl_record, page));
            record->addStretch(1);
            column->addLayout(record);
        }
        if (column)
            column->addStretch(1);
        if (tab == kMonitorTab) {
            trendView_ = new TrendView(*trend_, page);
            columns->addWidget(trendView_, 2);
        }
        tabs_->addTab(page, QString());
    }
    bindTabs(*w_.SSTab1, tabs_);
    row->addWidget(tabs_, 1);
    setCentralWidget(central);

    // The port numbers are mapped to devices; the technician sees which one each reaches.
    if (auto* ports = qobject_cast<QComboBox*>(widgetFor(w_.Combo_Port.at(0)))) {
        auto showDevices = [this, ports] {
            for (int i = 0; i < ports->count(); ++i)
                ports->setItemData(i, w_.portDevice(i), Qt::ToolTipRole);
        };
        connect(w_.Combo_Port.at(0), &Control::changed, ports, showDevices);
        showDevices();
        ports->installEventFilter(this);
        portList_ = ports;
    }

    // The status window comes and goes with the transfers; the main window is disabled while
    // it is up and enabled again when it goes.
    connect(&w_.form, &Control::changed, this,
            [this] { QTimer::singleShot(0, this, [this] { followStatusWindow(); }); });
    auto* poll = new QTimer(this);
    poll->setInterval(250);
    connect(poll, &QTimer::timeout, this, [this] { followStatusWindow(); });
    poll->start();

    resize(sizeHint().boundedTo(QSize(1366, 740)));
    if (QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

MainWindowView::~MainWindowView() {
    delete statusView_;
    delete busMonitorView_;
    delete finderView_;
    delete commissionView_;
}

void MainWindowView::buildBusTools() {
    busDesk_ = std::make_unique<bus::BusDesk>(program_);
    // The bus windows' entries stand between the file menu and the About entry.
    const QList<QAction*> top = menuBar()->actions();
    QAction* before = top.size() > 1 ? top.at(1) : nullptr;
    for (forms::MenuItem* item : {&busDesk_->mnuBusMonitor, &busDesk_->mnuFindUnit})
        menuBar()->insertAction(before, bindMenuItem(*item, menuBar()));
    // The commissioning of a building stands after them.
    linePorts_ = std::make_unique<commission::LinePorts>(program_.clock, program_.stores,
                                                         cli::LinkOptions{}, false);
    commissionDesk_ = std::make_unique<commission::CommissionDesk>(program_, linePorts_->maker());
    menuBar()->insertAction(before, bindMenuItem(commissionDesk_->mnuCommission, menuBar()));
    connect(commissionDesk_.get(), &commission::CommissionDesk::windowShown, this, [this] {
        if (!commissionView_)
            commissionView_ = new CommissionView(commissionDesk_->window(), this);
        commissionView_->present();
    });
    // The switch of the language stands last, where a technician who reads neither looks.
    language_ = std::make_unique<app::LanguageMenu>(program_);
    menuBar()->addAction(bindMenuItem(language_->mnuLanguage, menuBar()));

    auto* line = new ClickableLabel(busDesk_->statusLine.lbl_link_status, this);
    line->setObjectName(QStringLiteral("lbl_link_status"));
    statusBar()->addWidget(line, 1);
    statusBar()->setSizeGripEnabled(false);

    connect(busDesk_.get(), &bus::BusDesk::windowShown, this, [this](forms::Form* form) {
        if (busDesk_->monitorLoaded() && form == &busDesk_->monitor().form) {
            if (!busMonitorView_)
                busMonitorView_ = new BusMonitorView(busDesk_->monitor(), this);
            busMonitorView_->present();
        } else if (busDesk_->finderLoaded() && form == &busDesk_->finder().form) {
            if (!finderView_)
                finderView_ = new FinderView(busDesk_->finder(), this);
            finderView_->present();
        }
    });
}

QWidget* MainWindowView::widgetFor(const forms::Control* model) const {
    const auto it = widgets_.find(model);
    return it == widgets_.end() ? nullptr : it->second;
}

void MainWindowView::followStatusWindow() {
    const bool loaded = program_.frmStateLoaded() && program_.frmState().form.loaded();
    if (loaded && !statusView_) {
        statusView_ = new StatusWindowView(program_.frmState());
        statusView_->stayAbove(this);
    } else if (!loaded && statusView_) {
        statusView_->detach();
    }
}

bool MainWindowView::eventFilter(QObject* watched, QEvent* event) {
    // The port list is about to open (click, or Alt+Down / F4 / space on the keyboard): the
    // model reads the machine's devices again first.
    if (watched == portList_ &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress))
        w_.Combo_Port_DropDown();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindowView::closeEvent(QCloseEvent* event) {
    // The program decides: closing the main window unloads it and ends the program.
    event->ignore();
    w_.form.userClose();
}

void MainWindowView::buildMenus() {
    for (const auto& [i, top] : w_.MenüMain) {
        std::vector<forms::MenuItem*> items;
        for (const auto& [j, item] : w_.ParMenüMain)
            if (item->container() == top)
                items.push_back(item);
        if (items.empty()) {
            menuBar()->addAction(bindMenuItem(*top, menuBar()));
            continue;
        }
        auto* menu = menuBar()->addMenu(QString());
        menu->setObjectName(top->name() + QString::number(i));
        QPointer<forms::MenuItem> m(top);
        auto sync = [m, menu] {
            if (m) {
                menu->setTitle(m->caption());
                menu->setEnabled(m->enabled());
            }
        };
        connect(top, &Control::changed, menu, sync);
        sync();
        for (forms::MenuItem* item : items)
            menu->addAction(bindMenuItem(*item, menu));
        if (i == 1)
            fileMenu_ = menu;
    }
    // The sheet and the recordings stand in the file menu above its separator.
    if (fileMenu_) {
        QAction* separator = fileMenu_->actions().value(2);
        for (forms::MenuItem* item : {&trend_->mnuOpenRecording, &sheet_->mnuSheet})
            fileMenu_->insertAction(separator, bindMenuItem(*item, fileMenu_));
    }
}

QWidget* MainWindowView::bindControl(Control& model, QWidget* parent) {
    QWidget* widget = nullptr;
    if (auto* t = qobject_cast<forms::TextBox*>(&model))
        widget = new ValueLineEdit(*t, parent);
    else if (auto* l = qobject_cast<forms::ListBox*>(&model))
        widget = bindList(*l, parent);
    else if (auto* c = qobject_cast<forms::CheckBox*>(&model))
        widget = bindCheckBox(*c, parent);
    else if (auto* u = qobject_cast<forms::UpDown*>(&model))
        widget = new UpDownWidget(*u, parent);
    else if (auto* b = qobject_cast<forms::CommandButton*>(&model))
        widget = bindButton(*b, parent);
    else if (auto* lb = qobject_cast<forms::Label*>(&model))
        widget = new ClickableLabel(*lb, parent);
    if (widget)
        widgets_[&model] = widget;
    return widget;
}

QWidget* MainWindowView::buildFrame(forms::Frame& frame, QWidget* parent) {
    QGroupBox* box = bindFrame(frame, parent);
    widgets_[&frame] = box;

    struct Row {
        QWidget* caption = nullptr;
        QHBoxLayout* field = nullptr;
        bool heading = false;
    };
    std::vector<Row> rows;
    auto fieldOf = [&rows]() -> QHBoxLayout* {
        if (rows.empty() || rows.back().heading)
            rows.push_back({});
        if (!rows.back().field) {
            rows.back().field = new QHBoxLayout;
            rows.back().field->setSpacing(2);
        }
        return rows.back().field;
    };

    for (QObject* child : w_.children()) {
        auto* model = qobject_cast<Control*>(child);
        if (!model || model->container() != &frame)
            continue;
        QWidget* widget = bindControl(*model, box);
        if (!widget)
            continue;
        const QString& name = model->name();
        if (isHeading(name)) {
            QFont f = widget->font();
            f.setBold(true);
            widget->setFont(f);
            rows.push_back({widget, nullptr, true});
        } else if (isCaption(name)) {
            rows.push_back({widget, nullptr, false});
        } else if (isUnit(name)) {
            widget->setMinimumWidth(28);
            fieldOf()->addWidget(widget);
        } else {
            if (qobject_cast<QLineEdit*>(widget))
                widget->setFixedWidth(70);
            fieldOf()->addWidget(widget);
        }
    }

    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(3);
    const int blocks = int(rows.size()) > kRowsPerBlock ? 2 : 1;
    const int perBlock = (int(rows.size()) + blocks - 1) / blocks;
    for (int r = 0; r < int(rows.size()); ++r) {
        const Row& row = rows[r];
        const int block = r / perBlock;
        const int line = r % perBlock;
        const int col = block * 3;
        if (row.heading) {
            grid->addWidget(row.caption, line, col, 1, 2);
            continue;
        }
        if (row.caption)
            grid->addWidget(row.caption, line, col);
        if (row.field) {
            row.field->addStretch(1);
            grid->addLayout(row.field, line, col + 1);
        }
    }
    if (blocks == 2)
        grid->setColumnMinimumWidth(2, 24);
    grid->setRowStretch(perBlock, 1);
    return box;
}

QWidget* MainWindowView::buildCommands(forms::Frame& frame, QWidget* parent) {
    QGroupBox* box = bindFrame(frame, parent);
    widgets_[&frame] = box;
    auto* layout = new QVBoxLayout(box);
    auto* buttons = new QHBoxLayout;
    for (forms::CommandButton* b : {w_.cmd_read_device, w_.read_out_parameter, w_.set_parameter})
        buttons->addWidget(bindControl(*b, box));
    layout->addLayout(buttons);
    auto* monitor = new QHBoxLayout;
    monitor->addWidget(bindControl(w_.lbl_desc(17), box));
    monitor->addWidget(bindControl(*w_.chk_read_out, box));
    monitor->addStretch(1);
    layout->addLayout(monitor);
    auto* notice = qobject_cast<QLabel*>(bindControl(w_.lbl_desc(16), box));
    notice->setWordWrap(true);
    layout->addWidget(notice);
    return box;
}

} // namespace qtx52::gui
