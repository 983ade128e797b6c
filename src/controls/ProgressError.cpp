// SPDX-License-Identifier: MIT
#include "ProgressError.h"

#include <cmath>
#include <limits>

namespace {

const char* message(ProgressError::Kind kind) {
    switch (kind) {
    case ProgressError::Kind::Overflow:
        return "Overflow";
    case ProgressError::Kind::FloatingPoint:
        return "Floating-point error";
    }
    return "Error";
}

} // namespace

ProgressError::ProgressError(Kind kind) : std::runtime_error(message(kind)), m_kind(kind) {}

namespace ProgressMath {

double checked(double value) {
    if (!std::isfinite(value))
        throw ProgressError(ProgressError::Kind::FloatingPoint);
    return value;
}

qint32 wholeNumber(double value) {
    // The default rounding mode is to nearest, ties to even.
    const double rounded = std::nearbyint(checked(value));
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        throw ProgressError(ProgressError::Kind::Overflow);
    return static_cast<qint32>(rounded);
}

qint16 doubled(qint16 value) {
    const int result = 2 * int(value);
    if (result < std::numeric_limits<qint16>::min() || result > std::numeric_limits<qint16>::max())
        throw ProgressError(ProgressError::Kind::Overflow);
    return static_cast<qint16>(result);
}

} // namespace ProgressMath
