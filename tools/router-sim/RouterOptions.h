// SPDX-License-Identifier: MIT
// Command line of router-sim.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct RouterOptions {
    quint16 port = 2323;
    QByteArray user = "root";
    QByteArray password = "Mango";
    // The router model played: its statistics command is answered with the
    // statistics and the line that ends them.
    QByteArray statsCommand;
    QByteArray endLine;       // with its CR LF
    QByteArray stats;         // as the terminal shows it: CR LF line ends, tabs expanded
    int loginDelayMs = 3000;  // pause before "Login incorrect"
    int greetingDelayMs = 20; // between the negotiation and the login prompt
    int chunk = 0;            // 0: replies are not cut into fixed pieces
    QList<int> splitAt;       // cut every reply at these offsets
    int splitEcho = -1;       // cut every echoed line after this many characters
    int pieceDelayMs = 0;     // pause between two pieces
    bool closeMidAnswer = false;
    bool endless = false; // the statistics again and again, never their end
    bool silent = false;
    QString help; // set when --help was asked for: nothing else is read

    // Reads the arguments; on failure returns false and sets error.
    bool parse(const QStringList& arguments, QString& error);
};

// A terminal's view of a file: LF or CR LF line ends become CR LF, tabs go to
// the next multiple of eight columns, and the text ends with a line end.
QByteArray asTerminalText(const QByteArray& text);
