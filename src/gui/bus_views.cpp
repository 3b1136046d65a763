#include "gui/bus_views.h"

#include "bus/bus_monitor_form.h"
#include "bus/finder_form.h"
#include "gui/binders.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace qtx52::gui {

// ---- the monitor's rows -------------------------------------------------------------------------

TrafficTableModel::TrafficTableModel(bus::BusMonitorForm& form, QObject* parent)
    : QAbstractTableModel(parent), form_(&form) {
    connect(&form, &bus::BusMonitorForm::rowsAboutToBeAppended, this,
            [this](int first, int last) { beginInsertRows({}, first, last); });
    connect(&form, &bus::BusMonitorForm::rowsAppended, this, [this] { endInsertRows(); });
    connect(&form, &bus::BusMonitorForm::frontRowsAboutToBeRemoved, this,
            [this](int count) { beginRemoveRows({}, 0, count - 1); });
    connect(&form, &bus::BusMonitorForm::frontRowsRemoved, this, [this] { endRemoveRows(); });
    connect(&form, &bus::BusMonitorForm::rowsAboutToBeReset, this, [this] { beginResetModel(); });
    connect(&form, &bus::BusMonitorForm::rowsReset, this, [this] { endResetModel(); });
}

int TrafficTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !form_ ? 0 : form_->rowCount();
}

int TrafficTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : bus::BusMonitorForm::ColumnCount;
}

QVariant TrafficTableModel::data(const QModelIndex& index, int role) const {
    if (!form_ || !index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return form_->cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole &&
        (index.column() == bus::BusMonitorForm::Time || index.column() == bus::BusMonitorForm::Gap))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TrafficTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!form_ || role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return form_->columnTitles().value(section);
}

// ---- a window of its own ------------------------------------------------------------------------

BusWindowView::BusWindowView(forms::Form& form, QWidget* owner)
    : QWidget(nullptr, Qt::Window), form_(&form) {
    setObjectName(form.name());
    bindFormTitle(form, this);
    connect(&form, &forms::Control::changed, this, [this] { sync(); });
    if (owner) {
        winId();
        owner->winId();
        if (windowHandle() && owner->windowHandle())
            windowHandle()->setTransientParent(owner->windowHandle());
    }
}

void BusWindowView::present() {
    if (!isVisible()) {
        resize(sizeHint());
        if (QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
    }
    sync();
    raise();
    activateWindow();
}

void BusWindowView::sync() {
    const bool shown = form_ && form_->loaded() && form_->visible();
    if (shown != isVisible())
        setVisible(shown);
}

void BusWindowView::closeEvent(QCloseEvent* event) {
    // The form decides; it hides itself, and this view with it.
    event->ignore();
    if (form_)
        form_->userClose();
}

// ---- bus monitor --------------------------------------------------------------------------------

BusMonitorView::BusMonitorView(bus::BusMonitorForm& form, QWidget* owner)
    : BusWindowView(form.form, owner) {
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    for (forms::CommandButton* b :
         {&form.cmdPause, &form.cmdClear, &form.cmdSaveText, &form.cmdSaveCsv})
        buttons->addWidget(bindButton(*b, this));
    buttons->addStretch(1);
    buttons->addWidget(new ClickableLabel(form.lblDropped, this));
    layout->addLayout(buttons);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("tblTraffic"));
    table_->setModel(new TrafficTableModel(form, table_));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // One height for every row, so that following ten thousand rows costs no measuring.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    const QList<int> widths{70, 85, 95, 360, 150, 320, 200, 90};
    for (int c = 0; c < widths.size(); ++c)
        header->resizeSection(c, widths[c]);
    QPointer<bus::BusMonitorForm> m(&form);
    connect(table_->model(), &QAbstractItemModel::rowsInserted, table_, [this, m] {
        if (m && !m->paused())
            table_->scrollToBottom();
    });
    layout->addWidget(table_, 1);

    auto* counters = new ClickableLabel(form.counters.lbl_link_status, this);
    counters->setObjectName(QStringLiteral("lblCounters"));
    counters->setWordWrap(true);
    counters->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(counters);
}

// ---- unit finder --------------------------------------------------------------------------------

