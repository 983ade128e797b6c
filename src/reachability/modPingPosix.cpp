// SPDX-License-Identifier: MIT
// The probe on Linux and other POSIX systems: an ICMP datagram socket where
// the system lets unprivileged users ping (net.ipv4.ping_group_range), a raw
// socket otherwise: the one opened at start while the program had the right
// to, or one per probe for a process that keeps that right (root). No sockets
// library needs starting here.
#include "modPingPosix.h"

#include "Privileges.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/icmp.h>
#endif

namespace modPing {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t EchoRequest = 8;
constexpr std::uint8_t EchoReplyType = 0;
constexpr std::size_t IcmpHeaderSize = 8;
constexpr std::size_t ReceiveSize = 1500;
// More than a socket's receive buffer holds.
constexpr int MaxStale = 10000;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int digitValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// One part of the dotted text, starting with a digit; advances pos past it.
std::optional<std::uint64_t> readPart(std::string_view text, std::size_t& pos) {
    if (pos >= text.size() || !isDigit(text[pos]))
        return std::nullopt;
    int base = 10;
    if (text[pos] == '0') {
        base = 8;
        ++pos;
        if (pos + 1 < text.size() && (text[pos] == 'x' || text[pos] == 'X') && digitValue(text[pos + 1]) < 16) {
            base = 16;
            ++pos;
        }
    }
    std::uint64_t value = 0;
    for (; pos < text.size() && digitValue(text[pos]) < base; ++pos) {
        value = value * base + digitValue(text[pos]);
        if (value > UINT32_MAX)
            return std::nullopt;
    }
    return value;
}

void put16(unsigned char* at, std::uint16_t value) {
    at[0] = value >> 8;
    at[1] = value & 0xff;
}

std::uint16_t get16(const unsigned char* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

// The raw socket taken at start, while the process still had the right to,
// kept for every probe of the run; -1 when there is none.
int keptRawSocket = -1;

class IcmpSocket {
public:
    // A datagram socket first; when the system refuses it, the raw socket kept
    // since start, or else a new raw one.
    IcmpSocket(const SocketOpener& open, int keptRaw) {
        m_fd = open(SOCK_DGRAM);
        if (m_fd >= 0)
            return;
        m_raw = true;
        if (keptRaw < 0) {
            m_fd = open(SOCK_RAW);
            return;
        }
        m_fd = keptRaw;
        m_kept = true;
        // Between probes it queues the replies other programs' pings receive: stale, and in the way.
        char scrap;
        for (int i = 0; i < MaxStale && ::recv(m_fd, &scrap, 1, MSG_DONTWAIT) >= 0; ++i) {
        }
    }
    IcmpSocket(const IcmpSocket&) = delete;
    IcmpSocket& operator=(const IcmpSocket&) = delete;
    ~IcmpSocket() {
        if (m_fd >= 0 && !m_kept)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // A raw socket receives the IP header too, and every ICMP message for this host.
    bool raw() const { return m_raw; }

private:
    int m_fd = -1;
    bool m_raw = false;
    bool m_kept = false;
};

// The identifier that replies to this socket carry. A datagram socket's is its
// local port, set by the kernel at the first send.
std::uint16_t replyIdentifier(const IcmpSocket& socket, std::uint16_t sent) {
    if (socket.raw())
        return sent;
    sockaddr_in local{};
    socklen_t size = sizeof local;
    if (::getsockname(socket.fd(), reinterpret_cast<sockaddr*>(&local), &size) != 0)
        return sent;
    return ntohs(local.sin_port);
}

// Waits for the echo reply that matches identifier and sequence, until the deadline.
bool awaitReply(const IcmpSocket& socket, std::uint32_t target, std::uint16_t identifier, std::uint16_t sequence,
                Clock::time_point deadline) {
    unsigned char packet[ReceiveSize];
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd wait{socket.fd(), POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t got =
            ::recvfrom(socket.fd(), packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (got <= 0 || from.sin_addr.s_addr != target)
            continue;
        std::size_t offset = 0;
        if (socket.raw())
            offset = static_cast<std::size_t>(packet[0] & 0x0f) * 4;
        if (static_cast<std::size_t>(got) < offset + IcmpHeaderSize)
            continue;
        const unsigned char* icmp = packet + offset;
        // On 127.0.0.1 a raw socket also sees its own request go by: only a reply counts.
        if (icmp[0] == EchoReplyType && get16(icmp + 4) == identifier && get16(icmp + 6) == sequence)
            return true;
    }
}

} // namespace

std::uint16_t Checksum(const unsigned char* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += (data[i] << 8) | data[i + 1];
    if (size % 2)
        sum += data[size - 1] << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::optional<std::uint32_t> ParseAddress(std::string_view text) {
    static constexpr std::uint64_t lastPartLimit[] = {0xffffffff, 0xffffff, 0xffff, 0xff};
    std::uint32_t leading = 0;
    std::size_t parts = 0;
    std::size_t pos = 0;
    for (;;) {
        const auto part = readPart(text, pos);
        if (!part)
            return std::nullopt;
        if (pos < text.size() && text[pos] == '.') {
            if (parts == 3 || *part > 0xff)
                return std::nullopt;
            leading |= static_cast<std::uint32_t>(*part) << (24 - 8 * parts++);
            ++pos;
            continue;
        }
        if (pos < text.size() && !isBlank(text[pos]))
            return std::nullopt;
        if (*part > lastPartLimit[parts])
            return std::nullopt;
        const std::uint32_t address = leading | static_cast<std::uint32_t>(*part);
        // The all-ones value is how the classic parser says "not an address".
        if (address == UINT32_MAX)
            return std::nullopt;
        return htonl(address);
    }
}

int OpenIcmpSocket(int type) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
#ifdef __linux__
    // A raw socket gets a copy of every ICMP message for this host: only echo replies are let through.
    const icmp_filter onlyReplies{~(1U << EchoReplyType)};
    if (fd >= 0 && type == SOCK_RAW)
        ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &onlyReplies, sizeof onlyReplies);
#endif
    return fd;
}

bool KeepRawSocketThenDropPrivileges() {
    // Where the system lets this user ping through a datagram socket, no raw socket is held at all.
    if (const int datagram = OpenIcmpSocket(SOCK_DGRAM); datagram >= 0)
        ::close(datagram);
    else
        keptRawSocket = OpenIcmpSocket(SOCK_RAW);
    return DropPrivileges();
}

std::int32_t SendEcho(const std::string& address, const std::string& payload, EchoReply& reply,
                      const SocketOpener& open, int keptRaw) {
    const auto target = ParseAddress(address);
    if (!target)
        return NotAnAddress;
    const IcmpSocket socket(open, keptRaw);
    if (!socket.isOpen())
        return reply.Status = GeneralFailure;

    static std::uint16_t lastSequence = 0;
    const std::uint16_t sequence = ++lastSequence;
    const auto identifier = static_cast<std::uint16_t>(::getpid());
    std::string request(IcmpHeaderSize, '\0');
    request += payload;
    auto* bytes = reinterpret_cast<unsigned char*>(request.data());
    bytes[0] = EchoRequest;
    put16(bytes + 4, identifier);
    put16(bytes + 6, sequence);
    put16(bytes + 2, Checksum(bytes, request.size()));

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = *target;
    const auto sent = Clock::now();
    // The time-out runs from here: packets that are not the reply do not extend it.
    const auto deadline = sent + std::chrono::milliseconds(TimeoutMs);
    if (::sendto(socket.fd(), request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0)
        return reply.Status = GeneralFailure;
    if (!awaitReply(socket, *target, replyIdentifier(socket, identifier), sequence, deadline))
        return reply.Status = TimedOut;
    reply.RoundTripTime =
        static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count());
    return reply.Status = Answered;
}

std::int32_t SendEcho(const std::string& address, const std::string& payload, EchoReply& reply) {
    return SendEcho(address, payload, reply, OpenIcmpSocket, keptRawSocket);
}

bool Ping(const std::string& address, std::int32_t& roundTrip) {
    EchoReply reply;
    const std::int32_t status = SendEcho(address, Payload, reply);
    roundTrip = static_cast<std::int32_t>(reply.RoundTripTime);
    return status == Answered;
}

std::string PermissionProblem(const SocketOpener& open, int keptRaw) {
    const IcmpSocket socket(open, keptRaw);
    if (socket.isOpen())
        return {};
    const std::string why = std::strerror(errno);
    char program[PATH_MAX] = {};
    if (::readlink("/proc/self/exe", program, sizeof program - 1) <= 0)
        std::strcpy(program, "line-warden");
    return "Line Warden cannot send pings: the system refused it an ICMP socket (" + why +
           "), so every address shows DOWN.\n\n"
           "To allow it, let all users send ping sockets (the safer way):\n"
           "    sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"\n"
           "or give the program the right to open a raw socket:\n"
           "    sudo setcap cap_net_raw+ep " +
           program;
}

std::string PermissionProblem() {
    return PermissionProblem(OpenIcmpSocket, keptRawSocket);
}

} // namespace modPing
