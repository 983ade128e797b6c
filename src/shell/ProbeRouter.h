// SPDX-License-Identifier: MIT
// line-warden --probe-router, without a display: the router of the folder's
// settings.ini, tried with each built-in router model (see RouterProbe).
#pragma once

#include <QString>

// Runs its own event loop; the exit status.
int ProbeRouter(int& argc, char* argv[], const QString& givenFolder);
