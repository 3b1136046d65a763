#include "windows/dlg_download.h"

#include "app/program.h"

#include <initializer_list>

namespace qtx52::windows {

dlg_download::dlg_download(app::Program& p)
    : QObject(nullptr), program(p), g(p.g), form(QStringLiteral("dlg_download"), this),
      Frame1(QStringLiteral("Frame1"), -1, this), Label1(QStringLiteral("Label1"), -1, this),
      Label2(QStringLiteral("Label2"), -1, this), OKButton(QStringLiteral("OKButton"), -1, this),
      CancelButton(QStringLiteral("CancelButton"), -1, this) {
    form.setCaption(QStringLiteral("Identische Parameter"));
    Frame1.setCaption(QStringLiteral("Frame1"));
    Label1.setCaption(QStringLiteral("Parameter sind identisch!"));
    Label2.setCaption(QStringLiteral("Trotzdem Parameter zum Gerät übertragen?"));
    OKButton.setCaption(QStringLiteral("OK"));
    CancelButton.setCaption(QStringLiteral("Abbrechen"));
    Frame1.setContainer(&form);
    for (forms::Control* c :
         std::initializer_list<forms::Control*>{&Label1, &Label2, &OKButton, &CancelButton})
        c->setContainer(&Frame1);

    connect(&OKButton, &forms::CommandButton::click, this, [this] { OKButton_Click(); });
    connect(&CancelButton, &forms::CommandButton::click, this, [this] { CancelButton_Click(); });
    // Closing by the title-bar box is a refusal, like "Abbrechen".
    connect(&form, &forms::Form::closeRequested, this, [this] { CancelButton_Click(); });
}

dlg_download::~dlg_download() = default;

dlg_download::Rect dlg_download::designRect(const forms::Control& c) {
    const QString& n = c.name();
    if (n == QLatin1String("Frame1"))
        return {0, 0, 5175, 1755};
    if (n == QLatin1String("Label1"))
        return {1740, 180, 1875, 255};
    if (n == QLatin1String("Label2"))
        return {1140, 540, 3195, 375};
    if (n == QLatin1String("OKButton"))
        return {840, 1080, 1215, 375};
    if (n == QLatin1String("CancelButton"))
        return {3060, 1080, 1215, 375};
    return {0, 0, kClientWidth, kClientHeight};
}

std::vector<forms::Control*> dlg_download::tabOrder() {
    return {&CancelButton, &OKButton};
}

void dlg_download::Form_Load() {
    // Centring on the screen is the view's part, and only at this first load: later uses keep the
    // position the dialog had.
}

void dlg_download::OKButton_Click() {
    g.downloadConfirmed = true;
    form.setVisible(false);
}

void dlg_download::CancelButton_Click() {
    g.downloadConfirmed = false;
    form.setVisible(false);
}

} // namespace qtx52::windows

namespace qtx52::app {

windows::dlg_download& Program::dlg_download() {
    if (!dlgDownload_) {
        auto* w = new windows::dlg_download(*this);
        dlgDownload_.reset(w);
        w->form.setLoaded(true);
        w->Form_Load();
    }
    return *static_cast<windows::dlg_download*>(dlgDownload_.get());
}

} // namespace qtx52::app
