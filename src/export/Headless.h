// SPDX-License-Identifier: MIT
// line-warden --headless: the core without a window, as a service runs it. It
// reads the settings once and never writes them, pings and collects from the
// start, serves the exports of [Export], tells standard error what the
// window would show, in the journal's form, and ends on SIGTERM or SIGINT.
#pragma once

struct CommandLine;

namespace Headless {

// The whole run, in place of the window's; the program's exit status.
int Run(const CommandLine& line, int& argc, char* argv[]);

} // namespace Headless
