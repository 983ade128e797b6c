// SPDX-License-Identifier: MIT
// The statistics script a collection runs, built from the router model: log in,
// send the statistics command, wait for the end of its output.
#pragma once

#include "RouterModel.h"

#include <QString>
#include <QStringList>

namespace StatsScript {

// "HOST ssh:ADDRESS [PORT]": the login is SSH's, before the script's first line.
bool OverSsh(const QString& router);

// HOST with the router address (blanks around it and doubled between address
// and port dropped), then over telnet the waits for the model's user and
// password prompts each followed by its answer, then the wait for the shell
// prompt, the command and the wait for the output's end. With the default
// model over telnet, these are the eight lines the program has always sent.
QStringList Lines(const RouterModel& model, const QString& router, const QString& user, const QString& password);

} // namespace StatsScript
