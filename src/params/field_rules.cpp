#include "params/field_rules.h"

#include "params/register_map.h"

#include <algorithm>

namespace qtx52::params {

bool isSignedConfigField(int i) {
    return i >= 7 && i <= 14;
}

bool isSignedInputField(int i) {
    return i != 4 && i != 5;
}

Range configRange(int i) {
    // The manual output values after reset run to 1000; every other register is kept within
    // one byte either way, a value far below clearing to 0 instead of clamping.
    if (i == 29 || i == 30)
        return {0, 1000, 1000, 0};
    Range r{-255, 255, 255, 0};
    // The location code and the response time go beyond a byte, as far as their arrows and the
    // register's signed word reach.
    constexpr double kSignedWordMax = 32767;
    if (const UpDownLimits* arrows = upDownLimitsFor(i); arrows && arrows->max > r.max)
        r.max = r.aboveMax = std::min(arrows->max, kSignedWordMax);
    if (i == kResponseTimeRegister)
        r.min = r.belowMin = kMinResponseTimeMs;
    return r;
}

Range inputRange(int i) {
    switch (i) {
    case 0: // external temperature: above range means "no value given" (32767 on the wire)
        return {-100, 100, 3276.7, 0};
    case 1: // external humidity: 16383 on the wire
        return {-100, 100, 1638.3, 0};
    case 6:
    case 7: // manual output values
        return {0, 1000, 0, 0};
    default:
        return {-100, 100, 0, 0};
    }
}

} // namespace qtx52::params
