#pragma once

// The commissioning window on screen: a top-level window of its own (the main window is disabled
// while a run goes), the plan and the results folder, the choices, Start and Cancel, the progress
// and a table of the plan's units. It mirrors its form and forwards input; the results folder is
// handed to the desktop here.

#include "gui/bus_views.h"

#include <QPointer>

class QTableWidget;

namespace qtx52::commission {
class CommissionForm;
}

namespace qtx52::gui {

class CommissionView final : public BusWindowView {
    Q_OBJECT
public:
    CommissionView(commission::CommissionForm& form, QWidget* owner);
    QTableWidget* units() const { return units_; }
    QSize sizeHint() const override { return {860, 560}; }

private:
    void showRows();
    void showRow(int row);
    QPointer<commission::CommissionForm> form_;
    QTableWidget* units_ = nullptr;
};

} // namespace qtx52::gui
