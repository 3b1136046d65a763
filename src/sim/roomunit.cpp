#include "sim/roomunit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qtx52::sim {

namespace {

struct Block {
    int first;
    int count;
    bool contains(int start, int n) const {
        return n > 0 && start >= first && start + n <= first + count;
    }
};

constexpr Block ConfigBlock{reg::ConfigFirst, reg::ConfigCount};
constexpr Block LiveBlock{reg::LiveFirst, reg::LiveCount};
constexpr Block GivenBlock{reg::GivenFirst, reg::GivenCount};
// Device coding and firmware version are fixed in the unit.
constexpr Block WritableConfig{reg::DeviceType, reg::ConfigCount - reg::DeviceType};
constexpr Block ConfigCoils{coil::ConfigFirst, coil::ConfigCount};
constexpr Block SwitchCoils{coil::SwitchFirst, coil::SwitchCount};

// Room temperature and humidity swing slowly around where they were last put, in tenths.
constexpr double TempSwing = 8.0;
constexpr double TempPeriodMs = 600'000.0;
constexpr double HumSwing = 30.0;
constexpr double HumPeriodMs = 420'000.0;
// One pulse on each counting input every so often.
constexpr std::array<qint64, 2> CounterPulseMs{2'000, 5'000};

double wave(double swing, double periodMs, qint64 t) {
    return swing * std::sin(2.0 * std::numbers::pi * double(t) / periodMs);
}

int drifted(int anchor, qint64 anchorMs, qint64 now, double swing, double periodMs) {
    return anchor + int(std::lround(wave(swing, periodMs, now) - wave(swing, periodMs, anchorMs)));
}

qint16 s(quint16 v) {
    return qint16(v);
}
quint16 u(int v) {
    return quint16(qint16(std::clamp(v, -32768, 32767)));
}

} // namespace

RoomUnit::RoomUnit(forms::Clock& clock) : clock_(&clock) {
    factoryReset();
}

void RoomUnit::factoryReset() {
    config_ = {
        0x0052, // device coding
        0x0105, // firmware 1.05
        0x01,   // device type
        0,      // location number
        0x20,   // button function
        5,      // display update every 5 s
        10,     // minimum response time 10 ms
        0,      // temperature offset
        0,      // humidity offset
        30,     // upper adjust range 3.0 K
        30,     // lower adjust range 3.0 K
        210,    // base setpoint 21.0 °C
        1,      // setpoint shown
        30,     // night reduction 3.0 K
        10,     // dead zone 1.0 K
        1,      // fan automatic
        20,     // Xp heating 2.0 K
        15,     // Tn heating 15 min
        100,    // max limit heating %
        0,      // min limit heating %
        10,     // PWM cycle heating min
        1,      // heating mode
        20,     // Xp cooling
        15,     // Tn cooling
        100,    // max limit cooling
        0,      // min limit cooling
        10,     // PWM cycle cooling
        1,      // cooling mode
        80,     // frost protection 8.0 °C
        0,      // manual value out1 after reset
        0,      // manual value out2 after reset
        0x01,   // input 1 function
        0x01,   // input 2 function
        1,      // counter 1 counts
        1,      // counter 2 counts
        60,     // bypass 60 min
        1,      // LED control
        1,      // controller mode after reset
    };
    given_ = {reg::NotGiven,
              reg::NotGiven,
              0,
              config_[reg::BaseSetpoint],
              1,
              config_[reg::ControllerModeAfterReset],
              config_[reg::ManualOut1AfterReset],
              config_[reg::ManualOut2AfterReset]};
    live_.fill(0);
    live_[reg::Occupancy - reg::LiveFirst] = 1;
    live_[reg::FanStage - reg::LiveFirst] = reg::FanStageAuto;
    live_[reg::ControllerMode - reg::LiveFirst] = config_[reg::ControllerModeAfterReset];
    live_[reg::Input2 - reg::LiveFirst] = 1;
    // Coil 6 set: the unit shows degrees Celsius, the scale of the temperatures above.
    configCoils_ = {true,  false, true,  false, false, true,  true,
                    false, true,  false, false, false, false, false};
    switchCoils_.fill(false);

    const qint64 now = clock_->nowMs();
    tempAnchor_ = 215;
    tempAnchorMs_ = now;
    humAnchor_ = 450;
    humAnchorMs_ = now;
    counterPhaseMs_.fill(0);
    lastRefreshMs_ = now;
    refresh();
}

bool RoomUnit::registersExist(int start, int count) {
    return ConfigBlock.contains(start, count) || LiveBlock.contains(start, count) ||
           GivenBlock.contains(start, count);
}

bool RoomUnit::registersWritable(int start, int count) {
    return WritableConfig.contains(start, count) || GivenBlock.contains(start, count);
}

