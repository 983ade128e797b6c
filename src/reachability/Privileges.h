// SPDX-License-Identifier: MIT
#pragma once

// Gives up what the process was granted beyond its user's own rights: a
// set-user-ID or set-group-ID identity, and on Linux every capability
// (effective, permitted, inheritable, ambient, and the bounding set where the
// process may change it), so that nothing it runs or loads later has them.
// A process of root itself keeps root's rights: root chose its own
// environment, and without them it could no longer read the files of the user
// it runs for (sudo in a user's folder). False, said on stderr, on failure.
bool DropPrivileges();
