// SPDX-License-Identifier: MIT
// No Qt here, as in the ICMP probe's Windows file.
#include "HalfClose.h"

#include <windows.h>
#include <winsock2.h>

namespace HalfClose {

namespace {

std::string describe(int error) {
    char text[256] = {};
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, DWORD(error), 0, text,
                       sizeof text, nullptr) == 0)
        return "Windows sockets error " + std::to_string(error);
    std::string described = text;
    while (!described.empty() && (described.back() == '\n' || described.back() == '\r' || described.back() == '.'))
        described.pop_back();
    return described;
}

} // namespace

// A duplicate keeps the connection open after its owner closes the original.
std::intptr_t EndSending(std::intptr_t descriptor, std::string& why) {
    WSAPROTOCOL_INFOW info;
    if (WSADuplicateSocketW(SOCKET(descriptor), GetCurrentProcessId(), &info) != 0) {
        why = describe(WSAGetLastError());
        return -1;
    }
    const SOCKET own = WSASocketW(FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, &info, 0, 0);
    u_long nonBlocking = 1;
    if (own == INVALID_SOCKET || ioctlsocket(own, FIONBIO, &nonBlocking) != 0 || shutdown(own, SD_SEND) != 0) {
        why = describe(WSAGetLastError());
        if (own != INVALID_SOCKET)
            closesocket(own);
        return -1;
    }
    return std::intptr_t(own);
}

PeerEnd ReadPeerEnd(std::intptr_t descriptor, std::string& why) {
    char drop[4096];
    for (int reads = 0; reads < 64; ++reads) {
        const int got = recv(SOCKET(descriptor), drop, int(sizeof drop), 0);
        if (got == 0)
            return PeerEnd::Orderly;
        if (got == SOCKET_ERROR) {
            const int error = WSAGetLastError();
            if (error == WSAEWOULDBLOCK || error == WSAEINTR)
                return PeerEnd::NotYet;
            why = describe(error);
            return PeerEnd::Reset;
        }
    }
    return PeerEnd::NotYet;
}

void Release(std::intptr_t descriptor) {
    closesocket(SOCKET(descriptor));
}

} // namespace HalfClose
