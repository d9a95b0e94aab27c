#pragma once
// A minimal SNTP server (RFC 4330) on a loopback UDP port whose clock runs at a fixed offset
// from the machine's, to let the client measure a known clock error.

#include <atomic>
#include <cstdint>
#include <thread>

class SntpResponder
{
public:
    explicit SntpResponder(int64_t offsetSeconds) : m_offset(offsetSeconds) {}
    ~SntpResponder();
    int bind(int port); // returns the bound port, or -1
    void start();
    void stop();

private:
    void serve();

    int64_t m_offset;
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