bool RoomUnit::coilsExist(int start, int count) {
    return ConfigCoils.contains(start, count) || SwitchCoils.contains(start, count);
}

bool RoomUnit::acceptsValue(int address, quint16 value) {
    auto oneOf = [value](std::initializer_list<int> codes) {
        return std::find(codes.begin(), codes.end(), int(value)) != codes.end();
    };
    switch (address) {
    case reg::DeviceType:
        return value <= 0x05 || value == 0x10 || value == 0x11;
    case reg::ButtonFunction:
        return oneOf({0x00, 0x20, 0x21, 0x22, 0x23, 0x30});
    case reg::DisplayUpdate:
        return value <= 255;
    case reg::SetpointDisplay:
    case reg::FanAuto:
    case reg::GivenOccupancy:
        return value <= 1;
    case reg::MaxLimitHeat:
    case reg::MinLimitHeat:
    case reg::MaxLimitCool:
    case reg::MinLimitCool:
        return value <= 100;
    case reg::ModeHeat:
    case reg::ModeCool:
    case reg::ControllerModeAfterReset:
    case reg::GivenControllerMode:
        return value <= 3;
    case reg::ManualOut1AfterReset:
    case reg::ManualOut2AfterReset:
    case reg::GivenManualOut1:
    case reg::GivenManualOut2:
        return value <= 1000;
    case reg::InputFunction1:
    case reg::InputFunction2:
        return value <= 0x05 || (value >= 0x10 && value <= 0x15);
    case reg::CounterMode1:
    case reg::CounterMode2:
        return value <= 2;
    case reg::LedControl:
        return value <= 4;
    default:
        return true;
    }
}

quint16* RoomUnit::slot(int address) {
    if (ConfigBlock.contains(address, 1))
        return &config_[address - reg::ConfigFirst];
    if (LiveBlock.contains(address, 1))
        return &live_[address - reg::LiveFirst];
    if (GivenBlock.contains(address, 1))
        return &given_[address - reg::GivenFirst];
    return nullptr;
}

bool* RoomUnit::coilSlot(int address) {
    if (ConfigCoils.contains(address, 1))
        return &configCoils_[address - coil::ConfigFirst];
    if (SwitchCoils.contains(address, 1))
        return &switchCoils_[address - coil::SwitchFirst];
    return nullptr;
}

quint16 RoomUnit::reg(int address) {
    refresh();
    const quint16* p = slot(address);
    return p ? *p : 0;
}

void RoomUnit::setReg(int address, quint16 value) {
    quint16* p = slot(address);
    if (!p)
        return;
    refresh();
    *p = value;
    const qint64 now = clock_->nowMs();
    if (address == reg::Temperature) {
        tempAnchor_ = s(value) - s(config_[reg::TemperatureOffset]);
        tempAnchorMs_ = now;
    } else if (address == reg::Humidity) {
        humAnchor_ = s(value) - s(config_[reg::HumidityOffset]);
        humAnchorMs_ = now;
    }
    applyGiven(address);
}

bool RoomUnit::coil(int address) const {
    if (ConfigCoils.contains(address, 1))
        return configCoils_[address - coil::ConfigFirst];
    if (SwitchCoils.contains(address, 1))
        return switchCoils_[address - coil::SwitchFirst];
    return false;
}

void RoomUnit::setCoil(int address, bool on) {
    if (bool* p = coilSlot(address))
        *p = on;
}

QList<quint16> RoomUnit::readRegisters(int start, int count) {
    refresh();
    QList<quint16> values;
    values.reserve(count);
    for (int a = start; a < start + count; ++a) {
        const quint16* p = slot(a);
        values.append(p ? *p : 0);
    }
    return values;
}

void RoomUnit::writeRegisters(int start, const QList<quint16>& values) {
    refresh();
    for (int i = 0; i < values.size(); ++i) {
        if (quint16* p = slot(start + i)) {
            *p = values[i];
            applyGiven(start + i);
        }
    }
    record(false, start, values);
}

QList<bool> RoomUnit::readCoils(int start, int count) const {
    QList<bool> values;
    values.reserve(count);
    for (int a = start; a < start + count; ++a)
        values.append(coil(a));
    return values;
}

void RoomUnit::writeCoils(int start, const QList<bool>& values) {
    QList<quint16> logged;
    for (int i = 0; i < values.size(); ++i) {
        setCoil(start + i, values[i]);
        logged.append(values[i] ? 1 : 0);
    }
    record(true, start, logged);
}

void RoomUnit::record(bool coils, int start, QList<quint16> values) {
    writes_.append(Write{clock_->nowMs(), coils, start, std::move(values)});
    if (observer_)
        observer_(writes_.back());
}