FinderView::FinderView(bus::FinderForm& form, QWidget* owner)
    : BusWindowView(form.form, owner), finder_(&form) {
    auto* layout = new QVBoxLayout(this);
    QGroupBox* line = bindFrame(form.frm_line, this);
    auto* grid = new QGridLayout(line);
    const auto row = [&](int r, forms::Label& caption, auto& checks, int count) {
        grid->addWidget(new ClickableLabel(caption, line), r, 0);
        auto* boxes = new QHBoxLayout;
        for (int i = 0; i < count; ++i)
            boxes->addWidget(bindCheckBox(checks(i), line));
        boxes->addStretch(1);
        grid->addLayout(boxes, r, 1);
    };
    row(0, form.lbl_modes, form.chk_mode, int(bus::FinderForm::kModes.size()));
    row(1, form.lbl_bauds, form.chk_baud, int(bus::FinderForm::kBauds.size()));
    row(2, form.lbl_parities, form.chk_parity, int(bus::FinderForm::kParities.size()));
    grid->addWidget(new ClickableLabel(form.lbl_stations, line), 3, 0);
    auto* stations = new QHBoxLayout;
    for (QWidget* w :
         std::initializer_list<QWidget*>{new ValueLineEdit(form.txt_first, line),
                                         new ClickableLabel(form.lbl_stations_to, line),
                                         new ValueLineEdit(form.txt_last, line)}) {
        if (qobject_cast<QLineEdit*>(w))
            w->setFixedWidth(50);
        stations->addWidget(w);
    }
    stations->addStretch(1);
    grid->addLayout(stations, 3, 1);
    grid->addWidget(new ClickableLabel(form.lbl_timeout, line), 4, 0);
    auto* timeout = new ValueLineEdit(form.txt_timeout, line);
    timeout->setFixedWidth(60);
    grid->addWidget(timeout, 4, 1, Qt::AlignLeft);
    grid->addWidget(bindCheckBox(form.chk_all, line), 5, 0, 1, 2);
    layout->addWidget(line);

    auto* commands = new QHBoxLayout;
    commands->addWidget(bindButton(form.cmd_start, this));
    commands->addWidget(bindButton(form.cmd_cancel, this));
    commands->addStretch(1);
    layout->addLayout(commands);
    QProgressBar* bar = bindProgress(form.prg_search, this);
    bar->setMinimumWidth(360);
    layout->addWidget(bar);
    layout->addWidget(new ClickableLabel(form.lbl_progress, this));
    auto* state = new ClickableLabel(form.lbl_state, this);
    state->setWordWrap(true);
    layout->addWidget(state);

    results_ = new QTableWidget(0, 7, this);
    results_->setObjectName(QStringLiteral("tblResults"));
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->verticalHeader()->hide();
    results_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    results_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    results_->horizontalHeader()->setStretchLastSection(true);
    results_->setMinimumHeight(120);
    layout->addWidget(results_, 1);
    auto* use = new QHBoxLayout;
    use->addStretch(1);
    use->addWidget(bindButton(form.cmd_use, this));
    layout->addLayout(use);

    connect(&form, &bus::FinderForm::resultsChanged, this, [this] { showResults(); });
    connect(&form, &bus::FinderForm::selectionChanged, this, [this] { showResults(); });
    connect(results_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!finder_)
            return;
        const QList<QTableWidgetItem*> items = results_->selectedItems();
        finder_->select(items.isEmpty() ? -1 : items.first()->row());
    });
    showResults();
}

void FinderView::showResults() {
    if (!finder_)
        return;
    const QSignalBlocker block(results_);
    results_->setHorizontalHeaderLabels(finder_->resultTitles());
    const int rows = int(finder_->results().size());
    results_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const QStringList cells = finder_->resultCells(r);
        for (int c = 0; c < cells.size(); ++c) {
            QTableWidgetItem* item = results_->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                results_->setItem(r, c, item);
            }
            item->setText(cells[c]);
        }
    }
    results_->resizeColumnsToContents();
    results_->clearSelection();
    if (finder_->selected() >= 0)
        results_->selectRow(finder_->selected());
}

} // namespace qtx52::gui
