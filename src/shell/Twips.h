// SPDX-License-Identifier: MIT
// Window positions and sizes are given in twips (1/1440 inch).
#pragma once

#include "text/modMisc.h"

namespace Twips {

inline constexpr double PerInch = 1440.0;

// Pixels for a length in twips on a screen of the given logical resolution
// (15 twips per pixel at 96 dpi), rounded halves to even.
inline int toPixels(int twips, double logicalDpi) {
    return static_cast<int>(modMisc::RoundHalfEven(twips * logicalDpi / PerInch));
}

} // namespace Twips
