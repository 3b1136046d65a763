#pragma once

// The editor's rules for what a value box holds, shared by the field editing (typing, leaving,
// stepping) and the check before a write, so that both always agree.

namespace qtx52::params {

// Boxes that take a minus sign.
bool isSignedConfigField(int element);
bool isSignedInputField(int element);

// What a box is forced to when its value is complete (the focus leaves it, Enter, Apply) and lies
// outside [min, max]. The range reaches as far as the box's arrows do.
struct Range {
    double min;
    double max;
    double aboveMax; // written for a value above max
    double belowMin; // written for a value below min
};
Range configRange(int element);
Range inputRange(int element);

// The minimum response time a unit is given: a smaller value in its box is raised to it.
inline constexpr int kMinResponseTimeMs = 5;

} // namespace qtx52::params
