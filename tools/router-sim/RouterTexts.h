// SPDX-License-Identifier: MIT
// What the router says, byte for byte as its telnetd, login and ash send it.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace RouterTexts {

// IAC DO ECHO, IAC DO NAWS, IAC WILL ECHO, IAC WILL SGA; answers are ignored.
inline const QByteArray Negotiation = QByteArray::fromHex("fffd01fffd1ffffb01fffb03");
inline const QByteArray LoginPrompt = "\r\r\nrouter login: ";
inline const QByteArray PasswordPrompt = "Password: ";
inline const QByteArray LoginIncorrect = "Login incorrect\r\nrouter login: ";
inline const QByteArray Banner =
    "\r\n\r\nbuilt-in shell (ash)\r\nEnter 'help' for a list of built-in commands.\r\n\r\n";
// ash asks the terminal for the cursor position after every prompt.
inline const QByteArray ShellPrompt = "/var # \x1b[6n";
inline const QByteArray LineEnd = "\r\n";
inline const QByteArray CatCommand = "cat";
inline const QByteArray ExitCommand = "exit";

inline QByteArray catMissing(QByteArrayView name) {
    return "cat: " + name.toByteArray() + ": No such file or directory\r\n";
}

inline QByteArray notFound(QByteArrayView command) {
    return "-sh: " + command.toByteArray() + ": not found\r\n";
}

// The default model's statistics when no file is given: the modem driver's dump, tabs and all.
inline const QByteArray DefaultStats = "\n"
                                       "DSL Modem Statistics:\n"
                                       "---------------------\n"
                                       "\tUS Connection Rate:\t800\tDS Connection Rate:\t8000\n"
                                       "\tDS Line Attenuation:\t21.5\tDS Margin:\t12\n"
                                       "\tUS Line Attenuation:\t11\tUS Margin:\t15\n"
                                       "\tUS Payload :\t3172224\tDS Payload:\t46719936\n"
                                       "\tUS Superframe Cnt :\t4489203\tDS Superframe Cnt:\t4489195\n"
                                       "\tUS PCB:\t0\tDS PCB:\t0\n"
                                       "\tUS Transmit Power :\t12\tDS Transmit Power:\t19\n"
                                       "\tLOS errors:\t0\tSEF errors:\t0\n"
                                       "\tErrored Seconds:\t3\tSeverely Err Secs:\t0\n"
                                       "\tFrame mode:\t3\tMax Frame mode:\t3\n"
                                       "\tTrained Path:\t1\tUS Peak Cell Rate:\t1886\n"
                                       "\tTrellis:\t1\tBit Swap:\t1\n"
                                       "\n"
                                       "\t[Downstream (RX) Interleave path]\n"
                                       "\tCRC: \t12\tFEC: \t847\tNCD: \t0\n"
                                       "\tLCD: \t0\tHEC: \t5\n";

} // namespace RouterTexts
