#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Runs a program under the seccomp filters systemd makes from a service unit's
# SystemCallFilter=, SystemCallErrorNumber=, RestrictAddressFamilies= and
# MemoryDenyWriteExecute=, so that a check without a running systemd meets the
# refusals the service would. Like systemd, one filter per setting: the kernel
# applies the strictest answer of them all.
#   unit-sandbox.py ALLOWED_CALLS_FILE ERRNO "AF_INET AF_INET6 ..." PROGRAM [ARG...]
import errno
import mmap
import os
import socket
import sys

import seccomp

AF_MAX = 46  # the kernel's count of address families
SHM_EXEC = 0o100000

allowed_file, error_name, families, *command = sys.argv[1:]

# SystemCallFilter=: what the unit allows; everything else fails with SystemCallErrorNumber=.
calls = seccomp.SyscallFilter(defaction=seccomp.ERRNO(getattr(errno, error_name)))
with open(allowed_file) as names:
    for name in names.read().split():
        try:
            calls.add_rule(seccomp.ALLOW, name)
        except (ValueError, RuntimeError, OSError):
            pass  # a call this architecture does not have

# RestrictAddressFamilies=: sockets of the families it names, no others.
sockets = seccomp.SyscallFilter(defaction=seccomp.ALLOW)
allowed = {int(getattr(socket, family)) for family in families.split()}
for family in range(AF_MAX):
    if family not in allowed:
        sockets.add_rule(seccomp.ERRNO(errno.EAFNOSUPPORT), "socket", seccomp.Arg(0, seccomp.EQ, family))
sockets.add_rule(seccomp.ERRNO(errno.EAFNOSUPPORT), "socket", seccomp.Arg(0, seccomp.GE, AF_MAX))

# MemoryDenyWriteExecute=: no memory both writable and executable, none made executable later.
memory = seccomp.SyscallFilter(defaction=seccomp.ALLOW)
both = mmap.PROT_WRITE | mmap.PROT_EXEC
memory.add_rule(seccomp.ERRNO(errno.EPERM), "mmap", seccomp.Arg(2, seccomp.MASKED_EQ, both, both))
for call in ("mprotect", "pkey_mprotect"):
    memory.add_rule(seccomp.ERRNO(errno.EPERM), call, seccomp.Arg(2, seccomp.MASKED_EQ, mmap.PROT_EXEC, mmap.PROT_EXEC))
memory.add_rule(seccomp.ERRNO(errno.EPERM), "shmat", seccomp.Arg(2, seccomp.MASKED_EQ, SHM_EXEC, SHM_EXEC))

# Each load sets no_new_privs first, as NoNewPrivileges=yes does.
for sandbox in (memory, sockets, calls):
    sandbox.load()
os.execv(command[0], command)
