// SPDX-License-Identifier: MIT
// Ending only the sending side of a TCP connection, and learning how the peer
// then ends its side. Qt closes both sides at once and reads a reset as an
// orderly close, so neither can be told through it. Plain C++, one file per
// platform; texts are 8-bit, in the system's local encoding.
#pragma once

#include <cstdint>
#include <string>

namespace HalfClose {

// A descriptor of its own for the connection behind `descriptor` (which its
// owner may then close), non-blocking, with the sending side ended: the peer
// reads the end of the data. -1 when that fails; `why` then says why.
std::intptr_t EndSending(std::intptr_t descriptor, std::string& why);

enum class PeerEnd {
    NotYet,  // nothing, or only data, to read
    Orderly, // the peer closed after reading everything
    Reset,   // the peer reset the connection: it closed with data unread
};
// Reads whatever the peer sent (dropping it) and tells whether it has closed.
PeerEnd ReadPeerEnd(std::intptr_t descriptor, std::string& why);

void Release(std::intptr_t descriptor);

} // namespace HalfClose
