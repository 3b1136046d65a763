#include "params/field_rules.h"

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
    return {-255, 255, 255, 0};
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
