// SPDX-License-Identifier: MIT
// The exit statuses every program and tool of Line Warden ends with, so that
// scripts and service managers can read them the same way everywhere.
#pragma once

namespace ExitStatus {
inline constexpr int Done = 0;      // the work was done (also --help and --version)
inline constexpr int Failed = 1;    // the work was tried and failed
inline constexpr int TimeLimit = 2; // the time limit passed first
inline constexpr int BadUsage = 3;  // nothing was tried: bad options or arguments
} // namespace ExitStatus
