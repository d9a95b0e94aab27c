#include "service/SntpClient.h"

#include "service/Clock.h"
#include "service/Sntp.h"

#include <QHostInfo>
#include <QUdpSocket>
#include <QUrl>

SntpClient::SntpClient(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { tryNextAddress(); });
}

SntpClient::~SntpClient()
{
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
}

bool SntpClient::requestTime(const QString &hostPort)
{
    // A new request supersedes the one in flight, which then reports nothing.
    ++m_generation;
    m_timer.stop();
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
    delete m_socket;
    m_socket = nullptr;
    m_active = false;

    const QUrl url(QStringLiteral("udp://") + hostPort.trimmed());
    const QString host = url.host();
    if (hostPort.trimmed().isEmpty() || !url.isValid() || host.isEmpty())
        return false;
    m_port = quint16(url.port(123));
    m_active = true;
    const int generation = m_generation;
    QHostAddress literal;
    if (literal.setAddress(host)) {
        QMetaObject::invokeMethod(this, [this, generation, literal] { lookedUp(generation, {literal}); },
                                  Qt::QueuedConnection);
        return true;
    }
    m_lookupId = QHostInfo::lookupHost(host, this, [this, generation](const QHostInfo &info) {
        m_lookupId = -1;
        lookedUp(generation, info.error() == QHostInfo::NoError ? info.addresses()
                                                                : QList<QHostAddress>());
    });
    return true;
}

void SntpClient::lookedUp(int generation, const QList<QHostAddress> &addresses)
{
    if (generation != m_generation || !m_active)
        return;
    // IPv4 first, then IPv6.
    m_addresses.clear();
    for (const QHostAddress &a : addresses)
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            m_addresses.append(a);
    for (const QHostAddress &a : addresses)
        if (a.protocol() == QAbstractSocket::IPv6Protocol)
            m_addresses.append(a);
    tryNextAddress();
}

void SntpClient::tryNextAddress()
{
    delete m_socket;
    m_socket = nullptr;
    while (!m_addresses.isEmpty()) {
        m_server = m_addresses.takeFirst();
        m_socket = new QUdpSocket(this);
        const bool v4 = m_server.protocol() == QAbstractSocket::IPv4Protocol;
        connect(m_socket, &QUdpSocket::readyRead, this, [this] { readReplies(); });
        if (m_socket->bind(v4 ? QHostAddress::AnyIPv4 : QHostAddress::AnyIPv6, 0)
            && m_socket->writeDatagram(sntpRequest(clockNowUnix()), m_server, m_port)
                == SntpPacketSize) {
            m_timer.start(m_timeoutMs);
            return;
        }
        delete m_socket;
        m_socket = nullptr;
    }
    finish(0);
}

void SntpClient::readReplies()
{
    while (m_socket && m_socket->hasPendingDatagrams()) {
        QHostAddress from;
        quint16 fromPort = 0;
        QByteArray data(int(qMax<qint64>(m_socket->pendingDatagramSize(), 0)), '\0');
        const qint64 n = m_socket->readDatagram(data.data(), data.size(), &from, &fromPort);
        if (n < 0)
            continue;
        data.truncate(int(n));
        // Anything not from the server we asked is not its answer: ignore it and keep waiting.
        if (fromPort != m_port
            || !from.isEqual(m_server, QHostAddress::ConvertV4MappedToIPv4))
            continue;
        finish(sntpReplyTime(data));
        return;
    }
}

void SntpClient::finish(qint64 result)
{
    if (!m_active)
        return;
    m_active = false;
    m_timer.stop();
    m_addresses.clear();
    if (m_socket) {
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    Q_EMIT timeReceived(result);
}
