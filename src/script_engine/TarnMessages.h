// SPDX-License-Identifier: MIT
// The control's log lines, word for word.
#pragma once

#include <QString>

namespace TarnMessages {
inline const QString RunningScript = QStringLiteral("Running script");
inline const QString OpeningConnection = QStringLiteral("Opening connection");
inline const QString CannotSend = QStringLiteral("Cannot SEND - connection is closed.");
inline const QString CannotWait = QStringLiteral("Cannot WAIT - connection is closed.");
inline const QString DelayFor = QStringLiteral("Delay for %1 second(s)");
inline const QString Unrecognised = QStringLiteral("Unrecognised command on line %1");
inline const QString EndOfScript = QStringLiteral("End of script");
inline const QString ErrorNumber = QStringLiteral("Error %1");
inline const QString SocketState = QStringLiteral("Socket state: %1");
inline const QString MainSocketError = QStringLiteral("Winsock Control Error - %1 : %2");
inline const QString LoginIncorrect = QStringLiteral("Incorrect username and/or password.");
inline const QString ClosedConnection = QStringLiteral("Closed connection.");
inline const QString SentPrefix = QStringLiteral(">");
inline const QString TooLongAnswer =
    QStringLiteral("Answer too long: %1 bytes received, more than the %2 a run may keep.");
// FTP data channel
inline const QString ConnectingTo = QStringLiteral("Connecting to %1:%2");
inline const QString DataConnectionStarted = QStringLiteral("Winsock data connection started. Going to next line.");
inline const QString SendingFile = QStringLiteral("Sending file: %1");
inline const QString FileSent = QStringLiteral("File sent via FTP.");
inline const QString DataSocketError = QStringLiteral("Winsock Data Error - %1 : %2");
inline const QString NoFtpAccess = QStringLiteral("Unable to access the router via FTP.");
inline const QString AbortingScript = QStringLiteral("Aborting script");
inline const QString InvalidPassiveReply = QStringLiteral("Invalid passive-mode reply: %1");
inline const QString PassiveAddressIgnored =
    QStringLiteral("The passive-mode reply names %1, not the server at %2: the data connection goes to the server.");
inline const QString UploadCutShort =
    QStringLiteral("The server closed the data connection before the whole file was sent.");
} // namespace TarnMessages

// What the server says that the control listens for.
namespace TarnReplies {
inline const QString LoginIncorrect = QStringLiteral("Login incorrect");
inline const QString PassiveMode = QStringLiteral("227");
} // namespace TarnReplies
