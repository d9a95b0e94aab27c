#include "SntpResponder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace {

const uint64_t ntpEpochOffset = 2208988800ULL; // 1900-01-01 to 1970-01-01

void putTimestamp(unsigned char *p, uint64_t ntpSeconds, uint32_t fraction)
{
    const uint32_t s = htonl(static_cast<uint32_t>(ntpSeconds));
    const uint32_t f = htonl(fraction);
    std::memcpy(p, &s, 4);
    std::memcpy(p + 4, &f, 4);
}

} // namespace

SntpResponder::~SntpResponder()
{
    stop();
}

int SntpResponder::bind(int port)
{
    m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (m_fd < 0)
        return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0)
        return -1;
    socklen_t len = sizeof addr;
    ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&addr), &len);
    return ntohs(addr.sin_port);
}

void SntpResponder::start()
{
    m_thread = std::thread([this] { serve(); });
}

void SntpResponder::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void SntpResponder::serve()
{
    while (!m_stop) {
        pollfd pfd{m_fd, POLLIN, 0};
        if (::poll(&pfd, 1, 200) <= 0)
            continue;
        unsigned char in[512];
        sockaddr_in peer{};
        socklen_t peerLen = sizeof peer;
        const ssize_t n =
            ::recvfrom(m_fd, in, sizeof in, 0, reinterpret_cast<sockaddr *>(&peer), &peerLen);
        // Only client-mode requests of at least the basic header get an answer.
        if (n < 48 || (in[0] & 0x07) != 3)
            continue;

        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
        const uint64_t seconds =
            static_cast<uint64_t>(micros / 1000000 + m_offset) + ntpEpochOffset;
        const uint32_t fraction =
            static_cast<uint32_t>((static_cast<uint64_t>(micros % 1000000) << 32) / 1000000);

        unsigned char out[48] = {};
        const unsigned char version = (in[0] >> 3) & 0x07;
        out[0] = static_cast<unsigned char>((version << 3) |
                                            4);   // LI 0, the client's version, server mode
        out[1] = 1;                               // stratum 1: a primary reference
        out[2] = in[2];                           // poll interval as asked
        out[3] = static_cast<unsigned char>(-20); // precision about 1 µs
        std::memcpy(out + 12, "LOCL", 4);
        putTimestamp(out + 16, seconds, fraction); // reference
        std::memcpy(out + 24, in + 40, 8);         // originate = client's transmit
        putTimestamp(out + 32, seconds, fraction); // receive
        putTimestamp(out + 40, seconds, fraction); // transmit
        ::sendto(m_fd, out, sizeof out, 0, reinterpret_cast<sockaddr *>(&peer), peerLen);
    }
}
