#pragma once

// A whole program for tests: virtual time, a fake serial port, a scripted user and settings
// stores in a temporary folder. Nothing is loaded yet; a test calls app::Main (or a window
// accessor) when it wants the windows.

#include "app/program.h"
#include "forms/clock.h"
#include "support/fake_port.h"
#include "support/scripted_ui.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace qtx52::testing {

// The values of the two settings stores; a value left empty (std::nullopt) is missing.
struct StoreValues {
    std::optional<QString> installPath = QStringLiteral("/opt/qtx52");
    std::optional<QString> language = QStringLiteral("1031");
    std::optional<QString> version = QStringLiteral("1.5");    // the product key's "Version"
    std::optional<QString> lcdVersion = QStringLiteral("1.5"); // the LCD product key's "Version"
    std::optional<QString> decimalSeparator = QStringLiteral(",");
};

class TestProgram {
public:
    explicit TestProgram(const StoreValues& values = StoreValues());
    ~TestProgram();
    TestProgram(const TestProgram&) = delete;
    TestProgram& operator=(const TestProgram&) = delete;

    // Rewrites both stores; the program reads them afresh whenever a window applies its language.
    void writeStores(const StoreValues& values);

    app::Program& program() { return *program_; }
    app::Global& g() { return program_->g; }

    QTemporaryDir dir;
    forms::ManualClock clock;
    FakePort port;
    ScriptedUi ui;

private:
    std::unique_ptr<app::Program> program_;
};

} // namespace qtx52::testing
