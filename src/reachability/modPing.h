// SPDX-License-Identifier: MIT
// modPing: one ICMP echo to an IPv4 address given as text. Plain C++ so that
// the Windows file, which has no Qt in it, shares these declarations; the
// texts are 8-bit (the system's local encoding), converted by the caller.
#pragma once

#include <cstdint>
#include <string>

namespace modPing {

// Echo statuses: 0 answered, -1 not an IPv4 address (nothing sent). Other
// values are the platform's; the POSIX probe uses the same two as Windows.
inline constexpr std::int32_t Answered = 0;
inline constexpr std::int32_t NotAnAddress = -1;
inline constexpr std::int32_t TimedOut = 11010;       // no reply before the deadline
inline constexpr std::int32_t GeneralFailure = 11050; // no ICMP socket or handle, or the send failed

inline constexpr char Payload[] = "Test";
inline constexpr int TimeoutMs = 500;

// The two fields of the platform's reply record that the probe reads.
struct EchoReply {
    std::int32_t Status = 0;
    std::uint32_t RoundTripTime = 0; // milliseconds
};

// One echo request with the payload, waiting at most TimeoutMs; the status.
std::int32_t SendEcho(const std::string& address, const std::string& payload, EchoReply& reply);

// The whole probe: answered exactly when the status is 0; roundTrip from the
// reply (left untouched where the sockets library does not start).
bool Ping(const std::string& address, std::int32_t& roundTrip);

// Empty when this process may send echoes; otherwise why not and how to allow it.
std::string PermissionProblem();

// First thing in main(), before any code that the environment can choose is
// loaded (Qt's plugins, styles, input methods): where a raw socket is the only
// way to ping, opens it while the process may, keeps it for every probe of the
// run, then gives up every privilege the process was granted beyond its user's
// own. False, having said why on stderr, when one could not be given up.
bool KeepRawSocketThenDropPrivileges();

} // namespace modPing
