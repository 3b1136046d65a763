#include "panel/main_panel.h"

#include "app/program.h"

namespace qtx52::panel {

MainPanel::MainPanel(app::Program& p)
    : QObject(nullptr), program(p), g(p.g), form(QStringLiteral("frm_config"), this) {}

MainPanel::~MainPanel() = default;

} // namespace qtx52::panel
