#include "support/control_lookup.h"

namespace qtx52::testing {

forms::Control* findControl(QObject& window, const QString& objectName) {
    return window.findChild<forms::Control*>(objectName, Qt::FindDirectChildrenOnly);
}

QString shownText(const forms::Control& c) {
    if (auto* x = qobject_cast<const forms::Label*>(&c))
        return x->caption();
    if (auto* x = qobject_cast<const forms::Frame*>(&c))
        return x->caption();
    if (auto* x = qobject_cast<const forms::CommandButton*>(&c))
        return x->caption();
    if (auto* x = qobject_cast<const forms::CheckBox*>(&c))
        return x->caption();
    if (auto* x = qobject_cast<const forms::MenuItem*>(&c))
        return x->caption();
    if (auto* x = qobject_cast<const forms::Form*>(&c))
        return x->caption();
    if (auto* x = qobject_cast<const forms::TextBox*>(&c))
        return x->text();
    if (auto* x = qobject_cast<const forms::ListBox*>(&c))
        return x->text();
    return {};
}

int TabLookup::tabOf(const forms::Control& control) const {
    for (const forms::Control* c = &control; c; c = c->container())
        for (const auto& [frame, tab] : frames_)
            if (frame == c)
                return tab;
    return -1;
}

} // namespace qtx52::testing
