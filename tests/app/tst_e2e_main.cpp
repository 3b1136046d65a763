// The real qtx52-config executable from start to exit: the window on an X server of its own
// (Xvfb), ended through its menu with the keys a technician presses, and the runs without a
// window, each of which must end by itself with its exit code. Every wait is bounded.

#include "support/config_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace qtx52;

namespace {

// An X server for one test, on the first free display.
class XServer {
public:
    ~XServer() { stop(); }
    // False with the reason in error() when Xvfb is missing or does not come up. Displays from
    // :100 on that nobody holds are tried in turn (another X server may come and go beside the
    // test), each until it answers. -noreset: the server would otherwise reset whenever its last
    // client leaves, and refuse a client that comes in during the reset.
    bool start() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            error_ = QStringLiteral("Xvfb is not installed");
            return false;
        }
        const int base = 100 + int(QCoreApplication::applicationPid() % 50) * 4;
        for (int n = base; n < base + 20; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) ||
                QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            server_ = std::make_unique<QProcess>();
            display_ = QStringLiteral(":%1").arg(n);
            server_->start(
                xvfb, {display_, "-noreset", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"});
            if (server_->waitForStarted(5000) &&
                QTest::qWaitFor(
                    [&] {
                        return server_->state() != QProcess::Running ||
                               xdotool({"getdisplaygeometry"});
                    },
                    5000) &&
                server_->state() == QProcess::Running)
                return true;
            stop();
        }
        error_ = QStringLiteral("Xvfb did not come up");
        return false;
    }
    void stop() {
        if (server_) {
            server_->terminate();
            if (!server_->waitForFinished(3000))
                server_->kill();
            server_->waitForFinished(3000);
            server_.reset();
        }
    }
    const QString& display() const { return display_; }
    const QString& error() const { return error_; }

    // xdotool on this display; whether it succeeded, and its standard output in *out.
    bool xdotool(const QStringList& arguments, QString* out = nullptr) const {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("xdotool"), arguments);
        if (!p.waitForFinished(5000)) {
            p.kill();
            p.waitForFinished(1000);
            return false;
        }
        if (out)
            *out = QString::fromLatin1(p.readAllStandardOutput()).trimmed();
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    // The visible windows of a process.
    QStringList windowsOf(qint64 pid) const {
        QString out;
        xdotool({"search", "--onlyvisible", "--pid", QString::number(pid)}, &out);
        return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    std::unique_ptr<QProcess> server_;
    QString display_;
    QString error_;
};

} // namespace

class TstE2eMain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exitFromTheMenu_data();
    void exitFromTheMenu();
    void windowlessRunsEnd_data();
    void windowlessRunsEnd();

private:
    QTemporaryDir dir_;
};

void TstE2eMain::initTestCase() {
    if (qEnvironmentVariableIsEmpty("QTX52_CONFIG"))
        QSKIP("QTX52_CONFIG does not name the qtx52-config executable");
    QVERIFY(dir_.isValid());
}

void TstE2eMain::exitFromTheMenu_data() {
    // Keys pressed one after another; each after the previous one has taken effect.
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<bool>("ends");
    QTest::newRow("access keys: Alt+D, B") << QStringList{"alt+d", "b"} << true;
    // "Beenden" is the menu's last entry, however many stand above it: Up from the first wraps to it.
    QTest::newRow("arrow keys: Alt+D, up to Beenden, Enter")
        << QStringList{"alt+d", "Up", "Return"} << true;
    // The menu closed again: the program goes on.
    QTest::newRow("Alt+D, Escape") << QStringList{"alt+d", "Escape"} << false;
}

// "&Beenden" ends the whole program: the process is gone with exit code 0 within seconds; a menu
// opened and closed again leaves it running.
void TstE2eMain::exitFromTheMenu() {
    QFETCH(QStringList, keys);
    QFETCH(bool, ends);
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("xdotool is not installed");
    XServer x;
    if (!x.start())
        QSKIP(qPrintable(x.error()));
    QProcessEnvironment env;
    env.insert(QStringLiteral("DISPLAY"), x.display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const std::unique_ptr<QProcess> config =
        testing::startConfig({"--simulate"}, dir_.filePath(QStringLiteral("config")), env);
    QVERIFY(config->waitForStarted(5000));

    QStringList windows;
    const bool up = QTest::qWaitFor(
        [&] {
            return config->state() != QProcess::Running ||
                   !(windows = x.windowsOf(config->processId())).isEmpty();
        },
        15000);
    QVERIFY2(config->state() == QProcess::Running,
             qPrintable(QString::fromLocal8Bit(config->readAllStandardError())));
    QString all;
    x.xdotool({"search", "--name", "."}, &all);
    QVERIFY2(up, qPrintable(QStringLiteral("no window on %1; windows there: %2; program said: %3")
                                .arg(x.display(), all.replace('\n', ' '),
                                     QString::fromLocal8Bit(config->readAllStandardError()))));
    // No window manager on the server: give the window the keyboard directly.
    x.xdotool({"windowfocus", windows.last()});
    QVERIFY(QTest::qWaitFor(
        [&] {
            QString focus;
            return x.xdotool({"getwindowfocus"}, &focus) && focus == windows.last();
        },
        5000));

    QElapsedTimer sinceLastKey;
    for (int i = 0; i < keys.size(); ++i) {
        QVERIFY(x.xdotool({"key", "--clearmodifiers", keys[i]}));
        sinceLastKey.start();
        // The first key opens the file menu: a window of its own.
        if (i == 0)
            QVERIFY2(
                QTest::qWaitFor(
                    [&] { return x.windowsOf(config->processId()).size() > windows.size(); }, 5000),
                "the file menu did not open");
    }
    if (!ends) {
        QVERIFY(!config->waitForFinished(1500));
        config->terminate();
        config->waitForFinished(3000);
        return;
    }
    const testing::ConfigRun run = testing::finishConfig(*config, 5000);
    qInfo("ended %lld ms after the last key", static_cast<long long>(sinceLastKey.elapsed()));
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
}

void TstE2eMain::windowlessRunsEnd_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // on standard output or standard error
    const QString file = dir_.filePath(QStringLiteral("unit.txt"));
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "qtx52-config 1.5";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "--read-out";
    QTest::newRow("--read-out") << QStringList{"--simulate", "--read-out", file} << 0 << file;
    QTest::newRow("--write of what the unit holds")
        << QStringList{"--simulate", "--write", file} << 0 << "nichts zu schreiben";
    QTest::newRow("--monitor 2") << QStringList{"--simulate", "--monitor", "2", "--quiet"} << 0
                                 << ";";
    QTest::newRow("bad usage") << QStringList{"--monitor", "x"} << 2 << "--monitor";
    QTest::newRow("window without a display")
        << QStringList{"--simulate"} << 1 << "kein Bildschirm";
}

// Every run without a window ends by itself with its exit code, well inside its bound.
void TstE2eMain::windowlessRunsEnd() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    // None of them needs a display: none is there. (Given empty: removed.)
    QProcessEnvironment env;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.insert(QString::fromLatin1(name), QString());
    QElapsedTimer t;
    t.start();
    const std::unique_ptr<QProcess> config =
        testing::startConfig(arguments, dir_.filePath(QStringLiteral("config")), env);
    const testing::ConfigRun run = testing::finishConfig(*config, 30000);
    qInfo("ended after %lld ms", static_cast<long long>(t.elapsed()));
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));
    QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
}

QTEST_GUILESS_MAIN(TstE2eMain)
#include "tst_e2e_main.moc"
