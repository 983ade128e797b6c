// SPDX-License-Identifier: MIT
// The ICMP probe: the address parser against the system's inet_aton, and the
// kernel's own ICMP in a network namespace of the test's own, with forged replies.
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTest>

#include "FileBytes.h"
#include "Peers.h"
#include "reachability/modPingPosix.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// This thread in a fresh network namespace (loopback up, pings allowed for
// every group) until the end of the scope; threads started meanwhile inherit it.
class OwnNetwork {
public:
    OwnNetwork() : m_home(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
        if (m_home < 0 || ::unshare(CLONE_NEWNET) != 0)
            return;
        m_entered = true;
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq loopback{};
        std::strcpy(loopback.ifr_name, "lo");
        m_ready = ::ioctl(fd, SIOCGIFFLAGS, &loopback) == 0 && (loopback.ifr_flags |= IFF_UP) &&
                  ::ioctl(fd, SIOCSIFFLAGS, &loopback) == 0 &&
                  writeFile(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"), "0 2147483647");
        ::close(fd);
    }
    ~OwnNetwork() {
        if (m_entered)
            ::setns(m_home, CLONE_NEWNET);
        if (m_home >= 0)
            ::close(m_home);
    }
    bool ready() const { return m_ready; }

private:
    int m_home;
    bool m_entered = false;
    bool m_ready = false;
};

// A hostile peer in the namespace: it answers the probe's echo request every
// 10 ms with a forged reply from `from`, carrying the request's identifier or
// another one. One raw socket watches, one bound to `from` sends (bound, it
// would see only what is sent to `from`): root only.
struct ForgingPeer {
    const int watch = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    const int send = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    std::atomic<bool> running = true;
    std::atomic<int> forged = 0;
    std::thread thread;

    ForgingPeer(const QByteArray& from, bool otherIdentifier) {
        sockaddr_in source{AF_INET, 0, {::inet_addr(from.constData())}, {}};
        if (::bind(send, reinterpret_cast<const sockaddr*>(&source), sizeof source) == 0)
            thread = std::thread([this, otherIdentifier] { run(otherIdentifier); });
    }
    ~ForgingPeer() {
        stop();
        ::close(watch);
        ::close(send);
    }
    // How many replies it forged.
    int stop() {
        running = false;
        if (thread.joinable())
            thread.join();
        return forged;
    }
    void run(bool otherIdentifier) {
        unsigned char packet[1500];
        std::vector<unsigned char> reply;
        sockaddr_in to{AF_INET, 0, {}, {}};
        for (int round = 0; round < 200 && running; ++round) { // four seconds at most
            pollfd wait{watch, POLLIN, 0};
            while (::poll(&wait, 1, reply.empty() ? 10 : 0) > 0) {
                const ssize_t got = ::recv(watch, packet, sizeof packet, 0);
                const std::size_t ip = std::size_t(packet[0] & 0x0f) * 4;
                if (got < ssize_t(ip + 12) || packet[ip] != 8 || std::memcmp(packet + ip + 8, "Test", 4))
                    continue;
                reply.assign(packet + ip, packet + got); // the request, turned into a reply to its sender
                reply[0] = reply[2] = reply[3] = 0;
                reply[4] ^= otherIdentifier ? 0x55 : 0;
                const std::uint16_t sum = modPing::Checksum(reply.data(), reply.size());
                reply[2] = sum >> 8;
                reply[3] = sum & 0xff;
                std::memcpy(&to.sin_addr, packet + 12, 4);
            }
            if (!reply.empty() &&
                ::sendto(send, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) > 0)
                ++forged;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
};

} // namespace

// The row whose probes use a raw socket opened before them, not by them.
constexpr int KeptRaw = -1;

class TestPing : public QObject {
    Q_OBJECT

private slots:
    void parseAddress_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<quint32>("address"); // host byte order
        const quint32 loopback = 0x7f000001;
        QTest::newRow("dotted") << QByteArray("127.0.0.1") << true << loopback;
        QTest::newRow("three parts") << QByteArray("127.0.1") << true << loopback;
        QTest::newRow("two parts") << QByteArray("127.1") << true << loopback;
        QTest::newRow("one part") << QByteArray("2130706433") << true << loopback;
        QTest::newRow("octal") << QByteArray("0177.0.0.01") << true << loopback;
        QTest::newRow("hex") << QByteArray("0x7F.0x0.0X0.0x1") << true << loopback;
        QTest::newRow("hex whole") << QByteArray("0x7f000001") << true << loopback;
        QTest::newRow("ends at a blank") << QByteArray("127.0.0.1 router") << true << loopback;
        QTest::newRow("zero") << QByteArray("0") << true << 0u;
        QTest::newRow("16-bit last") << QByteArray("1.2.65535") << true << 0x0102ffffu;
        QTest::newRow("one below all-ones") << QByteArray("255.255.255.254") << true << 0xfffffffeu;
        QTest::newRow("all-ones") << QByteArray("255.255.255.255") << false << 0u;
        QTest::newRow("all-ones whole") << QByteArray("4294967295") << false << 0u;
        QTest::newRow("beyond 32 bits") << QByteArray("4294967296") << false << 0u;
        QTest::newRow("16-bit last too big") << QByteArray("1.2.65536") << false << 0u;
        QTest::newRow("part too big") << QByteArray("256.0.0.1") << false << 0u;
        QTest::newRow("five parts") << QByteArray("1.2.3.4.5") << false << 0u;
        QTest::newRow("empty part") << QByteArray("1..2") << false << 0u;
        QTest::newRow("leading blank") << QByteArray(" 1.2.3.4") << false << 0u;
        QTest::newRow("octal 8") << QByteArray("08") << false << 0u;
        QTest::newRow("bare 0x") << QByteArray("0x") << false << 0u;
        QTest::newRow("trailing letter") << QByteArray("1.2.3.4x") << false << 0u;
        QTest::newRow("host name") << QByteArray("localhost") << false << 0u;
    }

