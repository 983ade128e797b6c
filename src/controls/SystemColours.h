// SPDX-License-Identifier: MIT
// The system colours the controls are drawn in, as palette roles, so that
// every control reads them the same way.
#pragma once

#include <QPalette>

namespace SystemColours {

// "The system window colour": the background of text boxes and lists (white in
// the standard scheme), not the grey of forms and dialogs.
inline constexpr QPalette::ColorRole Window = QPalette::Base;
// The text written on it.
inline constexpr QPalette::ColorRole WindowText = QPalette::Text;

} // namespace SystemColours
