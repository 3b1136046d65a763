#pragma once

// The bus monitor and the unit finder on screen. Each is a top-level window of its own (a child
// of the main window would be disabled with it while the finder runs), kept in front of the main
// window; it shows its form while the form is visible and hands the title-bar box to the form.

#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>

class QTableView;
class QTableWidget;

namespace qtx52::bus {
class BusMonitorForm;
class FinderForm;
} // namespace qtx52::bus
namespace qtx52::forms {
class Form;
}

namespace qtx52::gui {

// The monitor's rows for a table view, appended and let go one by one as the form reports them.
class TrafficTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    TrafficTableModel(bus::BusMonitorForm& form, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QPointer<bus::BusMonitorForm> form_;
};

// A top-level window showing one form.
class BusWindowView : public QWidget {
    Q_OBJECT
public:
    BusWindowView(forms::Form& form, QWidget* owner);
    // Shows the window and brings it to the front.
    void present();

protected:
    void closeEvent(QCloseEvent* event) override;
    void sync();

private:
    QPointer<forms::Form> form_;
};

class BusMonitorView final : public BusWindowView {
    Q_OBJECT
public:
    BusMonitorView(bus::BusMonitorForm& form, QWidget* owner);
    QTableView* table() const { return table_; }
    QSize sizeHint() const override { return {1200, 560}; }

private:
    QTableView* table_ = nullptr;
};

class FinderView final : public BusWindowView {
    Q_OBJECT
public:
    FinderView(bus::FinderForm& form, QWidget* owner);
    QTableWidget* results() const { return results_; }
    QSize sizeHint() const override { return {720, 600}; }

private:
    void showResults();
    QPointer<bus::FinderForm> finder_;
    QTableWidget* results_ = nullptr;
};

} // namespace qtx52::gui
