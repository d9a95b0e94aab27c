#pragma once
// Asks one SNTP server for the time, asynchronously. The result always arrives exactly once
// per started request through timeReceived: the server's transmit time as Unix seconds, or 0
// for every failure (lookup, send, invalid reply, silence after the last address).

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

class QUdpSocket;

class SntpClient : public QObject
{
    Q_OBJECT
public:
    explicit SntpClient(QObject *parent = nullptr);
    ~SntpClient() override;

    // host[:port], port 123 by default. False when no request can be started (no server).
    bool requestTime(const QString &hostPort);
    // How long each address of the server is given to answer.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

Q_SIGNALS:
    void timeReceived(qint64 unixSecondsOrZero);

private:
    void lookedUp(int generation, const QList<QHostAddress> &addresses);
    void tryNextAddress();
    void readReplies();
    void finish(qint64 result);

    QUdpSocket *m_socket = nullptr;
    QTimer m_timer;
    QList<QHostAddress> m_addresses;
    QHostAddress m_server;
    quint16 m_port = 123;
    int m_generation = 0;
    int m_lookupId = -1;
    int m_timeoutMs = 5000;
    bool m_active = false;
};
