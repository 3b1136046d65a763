#include "gui/gui_interaction.h"

#include "gui/dialog_views.h"
#include "gui/sheet_views.h"
#include "report/sheet_desk.h"
#include "windows/dlg_download.h"
#include "windows/fAbout.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace qtx52::gui {

GuiInteraction::~GuiInteraction() {
    for (auto& [form, view] : views_)
        delete view.data();
}

void GuiInteraction::messageBox(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner_);
    box.exec();
}

app::UserInteraction::UnsavedWork GuiInteraction::askUnsavedWork(const QString& text,
                                                                 const QString& title,
                                                                 const QStringList& answers) {
    QMessageBox box(QMessageBox::Question, title, text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, owner_);
    const QMessageBox::StandardButton buttons[] = {QMessageBox::Save, QMessageBox::Discard,
                                                   QMessageBox::Cancel};
    for (int i = 0; i < 3 && i < answers.size(); ++i)
        box.button(buttons[i])->setText(answers.at(i));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return UnsavedWork::Save;
    case QMessageBox::Discard:
        return UnsavedWork::Discard;
    default:
        return UnsavedWork::Cancel; // the close box and Escape too
    }
}

bool GuiInteraction::askYesNo(const QString& text, const QString& title,
                              const QStringList& answers) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, owner_);
    if (answers.size() == 2) {
        box.button(QMessageBox::Yes)->setText(answers.at(0));
        box.button(QMessageBox::No)->setText(answers.at(1));
    }
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString GuiInteraction::qtFilter(const QString& filter) {
    // Pairs of description and pattern, separated by '|'; the description names its patterns.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i < parts.size(); i += 2)
        out << parts.at(i);
    return out.join(QStringLiteral(";;"));
}

std::optional<QString> GuiInteraction::openFileName(const QString& filter) {
    const QString name =
        QFileDialog::getOpenFileName(owner_, QString(), QString(), qtFilter(filter));
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

std::optional<QString> GuiInteraction::saveFileName(const QString& filter) {
    QFileDialog dialog(owner_, QString(), QString(), qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> GuiInteraction::folderName(const QString& start) {
    const QString name = QFileDialog::getExistingDirectory(owner_, QString(), start);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

FormDialog* GuiInteraction::viewFor(forms::Form& form) {
    QPointer<FormDialog>& view = views_[&form];
    if (view && view->form() == &form)
        return view;
    if (auto* dialog = qobject_cast<windows::dlg_download*>(form.parent()))
        view = new DownloadDialogView(*dialog, owner_);
    else if (auto* about = qobject_cast<windows::fAbout*>(form.parent()))
        view = new AboutView(*about, owner_);
    else if (auto* header = qobject_cast<report::SheetHeaderForm*>(form.parent()))
        view = new SheetHeaderView(*header, owner_);
    else
        view = new FormDialog(form, owner_);
    // An unloaded window takes its view with it; the next load brings a new one.
    QObject::connect(&form, &QObject::destroyed, view, [this, f = &form, v = view.data()] {
        views_.erase(f);
        v->deleteLater();
    });
    return view;
}

void GuiInteraction::showModal(forms::Form& form) {
    QPointer<FormDialog> view = viewFor(form);
    if (!view->formShown())
        return;
    QEventLoop loop;
    QPointer<forms::Form> watched(&form);
    auto check = [&loop, watched] {
        if (!watched || !watched->loaded() || !watched->visible())
            loop.quit();
    };
    QObject::connect(&form, &forms::Control::changed, &loop, check);
    QObject::connect(&form, &QObject::destroyed, &loop, &QEventLoop::quit);
    view->setWindowModality(Qt::ApplicationModal);
    view->show();
    view->raise();
    view->activateWindow();
    loop.exec();
    if (view)
        view->hide();
}

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// How long the opener may take to say whether it found a program. Desktop openers hand over and
// return at once; the generic one runs the viewer itself and only returns when it closes.
constexpr int kOpenerAnswerMs = 1500;

// Runs the desktop's opener; nullopt when there is none to run.
std::optional<bool> openWithDesktopOpener(const QString& target) {
    auto* opener = new QProcess(qApp);
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments({target});
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
    QObject::connect(opener, &QProcess::errorOccurred, opener, [opener](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            opener->deleteLater();
    });
    opener->start();
    if (!opener->waitForStarted())
        return std::nullopt;
    if (!opener->waitForFinished(kOpenerAnswerMs))
        return true; // a viewer runs under it; the process object goes when it ends
    return opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
}
#endif

} // namespace

bool GuiInteraction::openExternal(const QString& target) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (const std::optional<bool> opened = openWithDesktopOpener(target))
        return *opened;
#endif
    return QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

} // namespace qtx52::gui
