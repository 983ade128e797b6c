// SPDX-License-Identifier: MIT
#include "HalfClose.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace HalfClose {

std::intptr_t EndSending(std::intptr_t descriptor, std::string& why) {
    const int own = ::fcntl(int(descriptor), F_DUPFD_CLOEXEC, 0);
    if (own < 0 || ::shutdown(own, SHUT_WR) != 0) {
        why = std::strerror(errno);
        if (own >= 0)
            ::close(own);
        return -1;
    }
    return own;
}

PeerEnd ReadPeerEnd(std::intptr_t descriptor, std::string& why) {
    char drop[4096];
    for (int reads = 0; reads < 64; ++reads) {
        const ssize_t got = ::recv(int(descriptor), drop, sizeof drop, MSG_DONTWAIT);
        if (got == 0)
            return PeerEnd::Orderly;
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                return PeerEnd::NotYet;
            why = std::strerror(errno);
            return PeerEnd::Reset;
        }
    }
    return PeerEnd::NotYet; // a chatty peer: the rest is read at the next notification
}

void Release(std::intptr_t descriptor) {
    ::close(int(descriptor));
}

} // namespace HalfClose
