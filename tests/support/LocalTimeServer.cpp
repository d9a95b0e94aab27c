#include "LocalTimeServer.h"

#include <QDateTime>
#include <QHostAddress>
#include <QtEndian>

LocalTimeServer::LocalTimeServer(qint64 offsetSeconds) : m_offset(offsetSeconds)
{
    m_socket.bind(QHostAddress::LocalHost, 0);
    QObject::connect(&m_socket, &QUdpSocket::readyRead, [this] { answer(); });
}

QByteArray LocalTimeServer::hostAndPort() const
{
    return QByteArray("127.0.0.1:") + QByteArray::number(port());
}

void LocalTimeServer::answer()
{
    constexpr quint64 ntpEpochOffset = 2208988800ull; // 1900 to 1970
    while (m_socket.hasPendingDatagrams()) {
        QHostAddress from;
        quint16 fromPort = 0;
        QByteArray request(int(m_socket.pendingDatagramSize()), 0);
        m_socket.readDatagram(request.data(), request.size(), &from, &fromPort);
        ++m_requests;
        QByteArray reply(48, 0);
        reply[0] = char(0x24); // no leap warning, version 4, mode server
        reply[1] = 1;          // stratum
        const quint64 seconds =
            quint64(QDateTime::currentSecsSinceEpoch() + m_offset) + ntpEpochOffset;
        if (request.size() >= 48)
            reply.replace(24, 8, request.mid(40, 8)); // originate = the client's transmit time
        qToBigEndian<quint32>(quint32(seconds), reply.data() + 32); // receive
        qToBigEndian<quint32>(quint32(seconds), reply.data() + 40); // transmit
        m_socket.writeDatagram(reply, from, fromPort);
    }
}
