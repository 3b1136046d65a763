#include "support/test_program.h"
#include "windows/dlg_download.h"
#include "windows/fAbout.h"

#include <QTest>

#include <optional>

using namespace qtx52;

Q_DECLARE_METATYPE(std::optional<QString>)

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void downloadAnswers_data();
    void downloadAnswers();
    void about_data();
    void about();
};

void TestDialogs::downloadAnswers_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("OK") << "OKButton" << true;
    QTest::newRow("Abbrechen") << "CancelButton" << false;
    QTest::newRow("close box") << "close" << false;
}

void TestDialogs::downloadAnswers() {
    QFETCH(QString, answer);
    QFETCH(bool, confirmed);
    testing::TestProgram tp;
    windows::dlg_download& d = tp.program().dlg_download();
    QCOMPARE(d.initialFocus(), &d.CancelButton);
    tp.g().downloadConfirmed = !confirmed;
    d.form.setVisible(true);
    if (answer == QLatin1String("close"))
        d.form.userClose();
    else
        d.findChild<forms::CommandButton*>(answer)->userClick();
    QCOMPARE(tp.g().downloadConfirmed, confirmed);
    QVERIFY(!d.form.visible());
    QCOMPARE(&tp.program().dlg_download(), &d); // hidden, not unloaded
}

void TestDialogs::about_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<std::optional<QString>>("version");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("shown");
    const QString de =
        QStringLiteral("Korvatek: Konfigurationssoftware für QTX52-LCD-RS485-Modbus");
    const QString en =
        QStringLiteral("Korvatek: Configuration software for QTX52-LCD-RS485-Modbus");
    QTest::newRow("German") << "1031" << std::optional<QString>("1.50") << "Information" << de
                            << "1.50";
    QTest::newRow("English") << "1033" << std::optional<QString>("2,1 beta") << "About" << en
                             << "2,1 beta";
    // The parameter file's key (with LCD in its name) still holds a version.
    QTest::newRow("no version") << "1031" << std::optional<QString>() << "Information" << de << "";
}

void TestDialogs::about() {
    QFETCH(QString, language);
    QFETCH(std::optional<QString>, version);
    QFETCH(QString, caption);
    QFETCH(QString, product);
    QFETCH(QString, shown);
    testing::StoreValues v;
    v.language = language;
    v.version = version;
    testing::TestProgram tp(v);
    app::Main(tp.program()); // the main window's load sets the language
    windows::fAbout& a = tp.program().fAbout();
    QCOMPARE(a.form.caption(), caption);
    QCOMPARE(a.lblVersion.caption(), product);
    QCOMPARE(a.Label1.caption(), shown);
    QCOMPARE(a.lbltxtEmail.caption() + a.lbltxtHyperlink.caption(),
             QStringLiteral("E-Mail:Internet:"));

    a.lblemail.userClick();
    a.lblHyperlink.userClick();
    QCOMPARE(tp.ui.externals(), QStringList({QStringLiteral("mailto:support@korvatek.example"),
                                             QStringLiteral("https://www.korvatek.example")}));
    QVERIFY(tp.ui.messages().isEmpty());

    // Nothing on this computer opens them: the window shows the address instead, in its language.
    tp.ui.setExternalsOpen(false);
    a.lblemail.userClick();
    a.lblHyperlink.userClick();
    QCOMPARE(tp.ui.messages().size(), 2);
    const bool english = language == QLatin1String("1033");
    QVERIFY(tp.ui.messages()[0].text.contains("support@korvatek.example"));
    QVERIFY(tp.ui.messages()[0].text.startsWith(english ? "No e-mail" : "Kein E-Mail"));
    QVERIFY(tp.ui.messages()[1].text.contains("https://www.korvatek.example"));
    QVERIFY(tp.ui.messages()[1].text.startsWith(english ? "No web" : "Kein Web"));
    a.form.userClose();
    QVERIFY(!tp.program().fAboutLoaded());
}

QTEST_GUILESS_MAIN(TestDialogs)
#include "tst_dialogs.moc"
