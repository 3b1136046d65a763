#include "transfer/exchange_values.h"

#include "link/checksum.h"
#include "params/numbers.h"

#include <cmath>

namespace qtx52::transfer {

std::optional<qint32> pacingIntervalMs(const QString& baudRate, qint16 minResponseTime) {
    const qint64 baud = params::leadingDigitsValue(baudRate);
    if (baud <= 0)
        return std::nullopt;
    const qint32 responseMs = minResponseTime < 0 ? 0 : minResponseTime;
    const double ms = 550.0 * 1000.0 / double(baud) + 15.0 * responseMs;
    return qint32(params::roundHalfEven(ms));
}

std::optional<QString> valueWord(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = params::roundHalfEven(value);
    if (rounded < -32768 || rounded > 65535)
        return std::nullopt;
    return link::LongToHexStr(qint32(rounded) & 0xFFFF, 2);
}

} // namespace qtx52::transfer