// The values a master gives take effect in the live values at once.
void RoomUnit::applyGiven(int address) {
    int target = -1;
    switch (address) {
    case reg::GivenSetpointOffset:
        target = reg::SetpointOffset;
        break;
    case reg::GivenOccupancy:
        target = reg::Occupancy;
        break;
    case reg::GivenControllerMode:
        target = reg::ControllerMode;
        break;
    default:
        return;
    }
    live_[target - reg::LiveFirst] = given_[address - reg::GivenFirst];
}

void RoomUnit::setLiveMotion(bool on) {
    if (on == motion_)
        return;
    motion_ = on;
    if (on)
        anchorDrift();
}

// Makes the drift go on from the values the live registers hold now.
void RoomUnit::anchorDrift() {
    const qint64 now = clock_->nowMs();
    tempAnchor_ = s(live_[reg::Temperature - reg::LiveFirst]) - s(config_[reg::TemperatureOffset]);
    tempAnchorMs_ = now;
    humAnchor_ = s(live_[reg::Humidity - reg::LiveFirst]) - s(config_[reg::HumidityOffset]);
    humAnchorMs_ = now;
    lastRefreshMs_ = now;
}

void RoomUnit::refresh() {
    if (!motion_)
        return;
    auto live = [this](int address) -> quint16& { return live_[address - reg::LiveFirst]; };
    const qint64 now = clock_->nowMs();
    const qint64 elapsed = std::max<qint64>(0, now - lastRefreshMs_);
    lastRefreshMs_ = now;

    for (int i = 0; i < 2; ++i) {
        if (config_[reg::CounterMode1 + i] == 0)
            continue;
        counterPhaseMs_[i] += elapsed;
        live(reg::Counter1 + i) += quint16(counterPhaseMs_[i] / CounterPulseMs[i]);
        counterPhaseMs_[i] %= CounterPulseMs[i];
    }

    const quint16 givenTemp = given_[reg::GivenTemperature - reg::GivenFirst];
    const int temperature = givenTemp != reg::NotGiven ? s(givenTemp)
                                                       : drifted(tempAnchor_, tempAnchorMs_, now,
                                                                 TempSwing, TempPeriodMs) +
                                                             s(config_[reg::TemperatureOffset]);
    live(reg::Temperature) = u(temperature);
    const quint16 givenHum = given_[reg::GivenHumidity - reg::GivenFirst];
    live(reg::Humidity) =
        givenHum != reg::NotGiven
            ? givenHum
            : u(std::clamp(drifted(humAnchor_, humAnchorMs_, now, HumSwing, HumPeriodMs) +
                               s(config_[reg::HumidityOffset]),
                           0, 1000));

    // Setpoint: the base the master gave, moved by the user's offset within the adjust range,
    // lowered at night or while the room is empty; off means frost protection only.
    const int mode = live(reg::ControllerMode);
    const int offset =
        std::clamp<int>(s(live(reg::SetpointOffset)), -std::abs(s(config_[reg::LowerAdjustRange])),
                        std::abs(s(config_[reg::UpperAdjustRange])));
    int setpoint = s(given_[reg::GivenBaseSetpoint - reg::GivenFirst]) + offset;
    if (mode == 3 || live(reg::Occupancy) == 0)
        setpoint -= s(config_[reg::NightReduction]);
    if (mode == 0)
        setpoint = s(config_[reg::FrostProtection]);
    live(reg::EffectiveSetpoint) = u(setpoint);

    // Proportional band control, in percent within the configured limits.
    auto control = [this](int error, int xp, int maxLimit, int minLimit) {
        const int band = std::max<int>(1, s(config_[xp]));
        const int percent = error > 0 ? error * 100 / band : 0;
        return std::clamp<int>(percent, s(config_[minLimit]),
                               std::max<int>(s(config_[minLimit]), s(config_[maxLimit])));
    };
    const int heat =
        control(setpoint - temperature, reg::XpHeat, reg::MaxLimitHeat, reg::MinLimitHeat);
    const int cool = control(temperature - setpoint - std::max<int>(0, s(config_[reg::DeadZone])),
                             reg::XpCool, reg::MaxLimitCool, reg::MinLimitCool);
    live(reg::ControlHeat) = u(heat);
    live(reg::ControlCool) = u(cool);
    // Outputs in per mille; with the controller off they hold the manual values.
    if (mode == 0) {
        live(reg::Output1) = given_[reg::GivenManualOut1 - reg::GivenFirst];
        live(reg::Output2) = given_[reg::GivenManualOut2 - reg::GivenFirst];
    } else {
        live(reg::Output1) = u(heat * 10);
        live(reg::Output2) = u(cool * 10);
    }
    if (config_[reg::FanAuto] == 1)
        live(reg::FanStage) = reg::FanStageAuto;
    else if (live(reg::FanStage) == reg::FanStageAuto)
        live(reg::FanStage) = 0;
}

} // namespace qtx52::sim
