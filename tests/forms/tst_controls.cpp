#include "forms/controls.h"

#include <QSignalSpy>
#include <QTest>

using namespace qtx52::forms;

class TestControls : public QObject {
    Q_OBJECT
private slots:
    void assignmentRaisesEventOnlyOnChange_data();
    void assignmentRaisesEventOnlyOnChange();
    void nestedChainEndsWhenStateSettles();
    void keyPressCanSwallow();
    void typedKeysRespectMaxLengthButProgramTextDoesNot();
    void disabledContainerBlocksUserInput();
    void listRefusesPositionsOutsideItsEntries();
};

void TestControls::assignmentRaisesEventOnlyOnChange_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("text box") << "text";
    QTest::newRow("check box") << "check";
    QTest::newRow("list") << "list";
    QTest::newRow("tabs") << "tabs";
}

void TestControls::assignmentRaisesEventOnlyOnChange() {
    QFETCH(QString, kind);
    QObject owner;
    int events = 0;
    std::function<void(int)> assign;
    if (kind == "text") {
        auto* c = new TextBox("t", 0, &owner);
        connect(c, &TextBox::change, [&] { ++events; });
        assign = [c](int v) { c->setText(QString::number(v)); };
    } else if (kind == "check") {
        auto* c = new CheckBox("c", 0, &owner);
        connect(c, &CheckBox::click, [&] { ++events; });
        assign = [c](int v) { c->setValue(v); };
    } else if (kind == "list") {
        auto* c = new ListBox("l", 0, &owner);
        c->setItems({"a", "b", "c"});
        connect(c, &ListBox::click, [&] { ++events; });
        assign = [c](int v) { c->setListIndex(v); };
    } else {
        auto* c = new TabStrip("s", -1, &owner);
        c->setCaptions({"a", "b", "c"});
        connect(c, &TabStrip::click, [&] { ++events; });
        assign = [c](int v) { c->setTab(v); };
    }
    assign(1);
    QCOMPARE(events, 1);
    assign(1);
    QCOMPARE(events, 1);
    assign(2);
    QCOMPARE(events, 2);
}

void TestControls::nestedChainEndsWhenStateSettles() {
    // A value box and its list follow each other both ways; the chain ends because the second
    // assignment finds the state already in place.
    QObject owner;
    auto* box = new TextBox("box", 1, &owner);
    auto* list = new ListBox("list", 1, &owner);
    list->setItems({"0", "1", "2"});
    QStringList trace;
    connect(box, &TextBox::change, [&] {
        trace << "box:" + box->text();
        list->setListIndex(box->text().toInt());
    });
    connect(list, &ListBox::click, [&] {
        trace << "list:" + QString::number(list->listIndex());
        box->setText(QString::number(list->listIndex()));
    });
    list->setListIndex(2);
    QCOMPARE(trace, (QStringList{"list:2", "box:2"}));
    box->setText("1");
    QCOMPARE(trace, (QStringList{"list:2", "box:2", "box:1", "list:1"}));
}

void TestControls::keyPressCanSwallow() {
    QObject owner;
    auto* box = new TextBox("box", -1, &owner);
    connect(box, &TextBox::keyPress, [](KeyEvent* e) {
        if (e->keyAscii < '0' || e->keyAscii > '9')
            if (e->keyAscii != KeyBackspace)
                e->keyAscii = 0;
    });
    box->typeText("1a2-3");
    QCOMPARE(box->text(), QString("123"));
    box->typeKey(KeyBackspace);
    QCOMPARE(box->text(), QString("12"));
}

void TestControls::typedKeysRespectMaxLengthButProgramTextDoesNot() {
    QObject owner;
    auto* box = new TextBox("box", -1, &owner);
    box->setMaxLength(3);
    box->typeText("12345");
    QCOMPARE(box->text(), QString("123"));
    box->typeKey(KeyBackspace); // editing keys still work at the limit
    QCOMPARE(box->text(), QString("12"));
    box->setText("3276,7");
    QCOMPARE(box->text(), QString("3276,7"));
}

void TestControls::disabledContainerBlocksUserInput() {
    QObject owner;
    auto* frame = new Frame("frame", -1, &owner);
    auto* check = new CheckBox("check", -1, &owner);
    auto* button = new CommandButton("button", -1, &owner);
    check->setContainer(frame);
    button->setContainer(frame);
    int clicks = 0;
    connect(button, &CommandButton::click, [&] { ++clicks; });
    frame->setEnabled(false);
    check->userClick();
    button->userClick();
    QCOMPARE(check->value(), 0);
    QCOMPARE(clicks, 0);
    check->setValue(1); // the program is not a user: assignments still work
    QCOMPARE(check->value(), 1);
    frame->setEnabled(true);
    check->userClick();
    button->userClick();
    QCOMPARE(check->value(), 0);
    QCOMPARE(clicks, 1);
}

void TestControls::listRefusesPositionsOutsideItsEntries() {
    QObject owner;
    auto* list = new ListBox("list", -1, &owner);
    list->setItems({"a", "b"});
    QSignalSpy clicks(list, &ListBox::click);
    QVERIFY(!list->setListIndex(2));
    QVERIFY(!list->setListIndex(-2));
    QCOMPARE(list->listIndex(), -1);
    QCOMPARE(clicks.count(), 0);
    QVERIFY(list->setListIndex(1));
    QCOMPARE(list->text(), QString("b"));
}

QTEST_GUILESS_MAIN(TestControls)
#include "tst_controls.moc"
