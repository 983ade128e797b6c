// SPDX-License-Identifier: MIT
// The probe on Windows: the system's ICMP helper, with the sockets library
// started before each probe and shut down after it. No Qt here, so that the
// file builds and runs on its own (it is cross-compiled and run under wine in CI).
#include "modPing.h"

// The system headers must come in this order.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on

#include <cstring>
#include <vector>

namespace modPing {

namespace {

constexpr char AppTitle[] = "Line Warden";
constexpr char StartupWarning[] = "Windows Sockets for 32 bit Windows environments is not successfully responding.";
constexpr char CleanupWarning[] = "Windows Sockets error occurred in Cleanup.";
constexpr WORD SocketsVersion = 0x0101;
// Room after the record and the echoed data for an ICMP error message.
constexpr std::size_t ErrorRoom = 8;

void warn(const char* text) {
    MessageBoxA(nullptr, text, AppTitle, MB_OK | MB_ICONEXCLAMATION);
}

bool SocketsInitialize() {
    WSADATA data;
    return WSAStartup(SocketsVersion, &data) == 0;
}

void SocketsCleanup() {
    if (WSACleanup() != 0)
        warn(CleanupWarning);
}

} // namespace

std::int32_t SendEcho(const std::string& address, const std::string& payload, EchoReply& reply) {
    const unsigned long target = inet_addr(address.c_str());
    if (target == INADDR_NONE)
        return NotAnAddress;
    const HANDLE icmp = IcmpCreateFile();
    if (icmp == INVALID_HANDLE_VALUE)
        return reply.Status = GeneralFailure;

    std::vector<unsigned char> buffer(sizeof(ICMP_ECHO_REPLY) + payload.size() + ErrorRoom);
    const DWORD replies =
        IcmpSendEcho(icmp, target, const_cast<char*>(payload.data()), static_cast<WORD>(payload.size()), nullptr,
                     buffer.data(), static_cast<DWORD>(buffer.size()), TimeoutMs);
    ICMP_ECHO_REPLY record;
    std::memcpy(&record, buffer.data(), sizeof record);
    reply.Status = static_cast<std::int32_t>(record.Status);
    reply.RoundTripTime = record.RoundTripTime;
    // No reply and no status written: the zero-filled record must not read as answered.
    if (replies == 0 && reply.Status == Answered) {
        const DWORD error = GetLastError();
        reply.Status = error != 0 ? static_cast<std::int32_t>(error) : GeneralFailure;
    }
    IcmpCloseHandle(icmp);
    return reply.Status;
}

bool Ping(const std::string& address, std::int32_t& roundTrip) {
    if (!SocketsInitialize()) {
        warn(StartupWarning);
        return false;
    }
    EchoReply reply;
    const std::int32_t status = SendEcho(address, Payload, reply);
    roundTrip = static_cast<std::int32_t>(reply.RoundTripTime);
    SocketsCleanup();
    return status == Answered;
}

std::string PermissionProblem() {
    return {};
}

// The ICMP helper needs no privilege, and the program is granted none.
bool KeepRawSocketThenDropPrivileges() {
    return true;
}

} // namespace modPing
