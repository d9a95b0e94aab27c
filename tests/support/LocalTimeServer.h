#pragma once
// A time server on 127.0.0.1 that answers every SNTP request with the local clock plus a
// fixed offset, so that a window's start-up measures a real round trip without a network.

#include <QUdpSocket>

class LocalTimeServer
{
public:
    explicit LocalTimeServer(qint64 offsetSeconds = 0);
    quint16 port() const { return m_socket.localPort(); }
    QByteArray hostAndPort() const; // "127.0.0.1:<port>"
    int requests() const { return m_requests; }

private:
    void answer();
    QUdpSocket m_socket;
    qint64 m_offset;
    int m_requests = 0;
};
