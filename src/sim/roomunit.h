#pragma once

#include "forms/clock.h"

#include <QList>

#include <array>
#include <functional>

namespace qtx52::sim {

// Addresses of the room unit's holding registers and coils.
namespace reg {
// Configuration, 0..37. Values in tenths: 7..11, 13, 14, 16, 22, 28.
inline constexpr int DeviceCoding = 0;
inline constexpr int FirmwareVersion = 1;
inline constexpr int DeviceType = 2;
inline constexpr int LocationNumber = 3;
inline constexpr int ButtonFunction = 4;
inline constexpr int DisplayUpdate = 5;
inline constexpr int MinResponseTime = 6;
inline constexpr int TemperatureOffset = 7;
inline constexpr int HumidityOffset = 8;
inline constexpr int UpperAdjustRange = 9;
inline constexpr int LowerAdjustRange = 10;
inline constexpr int BaseSetpoint = 11;
inline constexpr int SetpointDisplay = 12;
inline constexpr int NightReduction = 13;
inline constexpr int DeadZone = 14;
inline constexpr int FanAuto = 15;
inline constexpr int XpHeat = 16;
inline constexpr int TnHeat = 17;
inline constexpr int MaxLimitHeat = 18;
inline constexpr int MinLimitHeat = 19;
inline constexpr int PwmCycleHeat = 20;
inline constexpr int ModeHeat = 21;
inline constexpr int XpCool = 22;
inline constexpr int TnCool = 23;
inline constexpr int MaxLimitCool = 24;
inline constexpr int MinLimitCool = 25;
inline constexpr int PwmCycleCool = 26;
inline constexpr int ModeCool = 27;
inline constexpr int FrostProtection = 28;
inline constexpr int ManualOut1AfterReset = 29;
inline constexpr int ManualOut2AfterReset = 30;
inline constexpr int InputFunction1 = 31;
inline constexpr int InputFunction2 = 32;
inline constexpr int CounterMode1 = 33;
inline constexpr int CounterMode2 = 34;
inline constexpr int BypassTime = 35;
inline constexpr int LedControl = 36;
inline constexpr int ControllerModeAfterReset = 37;
inline constexpr int ConfigFirst = 0;
inline constexpr int ConfigCount = 38;

// Live values, 256..273, read only.
inline constexpr int ButtonState = 256;
inline constexpr int ButtonMemory = 257;
inline constexpr int Temperature = 258;
inline constexpr int SetpointOffset = 259;
inline constexpr int EffectiveSetpoint = 260;
inline constexpr int Humidity = 261;
inline constexpr int FanStage = 262;
inline constexpr int Occupancy = 263;
inline constexpr int ControlHeat = 264;
inline constexpr int ControlCool = 265;
inline constexpr int LocalLock = 266;
inline constexpr int Output1 = 267;
inline constexpr int Output2 = 268;
inline constexpr int Input1 = 269;
inline constexpr int Input2 = 270;
inline constexpr int Counter1 = 271;
inline constexpr int Counter2 = 272;
inline constexpr int ControllerMode = 273;
inline constexpr int LiveFirst = 256;
inline constexpr int LiveCount = 18;

// Values the master gives the unit, 512..519.
inline constexpr int GivenTemperature = 512;
inline constexpr int GivenHumidity = 513;
inline constexpr int GivenSetpointOffset = 514;
inline constexpr int GivenBaseSetpoint = 515;
inline constexpr int GivenOccupancy = 516;
inline constexpr int GivenControllerMode = 517;
inline constexpr int GivenManualOut1 = 518;
inline constexpr int GivenManualOut2 = 519;
inline constexpr int GivenFirst = 512;
inline constexpr int GivenCount = 8;

// Fan stage value for automatic fan control.
inline constexpr quint16 FanStageAuto = 0xFF00;
// Value of an external temperature or humidity that the master has not given.
inline constexpr quint16 NotGiven = 0x8000;
} // namespace reg

namespace coil {
inline constexpr int ConfigFirst = 0;
inline constexpr int ConfigCount = 14;
inline constexpr int SwitchFirst = 256;
inline constexpr int SwitchCount = 5;
} // namespace coil

// The room unit's memory as seen over Modbus: configuration, live values and the values a master
// gives it, plus configuration and switching coils. Live values move with the clock (temperature
// and humidity drift, counters count, the controller follows the setpoint) so that a program that
// polls it sees them change.
//
// Two ways in: the Modbus side (read/writeRegisters, read/writeCoils) keeps a log of every write,
// while reg/setReg and coil/setCoil are for tests and ignore access rules. While live motion is on,
// setting the temperature, humidity or a counter makes it move on from the new value, and the
// values the unit derives (effective setpoint, control variables, outputs, fan stage) are worked
// out afresh at every read; setLiveMotion(false) pins every live value where it is.
class RoomUnit {
public:
    struct Write {
        qint64 timeMs = 0;
        bool coils = false;
        int start = 0;
        QList<quint16> values; // coil values are 0 or 1
        bool operator==(const Write&) const = default;
    };

    explicit RoomUnit(forms::Clock& clock);

    // Back to the values the unit leaves the factory with; the write log is kept.
    void factoryReset();

    // The address map. A range exists only when it lies wholly within one block.
    static bool registersExist(int start, int count);
    static bool registersWritable(int start, int count);
    static bool coilsExist(int start, int count);
    static bool coilsWritable(int start, int count) { return coilsExist(start, count); }
    // Whether the unit takes this value for a writable register (coded settings and small ranges
    // are checked; other registers take any value).
    static bool acceptsValue(int address, quint16 value);

    // Direct access for tests. Reading an address outside the map gives 0; setting one does
    // nothing.
    quint16 reg(int address);
    void setReg(int address, quint16 value);
    bool coil(int address) const;
    void setCoil(int address, bool on);

    // The Modbus side. The caller has checked the range (and for writes, the values).
    QList<quint16> readRegisters(int start, int count);
    void writeRegisters(int start, const QList<quint16>& values);
    QList<bool> readCoils(int start, int count) const;
    void writeCoils(int start, const QList<bool>& values);

    // Every write over Modbus, oldest first.
    const QList<Write>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }
    void setWriteObserver(std::function<void(const Write&)> observer) {
        observer_ = std::move(observer);
    }

    bool liveMotion() const { return motion_; }
    void setLiveMotion(bool on);

private:
    quint16* slot(int address);
    bool* coilSlot(int address);
    void record(bool coils, int start, QList<quint16> values);
    void applyGiven(int address);
    void anchorDrift();
    void refresh();

    forms::Clock* clock_;
    std::array<quint16, reg::ConfigCount> config_{};
    std::array<quint16, reg::LiveCount> live_{};
    std::array<quint16, reg::GivenCount> given_{};
    std::array<bool, coil::ConfigCount> configCoils_{};
    std::array<bool, coil::SwitchCount> switchCoils_{};
    QList<Write> writes_;
    std::function<void(const Write&)> observer_;

    // Drift: measured value = anchor + wave(now) - wave(anchor time).
    bool motion_ = true;
    qint64 lastRefreshMs_ = 0;
    qint64 tempAnchorMs_ = 0;
    int tempAnchor_ = 0; // tenths, before the offset
    qint64 humAnchorMs_ = 0;
    int humAnchor_ = 0;
    std::array<qint64, 2> counterPhaseMs_{};
};

} // namespace qtx52::sim
