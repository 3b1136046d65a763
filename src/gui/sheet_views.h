#pragma once

// The window of the commissioning sheet's header fields on screen: a caption and a box for each,
// OK and Cancel.

#include "gui/dialog_views.h"

namespace qtx52::report {
class SheetHeaderForm;
}

namespace qtx52::gui {

class SheetHeaderView : public FormDialog {
    Q_OBJECT
public:
    SheetHeaderView(report::SheetHeaderForm& header, QWidget* parent);
};

} // namespace qtx52::gui
