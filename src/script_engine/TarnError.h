// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// An error raised inside the script engine. It never crosses the engine's
// public surface: each operation catches it on its one error path.
struct TarnError {
    int number;
    QString description;
};

namespace TarnErrors {
inline constexpr int Overflow = 6;
inline constexpr int FileNotFound = 53;
inline constexpr int FileUnreadable = 75;
inline constexpr int InvalidArgument = 5;
} // namespace TarnErrors
