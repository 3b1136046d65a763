#include "windows/fAbout.h"

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "app/ui.h"
#include "settings/registry.h"

namespace qtx52::windows {

const QString fAbout::kSupportEmail = QStringLiteral("support@korvatek.example");
const QString fAbout::kWebSite = QStringLiteral("https://www.korvatek.example");
const QString fAbout::kAddressBlock =
    QStringLiteral("Korvatek GmbH\nBeispielweg 1\n00000 Musterstadt\n"
                   "Tel. +49 (0)000 0000000\nFax +49 (0)000 0000001");

fAbout::fAbout(app::Program& p)
    : QObject(nullptr), program(p), form(QStringLiteral("fAbout"), this),
      lbl_Korvatek(QStringLiteral("lbl_Korvatek"), -1, this),
      lblVersion(QStringLiteral("lblVersion"), -1, this),
      Label2(QStringLiteral("Label2"), -1, this), Label1(QStringLiteral("Label1"), -1, this),
      lbl_Software_Hinweis(QStringLiteral("lbl_Software_Hinweis"), -1, this),
      Label3(QStringLiteral("Label3"), -1, this),
      lbl_Korvatek_Anschrift(QStringLiteral("lbl_Korvatek_Anschrift"), -1, this),
      lbltxtEmail(QStringLiteral("lbltxtEmail"), -1, this),
      lblemail(QStringLiteral("lblemail"), -1, this),
      lbltxtHyperlink(QStringLiteral("lbltxtHyperlink"), -1, this),
      lblHyperlink(QStringLiteral("lblHyperlink"), -1, this) {
    form.setCaption(QStringLiteral("Information"));
    lbl_Korvatek.setCaption(QStringLiteral("Korvatek"));
    lblVersion.setCaption(
        QStringLiteral("Korvatek: Konfigurationssoftware für QTX52-LCD-RS485-Modbus"));
    Label2.setCaption(QStringLiteral("Version:"));
    lbl_Software_Hinweis.setCaption(QString());
    Label3.setCaption(kAddressBlock);
    lbltxtEmail.setCaption(QStringLiteral("E-Mail:"));
    lblemail.setCaption(kSupportEmail);
    lbltxtHyperlink.setCaption(QStringLiteral("Internet:"));
    lblHyperlink.setCaption(kWebSite);
    for (forms::Label* l :
         {&lbl_Korvatek, &lblVersion, &Label2, &Label1, &lbl_Software_Hinweis, &Label3,
          &lbl_Korvatek_Anschrift, &lbltxtEmail, &lblemail, &lbltxtHyperlink, &lblHyperlink})
        l->setContainer(&form);

    connect(&lblemail, &forms::Label::click, this, [this] { lblemail_Click(); });
    connect(&lblHyperlink, &forms::Label::click, this, [this] { lblHyperlink_Click(); });
    connect(&form, &forms::Form::closeRequested, this, [this] { program.unloadFAbout(); });
}

fAbout::~fAbout() = default;

void fAbout::Form_Load() {
    // Shown as stored: a version such as "1.5" keeps its own decimal point whatever the locale.
    Label1.setCaption(settings::CRegistry(program.stores)
                          .MachineSetting(settings::kProductKey, QStringLiteral("Version")));
    // Centring on the screen is the view's part.
    if (program.g.languageId == app::kLanguageEnglish) {
        form.setCaption(QStringLiteral("About"));
        lblVersion.setCaption(
            QStringLiteral("Korvatek: Configuration software for QTX52-LCD-RS485-Modbus"));
        lbl_Software_Hinweis.setCaption(QString());
    }
}

// Without a mail program or browser the click would do nothing at all; the address is then
// shown, so the technician can copy it into whatever program there is.
void fAbout::openOrShow(const QString& target, const QString& address, bool mail) {
    if (program.ui.openExternal(target))
        return;
    const bool english = program.g.languageId == app::kLanguageEnglish;
    const QString text =
        mail ? (english ? QStringLiteral("No e-mail program opened. Write to: %1")
                        : QStringLiteral("Kein E-Mail-Programm geöffnet. Schreiben Sie an: %1"))
             : (english ? QStringLiteral("No web browser opened. The address: %1")
                        : QStringLiteral("Kein Webbrowser geöffnet. Die Adresse: %1"));
    program.ui.messageBox(text.arg(address), app::kAppTitle);
}

void fAbout::lblemail_Click() {
    openOrShow(QStringLiteral("mailto:") + kSupportEmail, kSupportEmail, true);
}

void fAbout::lblHyperlink_Click() {
    openOrShow(kWebSite, kWebSite, false);
}

} // namespace qtx52::windows

namespace qtx52::app {

windows::fAbout& Program::fAbout() {
    if (!fAbout_) {
        auto* w = new windows::fAbout(*this);
        fAbout_.reset(w);
        w->form.setLoaded(true);
        w->Form_Load();
    }
    return *static_cast<windows::fAbout*>(fAbout_.get());
}

void Program::unloadFAbout() {
    if (!fAbout_)
        return;
    auto* w = static_cast<windows::fAbout*>(fAbout_.get());
    w->form.setVisible(false);
    w->form.setLoaded(false);
    std::unique_ptr<QObject> doomed = std::move(fAbout_);
    doomed.reset();
}

} // namespace qtx52::app
