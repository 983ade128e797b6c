// SPDX-License-Identifier: MIT
// line-wardend: Line Warden without a window, linking no window code, so that
// a service's idle memory is the core's. line-warden --headless becomes it.
#include "Headless.h"
#include "monitor/CommandLine.h"
#include "reachability/modPing.h"
#include "text/ExitStatus.h"

int main(int argc, char* argv[]) {
    if (!modPing::KeepRawSocketThenDropPrivileges())
        return ExitStatus::Failed;
    const CommandLine line = CommandLine::parse(argc, argv, CommandLine::Program::Headless);
    if (line.exitStatus)
        return line.End();
    return Headless::Run(line, argc, argv);
}
