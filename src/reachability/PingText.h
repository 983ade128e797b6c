// SPDX-License-Identifier: MIT
// The ping monitor's own texts and colours.
#pragma once

#include <QString>

namespace PingText {

// The toggle's captions: the button's with its access key, the tray menu item's without.
inline const QString StartPinging = QStringLiteral("&Start Pinging");
inline const QString StopPinging = QStringLiteral("&Stop Pinging");
inline const QString MenuStartPinging = QStringLiteral("Start Pinging");
inline const QString MenuStopPinging = QStringLiteral("Stop Pinging");

inline const QString LabelUp = QStringLiteral("UP");
inline const QString LabelDown = QStringLiteral("DOWN");
inline const QString TipUp = QStringLiteral(" - UP");
inline const QString TipDown = QStringLiteral(" - DOWN");

// Filled with PingMonitor's lowest and highest interval.
inline const QString IntervalOutOfRange =
    QStringLiteral("The ping interval must be a number of seconds from %1 to %2: the countdown to the next "
                   "ping cannot show more.");

} // namespace PingText

// Colours as 0x00BBGGRR.
namespace PingColour {
inline constexpr quint32 Green = 0x0000FF00;
inline constexpr quint32 Red = 0x000000FF;
} // namespace PingColour
