// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>
#include <stdexcept>

// Why a redraw of the progress bar stopped. A property set passes it on to its
// caller; the value it set stays stored.
class ProgressError : public std::runtime_error {
public:
    enum class Kind {
        Overflow,      // an integer result does not fit its type
        FloatingPoint, // overflow, invalid operation or division by zero in floating point
    };

    explicit ProgressError(Kind kind);

    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// Checked arithmetic of the drawing code: each step either gives a value that
// fits or throws, so nothing after a failing step is drawn.
namespace ProgressMath {

// A floating-point result, or a FloatingPoint error when it is not finite.
double checked(double value);

// The nearest 32-bit integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
qint32 wholeNumber(double value);

// Twice a 16-bit value, as a 16-bit value.
qint16 doubled(qint16 value);

} // namespace ProgressMath
