#include "forms/clock.h"
#include "forms/timer.h"

#include <QTest>

using namespace qtx52::forms;

class TestClock : public QObject {
    Q_OBJECT
private slots:
    void repeatsEveryInterval();
    void intervalZeroNeverTicks();
    void settingIntervalRestartsCount();
    void enablingEnabledTimerKeepsDeadline();
    void disableThenEnableRestarts();
    void handlerEnablesTimerDuringAdvance();
    void tiesFireInArmingOrder();
    void handlerMayDestroyTimer();
    void advanceUntilStopsAtCondition();
};

void TestClock::repeatsEveryInterval() {
    ManualClock clock;
    Timer t(clock, QStringLiteral("t"), 50);
    QList<qint64> at;
    connect(&t, &Timer::tick, [&] { at << clock.nowMs(); });
    t.setEnabled(true);
    clock.advance(49);
    QVERIFY(at.isEmpty());
    clock.advance(1);
    clock.advance(120);
    QCOMPARE(at, (QList<qint64>{50, 100, 150}));
    QCOMPARE(clock.nowMs(), qint64(170));
}

void TestClock::intervalZeroNeverTicks() {
    ManualClock clock;
    Timer t(clock, QStringLiteral("t"), 0);
    int ticks = 0;
    connect(&t, &Timer::tick, [&] { ++ticks; });
    t.setEnabled(true);
    clock.advance(100000);
    QCOMPARE(ticks, 0);
    QVERIFY(t.enabled());
    QVERIFY(!t.running());
    t.setInterval(10); // an interval given later starts the count
    clock.advance(10);
    QCOMPARE(ticks, 1);
}

void TestClock::settingIntervalRestartsCount() {
    ManualClock clock;
    Timer t(clock, QStringLiteral("t"), 100);
    QList<qint64> at;
    connect(&t, &Timer::tick, [&] { at << clock.nowMs(); });
    t.setEnabled(true);
    clock.advance(90);
    t.setInterval(100); // same value: the count starts again all the same
    clock.advance(90);
    QVERIFY(at.isEmpty());
    t.setInterval(30);
    clock.advance(30);
    QCOMPARE(at, (QList<qint64>{210}));
}

void TestClock::enablingEnabledTimerKeepsDeadline() {
    // The failure timer is enabled again by every repeat; its deadline must hold.
    ManualClock clock;
    Timer t(clock, QStringLiteral("t"), 500);
    QList<qint64> at;
    connect(&t, &Timer::tick, [&] { at << clock.nowMs(); });
    t.setEnabled(true);
    clock.advance(400);
    t.setEnabled(true);
    clock.advance(100);
    QCOMPARE(at, (QList<qint64>{500}));
}

void TestClock::disableThenEnableRestarts() {
    ManualClock clock;
    Timer t(clock, QStringLiteral("t"), 100);
    QList<qint64> at;
    connect(&t, &Timer::tick, [&] { at << clock.nowMs(); });
    t.setEnabled(true);
    clock.advance(80);
    t.setEnabled(false);
    t.setEnabled(true);
    clock.advance(99);
    QVERIFY(at.isEmpty());
    clock.advance(1);
    QCOMPARE(at, (QList<qint64>{180}));
}

void TestClock::handlerEnablesTimerDuringAdvance() {
    ManualClock clock;
    Timer first(clock, QStringLiteral("first"), 100);
    Timer second(clock, QStringLiteral("second"), 30);
    QStringList log;
    connect(&first, &Timer::tick, [&] {
        log << QStringLiteral("first@%1").arg(clock.nowMs());
        first.setEnabled(false);
        second.setEnabled(true);
    });
    connect(&second, &Timer::tick, [&] { log << QStringLiteral("second@%1").arg(clock.nowMs()); });
    first.setEnabled(true);
    clock.advance(200);
    QCOMPARE(log, (QStringList{"first@100", "second@130", "second@160", "second@190"}));
}

void TestClock::tiesFireInArmingOrder() {
    ManualClock clock;
    Timer a(clock, QStringLiteral("a"), 100);
    Timer b(clock, QStringLiteral("b"), 50);
    QStringList log;
    connect(&a, &Timer::tick, [&] { log << QStringLiteral("a"); });
    connect(&b, &Timer::tick, [&] { log << QStringLiteral("b"); });
    b.setEnabled(true); // b: 50, 100 (re-armed at 50, after a was armed)
    a.setEnabled(true); // a: 100 (armed at 0)
    clock.advance(100);
    QCOMPARE(log, (QStringList{"b", "a", "b"}));
}

void TestClock::handlerMayDestroyTimer() {
    ManualClock clock;
    auto doomed = std::make_unique<Timer>(clock, QStringLiteral("doomed"), 10);
    Timer other(clock, QStringLiteral("other"), 10);
    int otherTicks = 0;
    connect(doomed.get(), &Timer::tick, [&] { doomed.reset(); });
    connect(&other, &Timer::tick, [&] { ++otherTicks; });
    doomed->setEnabled(true);
    other.setEnabled(true);
    clock.advance(30);
    QVERIFY(!doomed);
    QCOMPARE(otherTicks, 3);
}

void TestClock::advanceUntilStopsAtCondition() {
    ManualClock clock;
    Timer t(clock, QStringLiteral("t"), 70);
    int ticks = 0;
    connect(&t, &Timer::tick, [&] { ++ticks; });
    t.setEnabled(true);
    QVERIFY(clock.advanceUntil([&] { return ticks == 3; }, 1000));
    QCOMPARE(clock.nowMs(), qint64(210));
    QVERIFY(!clock.advanceUntil([&] { return ticks == 100; }, 100));
    QCOMPARE(clock.nowMs(), qint64(310));
}

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
