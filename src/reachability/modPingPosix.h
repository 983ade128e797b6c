// SPDX-License-Identifier: MIT
// The POSIX probe's parts that tests reach: the address parser and the
// socket opener behind SendEcho.
#pragma once

#include "modPing.h"

#include <functional>
#include <optional>
#include <string_view>

namespace modPing {

// The classic dotted notation: one to four parts, each decimal, octal (leading
// 0) or hexadecimal (leading 0x); the last part fills the remaining bytes; the
// text may end at a blank. Names are never resolved. Empty when the text is not
// an address, which includes 255.255.255.255. The address in network byte order.
std::optional<std::uint32_t> ParseAddress(std::string_view text);

// The ones' complement sum over an ICMP message, as its checksum field wants it.
std::uint16_t Checksum(const unsigned char* data, std::size_t size);

// Opens an ICMP socket of the given type (SOCK_DGRAM or SOCK_RAW); -1 and errno on failure.
using SocketOpener = std::function<int(int type)>;
int OpenIcmpSocket(int type);

// With the sockets that open gives, or keptRaw (not closed) where a raw socket is needed.
std::int32_t SendEcho(const std::string& address, const std::string& payload, EchoReply& reply,
                      const SocketOpener& open, int keptRaw = -1);
std::string PermissionProblem(const SocketOpener& open, int keptRaw = -1);

} // namespace modPing
