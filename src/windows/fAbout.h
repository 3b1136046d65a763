#pragma once

// The About window: the program and its maker, the installed version, a liability notice and two
// clickable texts that hand the maker's e-mail address and web site to the system's default
// handlers. It has no buttons; the user closes it with the title-bar box, which unloads it.
//
// Reached through Program::fAbout(), which creates and loads it on first use.

#include "forms/controls.h"

#include <QObject>
#include <QString>

namespace qtx52::app {
class Program;
}

namespace qtx52::windows {

class fAbout : public QObject {
    Q_OBJECT
public:
    explicit fAbout(app::Program& program);
    ~fAbout() override;

    app::Program& program;

    forms::Form form;
    forms::Label lbl_Korvatek;
    forms::Label lblVersion;
    forms::Label Label2;
    forms::Label Label1; // the installed version
    forms::Label lbl_Software_Hinweis;
    forms::Label Label3; // postal address, telephone and fax
    forms::Label lbl_Korvatek_Anschrift;
    forms::Label lbltxtEmail;
    forms::Label lblemail;
    forms::Label lbltxtHyperlink;
    forms::Label lblHyperlink;

    // The maker's contact data shown and handed on by the window.
    static const QString kSupportEmail;
    static const QString kWebSite;
    static const QString kAddressBlock;

    void Form_Load();
    void lblemail_Click();
    void lblHyperlink_Click();

private:
    void openOrShow(const QString& target, const QString& address, bool mail);
};

} // namespace qtx52::windows
