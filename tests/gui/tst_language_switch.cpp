// The language entry of the menu bar on the real widgets: every source of the window's texts
// follows a switch at once, both ways, and the choice stays in the user store for the next start
// and for the command line.

#include "app/language.h"
#include "bus/bus_desk.h"
#include "bus/bus_texts.h"
#include "cli/cli_texts.h"
#include "editor/frm_config.h"
#include "gui/main_window_view.h"
#include "gui/shown_window.h"
#include "monitor/record_control.h"
#include "monitor/record_texts.h"
#include "params/register_map.h"
#include "report/sheet_desk.h"
#include "report/sheet_texts.h"
#include "settings/registry.h"
#include "support/test_program.h"
#include "trend/trend_model.h"
#include "trend/trend_texts.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <functional>

using namespace qtx52;

namespace {

struct Window : testing::Shown {
    QAction* action(const QString& name) const {
        for (QAction* a : view->menuBar()->actions())
            if (a->objectName() == name)
                return a;
        return nullptr;
    }
    QString shown(const forms::Control& c) const {
        QWidget* widget = view->widgetFor(&c);
        if (auto* b = qobject_cast<QPushButton*>(widget))
            return b->text();
        if (auto* l = qobject_cast<QLabel*>(widget))
            return l->text();
        return QStringLiteral("<no widget>");
    }
};

// What one source shows now, and what it should show in the language.
struct Source {
    const char* name;
    std::function<QString(Window&)> shown;
    std::function<QString(bool english)> expected;
};

QString mainText(const char* control, int index, bool english) {
    for (const app::ControlText& t : app::mainWindowTexts())
        if (t.control == QString::fromUtf8(control) && t.index == index)
            return english ? t.en : t.de;
    return {};
}

const std::vector<Source>& sources() {
    static const std::vector<Source> list = {
        {"main window button", [](Window& s) { return s.shown(*s.w().cmd_read_device); },
         [](bool en) { return mainText("cmd_read_device", -1, en); }},
        {"register caption", [](Window& s) { return s.shown(s.w().lbl_cfg(2)); },
         [](bool en) {
             const params::RegisterInfo& r = params::configRegisters().at(2);
             return en ? r.labelEn : r.labelDe;
         }},
        {"file menu",
         [](Window& s) {
             for (QAction* a : s.view->menuBar()->actions())
                 if (a->menu() && a->menu()->objectName() == QStringLiteral("MenüMain1"))
                     return a->menu()->title();
             return QString();
         },
         [](bool en) { return mainText("MenüMain", 1, en); }},
        {"bus monitor entry", [](Window& s) { return s.action("mnuBusMonitor")->text(); },
         [](bool en) { return bus::busText(bus::BusText::MonitorMenu, en); }},
        {"counters",
         [](Window& s) {
             return s.view->busDesk().statusLine.lbl_link_status.caption().section(' ', 0, 0);
         },
         [](bool en) { return bus::busText(bus::BusText::Requests, en); }},
        {"record button", [](Window& s) { return s.view->recordControl().cmd_record.caption(); },
         [](bool en) { return monitor::recordText(monitor::RecordText::RecordButton, en); }},
        {"trend window", [](Window& s) { return s.view->trendModel().cmb_window.items().value(0); },
         [](bool en) { return trend::trendText(trend::TrendText::Window5Min, en); }},
        {"sheet entry", [](Window& s) { return s.view->sheetDesk().mnuSheet.caption(); },
         [](bool en) { return report::sheetText(report::SheetText::Menu, en); }},
        {"language entry", [](Window& s) { return s.action("mnuLanguage")->text(); },
         [](bool en) { return en ? QStringLiteral("Deutsch") : QStringLiteral("English"); }},
    };
    return list;
}

} // namespace

class TestLanguageSwitch : public QObject {
    Q_OBJECT
private slots:
    void switchesAtOnce_data();
    void switchesAtOnce();
};

void TestLanguageSwitch::switchesAtOnce_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("clicks"); // 1: German to English, 2: and back
    for (int i = 0; i < int(sources().size()); ++i)
        for (const int clicks : {1, 2})
            QTest::addRow("%s, %s", sources()[std::size_t(i)].name,
                          clicks == 1 ? "to English" : "back to German")
                << i << clicks;
}

void TestLanguageSwitch::switchesAtOnce() {
    QFETCH(int, source);
    QFETCH(int, clicks);
    const Source& s = sources()[std::size_t(source)];
    const bool english = clicks == 1;
    Window window;
    QCOMPARE(s.shown(window), s.expected(false));
    QAction* entry = window.action(QStringLiteral("mnuLanguage"));
    QVERIFY(entry);
    for (int i = 0; i < clicks; ++i)
        entry->trigger();
    QCOMPARE(s.shown(window), s.expected(english));

    // The choice is the user's: the machine store keeps its default, and the next start and the
    // command line speak the language chosen.
    const settings::CRegistry stores(window.tp.program().stores);
    QCOMPARE(stores.MachineSetting(settings::kProductKey, QStringLiteral("Language")),
             QStringLiteral("1031"));
    QCOMPARE(stores.Werte(settings::kProductKey, QStringLiteral("Language")),
             english ? app::kLanguageEnglish : app::kLanguageGerman);
    QCOMPARE(cli::storeLanguage(window.tp.program().stores),
             english ? app::Language::English : app::Language::German);
    testing::TestProgram next;
    next.program().stores = window.tp.program().stores;
    app::SetLanguage(next.program(), app::kWindowMain);
    QCOMPARE(next.g().languageId, english ? app::kLanguageEnglish : app::kLanguageGerman);
}

QTEST_MAIN(TestLanguageSwitch)
#include "tst_language_switch.moc"
