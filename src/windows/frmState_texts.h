#pragma once

// The status window's texts that the interface language decides, and how the language code
// reaches them without depending on the window class: the window object (held in
// Program::frmState_) owns its form and its controls as QObject children, named as below.

#include "forms/controls.h"

#include <QObject>
#include <QString>

namespace qtx52::windows {

inline const QString kFrmStateFormName = QStringLiteral("frmState");
inline const QString kFrmStateLabelName = QStringLiteral("lblTxt");
inline const QString kFrmStateCancelName = QStringLiteral("Abbruch");

// Texts for the status window; a null text leaves that control's text as it is.
struct FrmStateTexts {
    QString caption; // the window caption
    QString cancel;  // the cancel button Abbruch
    QString waiting; // the waiting text lblTxt
};

// Writes the texts into a loaded status window. A control the window does not have is skipped.
inline void applyFrmStateTexts(QObject& window, const FrmStateTexts& texts) {
    if (!texts.caption.isNull())
        if (auto* form = window.findChild<forms::Form*>(kFrmStateFormName))
            form->setCaption(texts.caption);
    if (!texts.cancel.isNull())
        if (auto* button = window.findChild<forms::CommandButton*>(kFrmStateCancelName))
            button->setCaption(texts.cancel);
    if (!texts.waiting.isNull())
        if (auto* label = window.findChild<forms::Label*>(kFrmStateLabelName))
            label->setCaption(texts.waiting);
}

} // namespace qtx52::windows
