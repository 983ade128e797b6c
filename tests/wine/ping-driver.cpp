// SPDX-License-Identifier: MIT
// Runs the Windows probe from a console: for each address, one Ping (answered
// and round-trip time) and one SendEcho (status and how long it took).
#include "modPing.h"

#include <chrono>
#include <cstdio>
#include <winsock2.h>

int main(int argc, char* argv[]) {
    WSADATA data;
    if (WSAStartup(0x0101, &data) != 0)
        return 2;
    for (int i = 1; i < argc; ++i) {
        std::int32_t roundTrip = -1;
        const bool answered = modPing::Ping(argv[i], roundTrip);
        modPing::EchoReply reply;
        const auto start = std::chrono::steady_clock::now();
        const std::int32_t status = modPing::SendEcho(argv[i], modPing::Payload, reply);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s answered=%d rtt=%d status=%d ms=%lld\n", argv[i], answered ? 1 : 0, int(roundTrip), int(status),
                    static_cast<long long>(ms));
    }
    WSACleanup();
    return 0;
}
