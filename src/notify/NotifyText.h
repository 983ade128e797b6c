// SPDX-License-Identifier: MIT
// The notification side's own texts: the [Notify] keys of settings.ini, the
// events' names and bodies, and the variables the user's command is given.
#pragma once

#include <QString>

namespace NotifyText {

inline const QString Section = QStringLiteral("Notify");
inline const QString DownKey = QStringLiteral("Down");
inline const QString UpKey = QStringLiteral("Up");
inline const QString ResyncKey = QStringLiteral("Resync");
inline const QString LowMarginKey = QStringLiteral("Low Margin");
inline const QString FailingKey = QStringLiteral("Failing");
inline const QString DownMarginBelowKey = QStringLiteral("Down Margin Below");
inline const QString UpMarginBelowKey = QStringLiteral("Up Margin Below");
inline const QString DownAfterProbesKey = QStringLiteral("Down After Probes");
inline const QString FailuresInARowKey = QStringLiteral("Failures In A Row");
inline const QString CommandKey = QStringLiteral("Command");
// One message for every bad value of a load: each is "key = value, using default".
inline const QString BadSettings = QStringLiteral("settings.ini [Notify]: %1");
inline const QString BadSetting = QStringLiteral("\"%1\" = \"%2\" is not valid, using %3");
inline const QString NoCommand = QStringLiteral("no command");

// The names scripts see in LW_EVENT.
inline const QString DownEvent = QStringLiteral("down");
inline const QString UpEvent = QStringLiteral("up");
inline const QString ResyncEvent = QStringLiteral("resync");
inline const QString LowMarginEvent = QStringLiteral("low-margin");
inline const QString FailingEvent = QStringLiteral("failing");

// Bodies of the desktop notifications.
inline const QString DownBody = QStringLiteral("The line is down since %1.");
inline const QString UpBody = QStringLiteral("The line is up again after %1 down.");
inline const QString ResyncBody = QStringLiteral("The line resynced: %1.");
inline const QString RateChange = QStringLiteral("%1 %2 → %3 kbit/s");
inline const QString LowMarginBody = QStringLiteral("Noise margin low: %1.");
inline const QString MarginLow = QStringLiteral("%1 %2 dB, below %3 dB");
inline const QString FailingBody = QStringLiteral("%1 collections failed in a row: %2.");
inline const QString Downstream = QStringLiteral("downstream");
inline const QString Upstream = QStringLiteral("upstream");
inline const QString PartSeparator = QStringLiteral("; ");
inline const QString TimeOfDay = QStringLiteral("HH:mm:ss");

// The program's three pictures by name: the window loads its icons by them,
// and shows a notification the desktop did not take with the picture it names.
inline const QString NormalIcon = QStringLiteral("normal");
inline const QString UpIcon = QStringLiteral("up");
inline const QString DownIcon = QStringLiteral("down");

// The freedesktop notification categories that fit each event.
inline const QString DisconnectedCategory = QStringLiteral("network.disconnected");
inline const QString ConnectedCategory = QStringLiteral("network.connected");
inline const QString NetworkCategory = QStringLiteral("network");
inline const QString ErrorCategory = QStringLiteral("network.error");

// The facts the user's command finds in its environment.
inline const QString EventVariable = QStringLiteral("LW_EVENT");
inline const QString TimeVariable = QStringLiteral("LW_TIME");
inline const QString StateVariable = QStringLiteral("LW_STATE");
inline const QString DownSecondsVariable = QStringLiteral("LW_DOWN_SECONDS");
inline const QString DsRateVariable = QStringLiteral("LW_DS_RATE");
inline const QString UsRateVariable = QStringLiteral("LW_US_RATE");
inline const QString DsMarginVariable = QStringLiteral("LW_DS_MARGIN");
inline const QString UsMarginVariable = QStringLiteral("LW_US_MARGIN");
inline const QString ReasonVariable = QStringLiteral("LW_REASON");

// What the log says when the user's command did not do its work.
inline const QString CommandNotStarted = QStringLiteral("Notify command %1 could not be started: %2");
inline const QString CommandFailed = QStringLiteral("Notify command %1 ended with status %2%3");
inline const QString CommandCrashed = QStringLiteral("Notify command %1 ended abnormally%2");
inline const QString CommandTimedOut = QStringLiteral("Notify command %1 was stopped after %2 s");
inline const QString CommandDropped =
    QStringLiteral("Notify command %1 is busy: the %2 event of %3 was not passed to it");

} // namespace NotifyText
