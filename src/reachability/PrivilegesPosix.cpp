// SPDX-License-Identifier: MIT
#include "Privileges.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#ifdef __linux__
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#endif

namespace {

bool failed(const char* what) {
    std::fprintf(stderr, "line-warden: cannot give up %s: %s\n", what, std::strerror(errno));
    return false;
}

} // namespace

bool DropPrivileges() {
    const uid_t user = ::getuid();
    const gid_t group = ::getgid();
    if (user == 0)
        return true;
    // The group first: without the user identity it may no longer be changed.
    if (::getegid() != group && ::setresgid(group, group, group) != 0)
        return failed("its set-group-ID identity");
    if (::geteuid() != user && ::setresuid(user, user, user) != 0)
        return failed("its set-user-ID identity");
#ifdef __linux__
    // None may come back through a program started later, either.
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    for (unsigned long cap = 0; ::prctl(PR_CAPBSET_READ, cap, 0, 0, 0) >= 0; ++cap)
        ::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0); // refused without CAP_SETPCAP: the set then stays
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct held[_LINUX_CAPABILITY_U32S_3] = {};
    ::syscall(SYS_capget, &header, held);
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capset, &header, none) != 0)
        return failed("its capabilities");
    // A debugger of the user's could otherwise take over the raw socket the
    // process keeps. A file capability made it undumpable already; an ambient
    // one, as a service is given, does not.
    if ((held[0].permitted | held[1].permitted) != 0)
        ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
    return true;
}