    void parseAddress() {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QFETCH(quint32, address);
        const auto parsed = modPing::ParseAddress(text.toStdString());
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(ntohl(*parsed), address);
        // The system's parser agrees, except that it takes all-ones for an address.
        in_addr system{};
        const bool systemValid = ::inet_aton(text.constData(), &system) != 0 && system.s_addr != INADDR_NONE;
        QCOMPARE(systemValid, valid);
        if (valid)
            QCOMPARE(system.s_addr, *parsed);
    }

    // A text the address parser refuses opens no socket.
    void notAnAddressSendsNothing() {
        int opened = 0;
        modPing::EchoReply reply;
        QCOMPARE(modPing::SendEcho("255.255.255.255", modPing::Payload, reply, [&](int) { return ++opened, -1; }),
                 modPing::NotAnAddress);
        QCOMPARE(opened, 0);
    }

    void refusedSocketIsExplained() {
        const modPing::SocketOpener refused = [](int) { return errno = EPERM, -1; };
        modPing::EchoReply reply;
        QCOMPARE(modPing::SendEcho("127.0.0.1", modPing::Payload, reply, refused), modPing::GeneralFailure);
        const QString problem = QString::fromStdString(modPing::PermissionProblem(refused));
        QVERIFY2(problem.contains("setcap cap_net_raw+ep /") && problem.contains("net.ipv4.ping_group_range"),
                 qPrintable(problem));
    }

    // The kernel's echo answers; then, with echoes ignored, a peer answers each
    // request with forged replies every 10 ms: none counts, and the probe still
    // gives up 500 ms after it sent, however many arrive meanwhile.
    void echoInOwnNamespace_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("forgedFrom");
        QTest::addColumn<bool>("otherIdentifier");
        QTest::newRow("datagram socket, replies from another sender")
            << int(SOCK_DGRAM) << QByteArray("127.0.0.9") << false;
        QTest::newRow("raw socket, replies from another sender") << int(SOCK_RAW) << QByteArray("127.0.0.9") << false;
        QTest::newRow("raw socket, replies with another identifier")
            << int(SOCK_RAW) << QByteArray("127.0.0.1") << true;
        // As the program runs once it has given up the right to open one: the same socket for every probe.
        QTest::newRow("raw socket kept since start, replies from another sender")
            << KeptRaw << QByteArray("127.0.0.9") << false;
    }

    void echoInOwnNamespace() {
        QFETCH(int, type);
        QFETCH(QByteArray, forgedFrom);
        QFETCH(bool, otherIdentifier);
        const OwnNetwork network;
        LW_REQUIRE_PEER(network.ready(), "a network namespace of its own (needs root)");
        std::vector<int> opened;
        const modPing::SocketOpener only = [&](int asked) {
            const int fd = asked == type ? modPing::OpenIcmpSocket(asked) : (errno = EACCES, -1);
            opened.push_back(asked);
            return fd;
        };
        const int kept = type == KeptRaw ? modPing::OpenIcmpSocket(SOCK_RAW) : -1;
        const auto closeKept = qScopeGuard([kept] { ::close(kept); });

        modPing::EchoReply reply;
        QCOMPARE(modPing::SendEcho("127.0.0.1", modPing::Payload, reply, only, kept), modPing::Answered);
        QCOMPARE(opened.back(), kept >= 0 ? int(SOCK_DGRAM) : type);
        QVERIFY(reply.RoundTripTime < quint32(modPing::TimeoutMs));

        QVERIFY(writeFile(QStringLiteral("/proc/sys/net/ipv4/icmp_echo_ignore_all"), "1"));
        ForgingPeer forger(forgedFrom, otherIdentifier);
        QVERIFY(forger.thread.joinable());
        QElapsedTimer timer;
        timer.start();
        const std::int32_t status = modPing::SendEcho("127.0.0.1", modPing::Payload, reply, only, kept);
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(status, modPing::TimedOut);
        QVERIFY2(elapsed >= 450 && elapsed <= 550, qPrintable(QString::number(elapsed)));
        QVERIFY2(forger.stop() > 5, "too few forged replies to prove anything");
    }
};

QTEST_GUILESS_MAIN(TestPing)
#include "tst_ping.moc"
